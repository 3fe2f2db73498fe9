package com.pellux.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNotNull;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;

import java.io.DataInputStream;
import java.io.File;
import java.io.IOException;
import java.lang.module.ModuleDescriptor;
import java.lang.module.ModuleFinder;
import java.lang.module.ModuleReference;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.util.HashSet;
import java.util.Set;
import java.util.jar.JarFile;
import org.junit.Test;

public class RuntimeJarTest {
    private static int classFileMajorVersion(JarFile jar, String entry) throws IOException {
        assertNotNull(entry + " missing", jar.getEntry(entry));
        try (DataInputStream in = new DataInputStream(jar.getInputStream(jar.getEntry(entry)))) {
            in.readInt();
            in.readUnsignedShort();
            return in.readUnsignedShort();
        }
    }

    private static ModuleDescriptor moduleOf(File jar) {
        Set<ModuleReference> modules = ModuleFinder.of(jar.toPath()).findAll();
        assertEquals(1, modules.size());
        return modules.iterator().next().descriptor();
    }

    private static Set<String> exportedPackages(ModuleDescriptor module) {
        Set<String> packages = new HashSet<>();
        for (ModuleDescriptor.Exports export : module.exports()) {
            assertFalse(export.isQualified());
            packages.add(export.source());
        }
        return packages;
    }

    private static void assertRunsOnJava8AndModulePath(File file) throws IOException {
        try (JarFile jar = new JarFile(file)) {
            assertEquals("true", jar.getManifest().getMainAttributes().getValue("Multi-Release"));
            assertNull("Java 8 would see a module descriptor", jar.getEntry("module-info.class"));
            assertEquals(53, classFileMajorVersion(jar, "META-INF/versions/9/module-info.class"));
            assertEquals(52, classFileMajorVersion(jar, "com/pellux/runtime/WinLauncher.class"));
            assertEquals(52, classFileMajorVersion(jar, "com/pellux/runtime/ModuleMainClass.class"));
            assertEquals(53, classFileMajorVersion(jar,
                    "META-INF/versions/9/com/pellux/runtime/ModuleMainClass.class"));
        }
    }

    @Test
    public void pelluxJarIsAModularMultiReleaseJar() throws IOException {
        assertRunsOnJava8AndModulePath(TestFiles.PELLUX_JAR);
        ModuleDescriptor module = moduleOf(TestFiles.PELLUX_JAR);
        assertEquals("com.pellux.runtime", module.name());
        assertEquals(Set.of("com.pellux.runtime", "com.pellux.service"), exportedPackages(module));
        try (JarFile jar = new JarFile(TestFiles.PELLUX_JAR)) {
            assertNull(jar.getEntry("com/zanthor/runtime/launcher/WinLauncher.class"));
        }
    }

    @Test
    public void zanthorJarIsAModularMultiReleaseJar() throws IOException {
        assertRunsOnJava8AndModulePath(TestFiles.ZANTHOR_JAR);
        ModuleDescriptor module = moduleOf(TestFiles.ZANTHOR_JAR);
        assertEquals("com.zanthor.runtime", module.name());
        assertEquals(Set.of("com.pellux.runtime", "com.pellux.service", "com.zanthor.runtime.launcher",
                "com.zanthor.runtime.installer.platform.win32"), exportedPackages(module));
    }

    private static URLClassLoader zanthorJarLoader() throws IOException {
        return new URLClassLoader(new URL[] {TestFiles.ZANTHOR_JAR.toURI().toURL()}, null);
    }

    @Test
    public void zanthorJarKeepsTheSplashSettingsTheLauncherPasses() throws Exception {
        try (URLClassLoader loader = zanthorJarLoader()) {
            Class<?> launcher = loader.loadClass("com.pellux.runtime.WinLauncher");
            Method init = launcher.getMethod("initAwtSplashConfig", boolean.class, boolean.class,
                    String.class, int.class, int.class, String.class, int.class, int.class,
                    String.class, int.class, int.class, String.class, int.class, int.class);
            assertNull(launcher.getMethod("getSplashSettings").invoke(null));
            init.invoke(null, true, false, "Loading", 20, 20, "0,0,0", 8, 500,
                    "Version 2.1", 20, 40, "255,0,0", 9, 700);
            Object settings = launcher.getMethod("getSplashSettings").invoke(null);
            assertEquals(true, call(settings, "isConfigured"));
            assertEquals(false, call(settings, "isTextsEnabled"));
            Object version = call(settings, "getVersionLine");
            assertEquals("Version 2.1", call(version, "getText"));
            assertEquals(700, call(version, "getFontWeight"));
            assertEquals(20, call(call(settings, "getStatusLine"), "getX"));
        }
    }

    @Test
    public void launcherLogIsRefusedQuietlyWithoutTheHelperLibrary() throws Exception {
        try (URLClassLoader loader = zanthorJarLoader()) {
            Class<?> common = loader.loadClass("com.zanthor.runtime.installer.platform.win32.Common");
            common.getMethod("initFromLauncher", boolean.class).invoke(null, true);
            assertEquals(true, common.getMethod("isHelperLibraryLoaded").invoke(null));
            Method log = common.getMethod("writeLauncherLog", String.class);
            assertEquals(false, log.invoke(null, "a line"));
            assertEquals(false, log.invoke(null, (Object) null));
            common.getMethod("initFromLauncher", boolean.class).invoke(null, false);
            assertEquals(false, common.getMethod("isHelperLibraryLoaded").invoke(null));
        }
    }

    private static Object call(Object target, String getter) throws Exception {
        Method method = target.getClass().getMethod(getter);
        assertTrue(method.getName(), java.lang.reflect.Modifier.isPublic(method.getModifiers()));
        return method.invoke(target);
    }
}
