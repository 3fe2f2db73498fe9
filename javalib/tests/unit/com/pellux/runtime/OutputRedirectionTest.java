package com.pellux.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertSame;
import static org.junit.Assert.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.PrintStream;
import org.junit.After;
import org.junit.Before;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

public class OutputRedirectionTest {
    @Rule
    public TemporaryFolder folder = new TemporaryFolder();

    private PrintStream savedOut;
    private PrintStream savedErr;

    @Before
    public void saveStreams() {
        savedOut = System.out;
        savedErr = System.err;
    }

    @After
    public void restoreStreams() {
        if (System.out != savedOut) {
            System.out.close();
        }
        if (System.err != savedErr) {
            System.err.close();
        }
        System.setOut(savedOut);
        System.setErr(savedErr);
    }

    private void writeBothStreams() {
        System.out.println("out line");
        System.err.println("err line");
        System.out.print("out without line feed");
    }

    // Earlier content: replaced when truncating, kept when appending.
    private void redirectOver(String earlier, boolean append, String expectedOut, String expectedErr)
            throws Exception {
        File out = folder.newFile();
        File err = folder.newFile();
        TestFiles.write(out, earlier);
        TestFiles.write(err, earlier);
        OutputRedirection.redirect(err.getPath(), out.getPath(), append);
        writeBothStreams();
        assertEquals(expectedOut, TestFiles.read(out));
        assertEquals(expectedErr, TestFiles.read(err));
    }

    @Test
    public void truncateReplacesEarlierContent() throws Exception {
        redirectOver("old\n", false, String.format("out line%nout without line feed"),
                String.format("err line%n"));
    }

    @Test
    public void appendKeepsEarlierContent() throws Exception {
        redirectOver("old\n", true, String.format("old\nout line%nout without line feed"),
                String.format("old\nerr line%n"));
    }

    @Test
    public void oneFileForBothStreamsKeepsEveryLineInOrder() throws Exception {
        File both = folder.newFile("both.log");
        TestFiles.write(both, "old content that is longer than what follows\n");
        String sameFileOtherSpelling = new File(both.getParentFile(), "./both.log").getPath();
        OutputRedirection.redirect(both.getPath(), sameFileOtherSpelling, false);
        writeBothStreams();
        assertEquals(String.format("out line%nerr line%nout without line feed"),
                TestFiles.read(both));
    }

    @Test
    public void emptyNamesLeaveTheStreamsAlone() {
        OutputRedirection.redirect("", "", true);
        assertSame(savedOut, System.out);
        assertSame(savedErr, System.err);
    }

    @Test
    public void fileThatCannotBeOpenedLeavesTheStreamAndSaysWhy() throws Exception {
        ByteArrayOutputStream warnings = new ByteArrayOutputStream();
        PrintStream warningStream = new PrintStream(warnings, true, "UTF-8");
        System.setErr(warningStream);
        File blocker = folder.newFile("not-a-folder");
        File out = new File(blocker, "out.log");
        OutputRedirection.redirect("", out.getPath(), false);
        assertSame(savedOut, System.out);
        assertSame(warningStream, System.err);
        String warning = warnings.toString("UTF-8");
        assertTrue(warning, warning.startsWith("Cannot redirect standard output to " + out));
        assertFalse(out.exists());
    }
}
