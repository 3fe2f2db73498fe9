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

    private static String lookupFailure(String mainClass) {
        try {
            ApplicationStarter.loadMainClass(mainClass);
        } catch (ClassNotFoundException | IllegalArgumentException e) {
            return e.getMessage();
        }
        throw new AssertionError(mainClass + " was found");
    }

    @Test
    public void mainReceivesTheApplicationArguments() throws Throwable {
        String slashed = RecordingMain.class.getName().replace('.', '/');
        Class<?> mainClass = ApplicationStarter.loadMainClass(slashed);
        ApplicationStarter.runMain(mainClass, new String[] {"a", "b c"});
        assertArrayEquals(new String[] {"a", "b c"}, received);
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
    public void failedLookupsNameWhatIsMissing() {
        assertEquals("no application main class given", lookupFailure(""));
        assertEquals("application main class com.example.NoSuchMain not found on the class path",
                lookupFailure("com.example.NoSuchMain"));
        assertTrue(lookupFailure("/no.such.module/com.example.Main")
                .startsWith("module no.such.module is not in the boot layer"));
        assertEquals("main class // names no module", lookupFailure("//"));
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
