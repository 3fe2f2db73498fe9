package com.pellux.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertTrue;

import java.io.File;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

/** The entry classes started in a VM of their own, as the launcher starts them. */
public class LaunchTest {
    @Rule
    public TemporaryFolder folder = new TemporaryFolder();

    private String checkedRun(ChildJava child) throws Exception {
        int exitCode = child.run();
        assertEquals(child.errors(), 0, exitCode);
        return child.output();
    }

    private static String lines(String... lines) {
        return String.join(System.lineSeparator(), lines) + System.lineSeparator();
    }

    @Test
    public void classPathStartPassesArgumentsWithoutTheLauncherArgument() throws Exception {
        ChildJava child = new ChildJava(folder.getRoot(), "-cp",
                ChildJava.classPath(TestFiles.PELLUX_JAR, TestFiles.APP_CLASSES))
                .entry(ChildJava.PELLUX_ENTRY, "testapp.ReportingApp", "", "", false,
                        "C:\\Apps\\app.exe", "first", "second arg", "");
        assertEquals(lines("args=first|second arg|", "launcherArgument=C:\\Apps\\app.exe",
                "serviceName=null"), checkedRun(child));
        assertEquals(lines("error line"), child.errors());
    }

    @Test
    public void zanthorEntryStartsFromTheClassPath() throws Exception {
        ChildJava child = new ChildJava(folder.getRoot(), "-cp",
                ChildJava.classPath(TestFiles.ZANTHOR_JAR, TestFiles.APP_CLASSES))
                .entry(ChildJava.ZANTHOR_ENTRY, "testapp.ReportingApp", "", "", false, "Svc", "x");
        assertTrue(checkedRun(child).startsWith(lines("args=x", "launcherArgument=Svc")));
    }

    @Test
    public void outputGoesToTheNamedFilesInNewFolders() throws Exception {
        File out = new File(folder.getRoot(), "logs/out/stdout.log");
        File err = new File(folder.getRoot(), "logs/err/stderr.log");
        ChildJava child = new ChildJava(folder.getRoot(), "-cp",
                ChildJava.classPath(TestFiles.PELLUX_JAR, TestFiles.APP_CLASSES))
                .entry(ChildJava.PELLUX_ENTRY, "testapp.ReportingApp", err.getPath(),
                        out.getPath(), false, "Svc", "a");
        assertEquals("", checkedRun(child));
        assertEquals("", child.errors());
        assertTrue(TestFiles.read(out).startsWith(lines("args=a")));
        assertEquals(lines("error line"), TestFiles.read(err));
    }

    // The launcher passes the rotation records as properties; a file already
    // past the size is rotated before the first line of this run.
    @Test
    public void rotationPropertiesRotateTheRedirectedFile() throws Exception {
        File out = new File(folder.getRoot(), "stdout.log");
        TestFiles.write(out, String.format("%01100d%n", 0));
        ChildJava child = new ChildJava(folder.getRoot(), "-Dpellux.output.maxSize=1024",
                "-Dpellux.output.keep=2", "-cp",
                ChildJava.classPath(TestFiles.PELLUX_JAR, TestFiles.APP_CLASSES))
                .entry(ChildJava.PELLUX_ENTRY, "testapp.ReportingApp", "", out.getPath(), true,
                        "Svc", "a");
        checkedRun(child);
        assertTrue(TestFiles.read(out).startsWith(lines("args=a")));
        assertEquals(1100 + System.lineSeparator().length(), RotatingFile.numbered(out, 1).length());
    }

    @Test
    public void noRedirPropertyLeavesTheStreamsAlone() throws Exception {
        File out = new File(folder.getRoot(), "logs/stdout.log");
        File err = new File(folder.getRoot(), "logs/stderr.log");
        ChildJava child = new ChildJava(folder.getRoot(), "-Dzanthor.noRedir=true", "-cp",
                ChildJava.classPath(TestFiles.PELLUX_JAR, TestFiles.APP_CLASSES))
                .entry(ChildJava.PELLUX_ENTRY, "testapp.ReportingApp", err.getPath(),
                        out.getPath(), true, "C:\\Apps\\app.exe");
        assertTrue(checkedRun(child).startsWith(lines("args=")));
        assertEquals(lines("error line"), child.errors());
        assertFalse(out.exists());
        assertFalse(err.exists());
    }

    // The options the launcher gives a module main class: module path with the
    // runtime jar, --add-opens of the main class's package to the runtime module,
    // --add-modules of both.
    private ChildJava moduleChild(File runtimeJar, String runtimeModule) {
        return new ChildJava(folder.getRoot(),
                "--module-path=" + ChildJava.classPath(runtimeJar, TestFiles.APP_MODULE_JAR),
                "--add-opens=test.app/test.app.internal=" + runtimeModule,
                "--add-modules=test.app," + runtimeModule);
    }

    @Test
    public void moduleMainClassStartsFromTheBootLayer() throws Exception {
        ChildJava child = moduleChild(TestFiles.PELLUX_JAR, "com.pellux.runtime")
                .entry(ChildJava.PELLUX_ENTRY, "/test.app/test.app.internal.ModMain", "", "", false,
                        "Svc", "m1", "m2");
        assertEquals(lines("module=test.app", "args=m1|m2"), checkedRun(child));
    }

    @Test
    public void moduleWithoutClassStartsItsDeclaredMainClassInZanthorFlavour() throws Exception {
        ChildJava child = moduleChild(TestFiles.ZANTHOR_JAR, "com.zanthor.runtime")
                .entry(ChildJava.ZANTHOR_ENTRY, "/test.app", "", "", false, "Svc", "z");
        assertEquals(lines("module=test.app", "args=z"), checkedRun(child));
    }
}
