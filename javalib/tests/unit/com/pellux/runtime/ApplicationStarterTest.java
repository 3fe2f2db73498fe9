package com.pellux.runtime;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import java.io.IOException;
import org.junit.Test;

public class ApplicationStarterTest {
    static String[] received;

    public static class RecordingMain {
        public static void main(String[] args) {
            received = args;
        }
    }

    public static class FailingMain {
        public static void main(String[] args) throws IOException {
            throw new IOException("disk gone");
        }
    }

    public static class InstanceMain {
        public void main(String[] args) {
            received = args;
        }
    }

    static class PackagePrivateMain {
        public static void main(String[] args) {
            received = args;
        }
    }

    @Test
    public void mainReceivesTheApplicationArguments() throws Throwable {
        Class<?> mainClass = ApplicationStarter.loadMainClass(RecordingMain.class.getName());
        ApplicationStarter.runMain(mainClass, new String[] {"a", "b c"});
        assertArrayEquals(new String[] {"a", "b c"}, received);
    }

    @Test
    public void mainClassMayBeWrittenWithSlashes() throws Throwable {
        String slashed = RecordingMain.class.getName().replace('.', '/');
        assertEquals(RecordingMain.class, ApplicationStarter.loadMainClass(slashed));
    }

    @Test
    public void exceptionOfMainReachesTheCallerUnwrapped() throws Throwable {
        try {
            ApplicationStarter.runMain(FailingMain.class, new String[0]);
            fail("main's exception was swallowed");
        } catch (IOException e) {
            assertEquals("disk gone", e.getMessage());
        }
    }

    @Test
    public void missingMainClassIsReportedByName() {
        try {
            ApplicationStarter.loadMainClass("com.example.NoSuchMain");
            fail();
        } catch (ClassNotFoundException e) {
            assertTrue(e.getMessage(), e.getMessage().contains("com.example.NoSuchMain"));
        }
    }

    @Test
    public void missingMainClassNameIsAClearError() throws Exception {
        try {
            ApplicationStarter.loadMainClass("");
            fail();
        } catch (IllegalArgumentException e) {
            assertEquals("no application main class given", e.getMessage());
        }
    }

    @Test
    public void unknownModuleIsReportedByName() {
        try {
            ApplicationStarter.loadMainClass("/no.such.module/com.example.Main");
            fail();
        } catch (ClassNotFoundException e) {
            assertTrue(e.getMessage(), e.getMessage().startsWith("module no.such.module is not"));
        }
    }

    @Test
    public void instanceMainIsRefused() throws Throwable {
        received = null;
        try {
            ApplicationStarter.runMain(InstanceMain.class, new String[0]);
            fail();
        } catch (NoSuchMethodException e) {
            assertTrue(e.getMessage(), e.getMessage().contains("public static void main"));
        }
    }

    @Test
    public void mainClassThatIsNotPublicStillStarts() throws Throwable {
        ApplicationStarter.runMain(PackagePrivateMain.class, new String[] {"x"});
        assertArrayEquals(new String[] {"x"}, received);
    }
}
