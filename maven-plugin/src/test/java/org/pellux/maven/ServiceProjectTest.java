package org.pellux.maven;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.zip.ZipEntry;
import java.util.zip.ZipOutputStream;

import org.apache.maven.plugin.MojoFailureException;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

public class ServiceProjectTest {
    @Rule
    public final TemporaryFolder temporary = new TemporaryFolder();

    private static final List<String> JARS = Arrays.asList("lib/app-1.0.jar", "lib/dep \"x\".jar");

    @Test
    public void aServiceTomlGetsTheBuildsJarsAndAbsoluteSourcesAndKeepsItsLines() {
        String user = "[service]\nname = \"App\"\n\n[java] # the application\nmain_class = 'mod/com.example.Main'\n"
                      + "arguments = [\n  \"a\",\n]\n\n[[file]]\nsource = \"conf\\\\app.conf\" # settings\n"
                      + "[[embed]]\nsource = '/etc/fixed'\n";
        ServiceProject project = ServiceProject.fromToml(user, Paths.get("/work/app"), JARS);
        String[] lines = project.text.split("\n");
        assertEquals("[java] # the application", lines[3]);
        assertEquals("class_path = [\"lib/app-1.0.jar\", \"lib/dep \\\"x\\\".jar\"]", lines[4]);
        assertEquals("source = \"/work/app/conf\\\\app.conf\" # settings", lines[11]);
        assertEquals("source = \"/etc/fixed\"", lines[13]);
        assertEquals("com.example.Main", project.mainClass);
        assertTrue(project.ownClassPath);
        // pellux-pack's lines before the added one stay, later ones move back to the user's.
        assertEquals("pellux-pack: /w/s.toml:4: x, /w/s.toml:5: y",
                     project.toUserFile("pellux-pack: /t/s.toml:4: x, /t/s.toml:6: y", "/t/s.toml", "/w/s.toml"));

        ServiceProject dotted = ServiceProject.fromToml("java.main_class = \"M\"\n", Paths.get("/"), JARS);
        assertTrue(dotted.text.startsWith("java.class_path = ["));
        assertEquals("M", dotted.mainClass);

        ServiceProject own = ServiceProject.fromToml("[java]\nclass_path = [\"x/*\"]\n", Paths.get("/"), JARS);
        assertEquals("[java]\nclass_path = [\"x/*\"]\n", own.text);
        assertFalse(own.ownClassPath);
        assertNull(own.mainClass);
    }

    @Test
    public void settingsBecomeKeysWithTomlValuesOrTexts() {
        Map<String, String> keys = new LinkedHashMap<>();
        keys.put("service.name", "Heart beat");
        keys.put("java.main_class", "example.Main");
        keys.put("java.arguments", "[\"var/x.txt\", \"1000\"]");
        keys.put("output.append", "false");
        keys.put("output.keep", "3");
        keys.put("service.description", "C:\\dir \"quoted\"");
        ServiceProject project = ServiceProject.fromKeys(keys, JARS);
        assertEquals("# Written by the pellux Maven plugin from the POM's <settings>.\n"
                     + "java.arguments = [\"var/x.txt\", \"1000\"]\n"
                     + "java.class_path = [\"lib/app-1.0.jar\", \"lib/dep \\\"x\\\".jar\"]\n"
                     + "java.main_class = \"example.Main\"\n"
                     + "output.append = false\n"
                     + "output.keep = 3\n"
                     + "service.description = \"C:\\\\dir \\\"quoted\\\"\"\n"
                     + "service.name = \"Heart beat\"\n", project.text);
        assertEquals("example.Main", project.mainClass);

        keys.put("java.class_path", "[\"lib/*\"]");
        assertTrue(ServiceProject.fromKeys(keys, JARS).text.contains("java.class_path = [\"lib/*\"]\n"));
        keys.put("service name", "x");
        try {
            ServiceProject.fromKeys(keys, JARS);
            fail("a key with a space");
        } catch (IllegalArgumentException e) {
            assertEquals("<settings> key 'service name' is no key of the project file (such as service.name)",
                         e.getMessage());
        }
    }

    @Test
    public void pelluxPackIsLookedForOnlyWhereTheFirstSettingSays() throws Exception {
        File here = new File(temporary.getRoot(), "pellux-pack");
        File release = temporary.newFolder("release");
        assertRefused("pellux: no pellux-pack at " + here.getAbsolutePath() + " (from pellux.pack)", here, release,
                      null);
        File inRelease = new File(new File(release, "bin"), "pellux-pack").getAbsoluteFile();
        assertRefused("pellux: no pellux-pack at " + inRelease + " (from pellux.home)", null, release, "/elsewhere");
        assertRefused("pellux: no pellux-pack at /elsewhere/bin/pellux-pack (from the PELLUX_HOME variable)", null,
                      null, "/elsewhere");
        assertRefused("pellux: no pellux-pack: set pellux.pack, pellux.home or the PELLUX_HOME variable to an"
                      + " extracted pellux release", null, null, "");
        inRelease.getParentFile().mkdirs();
        assertTrue(inRelease.createNewFile());
        assertTrue(inRelease.setExecutable(true));
        assertEquals(inRelease, PackTool.locate(null, release, null).getAbsoluteFile());
    }

    @Test
    public void theMainClassMustBeInOneOfTheJars() throws Exception {
        File empty = jarWith("empty.jar", "other/Thing.class");
        File app = jarWith("app.jar", "com/example/Main.class");
        PackMojo.requireMainClass("com.example.Main", Arrays.asList(empty, app));
        try {
            PackMojo.requireMainClass("com.example.Gone", Arrays.asList(empty, app));
            fail("no such class");
        } catch (MojoFailureException e) {
            assertEquals("pellux: main class com.example.Gone is in none of the jars: " + empty + ", " + app,
                         e.getMessage());
        }
        File text = temporary.newFile("notes.jar");
        Files.write(text.toPath(), "not a zip".getBytes(StandardCharsets.UTF_8));
        try {
            PackMojo.requireMainClass("com.example.Main", Arrays.asList(text, app));
            fail("a jar that is none");
        } catch (MojoFailureException e) {
            assertTrue(e.getMessage(), e.getMessage().startsWith("pellux: " + text + " is no jar: "));
        }
    }

    private File jarWith(String name, String entry) throws IOException {
        File jar = temporary.newFile(name);
        try (ZipOutputStream zip = new ZipOutputStream(Files.newOutputStream(jar.toPath()))) {
            zip.putNextEntry(new ZipEntry(entry));
            zip.closeEntry();
        }
        return jar;
    }

    private static void assertRefused(String message, File pack, File home, String variable) {
        try {
            PackTool.locate(pack, home, variable);
            fail(message);
        } catch (MojoFailureException e) {
            assertEquals(message, e.getMessage());
        }
    }
}
