package com.pellux.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;

import java.io.BufferedReader;
import java.io.File;
import java.io.InputStreamReader;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import org.junit.After;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

/**
 * A service worker's VM runs with -Xrs; the service host stops it by writing
 * "0" and a line feed to its standard input and closing it.
 */
public class ServiceStopTest {
    @Rule
    public TemporaryFolder folder = new TemporaryFolder();

    private File hookMarker;
    private Process process;

    @After
    public void endTheChild() {
        if (process != null) {
            process.destroyForcibly();
        }
    }

    /** Starts the service application and waits until it has said it is ready. */
    private void startService() throws Exception {
        hookMarker = new File(folder.getRoot(), "hook.txt");
        ChildJava child = new ChildJava(folder.getRoot(), "-Xrs", "-Dpellux.isService=true",
                "-cp", ChildJava.classPath(TestFiles.PELLUX_JAR, TestFiles.APP_CLASSES))
                .entry(ChildJava.PELLUX_ENTRY, "testapp.ServiceApp", "", "", false, "My Service",
                        hookMarker.getPath());
        process = child.start(true);
        BufferedReader output = new BufferedReader(
                new InputStreamReader(process.getInputStream(), StandardCharsets.UTF_8));
        assertEquals("serviceName=My Service", output.readLine());
        assertEquals("ready", output.readLine());
    }

    @Test
    public void stopLineEndsTheApplicationWithShutdownHooks() throws Exception {
        startService();
        OutputStream input = process.getOutputStream();
        input.write("0\n".getBytes(StandardCharsets.US_ASCII));
        input.flush();
        assertEquals(0, ChildJava.waitFor(process));
        assertEquals("hook ran", TestFiles.read(hookMarker));
    }

    @Test
    public void endOfInputEndsTheApplicationWithShutdownHooks() throws Exception {
        startService();
        OutputStream input = process.getOutputStream();
        input.write("1\n".getBytes(StandardCharsets.US_ASCII));
        input.flush();
        Thread.sleep(200);
        assertFalse(hookMarker.exists());
        input.close();
        assertEquals(0, ChildJava.waitFor(process));
        assertEquals("hook ran", TestFiles.read(hookMarker));
    }
}
