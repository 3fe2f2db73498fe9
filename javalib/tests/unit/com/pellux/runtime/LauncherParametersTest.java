package com.pellux.runtime;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;

import org.junit.Test;

public class LauncherParametersTest {
    @Test
    public void launcherArgumentIsKeptApartFromApplicationArguments() {
        LauncherParameters parameters = LauncherParameters.parse(new String[] {
            "false", "/app/com.example.Main", "C:\\logs\\err.log", "C:\\logs\\out.log", "true",
            "MyService", "first", "second arg"});
        assertFalse(parameters.windowed);
        assertEquals("/app/com.example.Main", parameters.mainClass);
        assertEquals("C:\\logs\\err.log", parameters.errorFile);
        assertEquals("C:\\logs\\out.log", parameters.outputFile);
        assertTrue(parameters.appendOutput);
        assertEquals("MyService", parameters.launcherArgument);
        assertArrayEquals(new String[] {"first", "second arg"}, parameters.applicationArguments);
    }

    @Test
    public void shortOrMissingListsReadAsEmptyWithoutLauncherArgument() {
        for (String[] args : new String[][] {
                null, {}, {"true", "Main"}, {"true", "Main", null}, {"false", "Main", "", "", "x"}}) {
            LauncherParameters parameters = LauncherParameters.parse(args);
            assertEquals("", parameters.errorFile);
            assertEquals("", parameters.outputFile);
            assertFalse(parameters.appendOutput);
            assertNull(parameters.launcherArgument);
            assertEquals(0, parameters.applicationArguments.length);
        }
        assertTrue(LauncherParameters.parse(new String[] {"true", "Main"}).windowed);
    }
}
