package com.pellux.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertSame;
import static org.junit.Assert.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.PrintStream;
import java.util.ArrayList;
import java.util.List;
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

    // With the launcher's property a link on the path or a second name of the
    // file is refused like a file that cannot be opened; without it, followed.
    @Test
    public void linksAndHardLinksAreRefusedWithTheLaunchersProperty() throws Exception {
        ByteArrayOutputStream warnings = new ByteArrayOutputStream();
        PrintStream warningStream = new PrintStream(warnings, true, "UTF-8");
        System.setErr(warningStream);
        File target = folder.newFile("elsewhere.txt");
        File logs = folder.newFolder("logs");
        File linked = new File(logs, "out.log");
        java.nio.file.Files.createSymbolicLink(linked.toPath(), target.toPath());
        File linkedFolder = new File(folder.getRoot(), "linked-logs");
        java.nio.file.Files.createSymbolicLink(linkedFolder.toPath(), logs.toPath());
        File secondName = new File(logs, "second.log");
        java.nio.file.Files.createLink(secondName.toPath(), target.toPath());
        System.setProperty(OutputFiles.NO_LINKS_PROPERTY, "true");
        try {
            for (File refused : new File[] {linked, new File(linkedFolder, "new.log"), secondName}) {
                warnings.reset();
                OutputRedirection.redirect("", refused.getPath(), true, 0, 0);
                assertSame(savedOut, System.out);
                String warning = warnings.toString("UTF-8");
                assertTrue(warning, warning.startsWith("Cannot redirect standard output to " + refused));
                assertTrue(warning, warning.contains("link"));
                OutputRedirection.redirect("", refused.getPath(), true, 1024, 1);
                assertSame(savedOut, System.out);
            }
            assertEquals("", TestFiles.read(target));
            assertFalse(new File(logs, "new.log").exists());
        } finally {
            System.clearProperty(OutputFiles.NO_LINKS_PROPERTY);
        }
        OutputRedirection.redirect("", linked.getPath(), true, 0, 0);
        System.out.print("followed");
        System.out.flush();
        assertEquals("followed", TestFiles.read(target));
    }

    /** The lines of name.N ... name.1, name: oldest first. */
    private static List<String> linesOfAllGenerations(File file, int keep) throws Exception {
        List<String> lines = new ArrayList<String>();
        for (int i = keep; i >= 0; i--) {
            File generation = i == 0 ? file : RotatingFile.numbered(file, i);
            if (!generation.exists()) {
                continue;
            }
            String text = TestFiles.read(generation);
            assertTrue("a line was split at the end of " + generation, text.isEmpty() || text.endsWith("\n"));
            for (String line : text.split("\n")) {
                lines.add(line.trim());
            }
        }
        return lines;
    }

    @Test
    public void rotationKeepsWholeLinesInNumberedFilesAndDropsTheOldest() throws Exception {
        File out = new File(folder.getRoot(), "server_out.log");
        TestFiles.write(out, "earlier run, already longer than the size of one file of this test\n");
        OutputRedirection.redirect("", out.getPath(), true, 1024, 3);
        for (int i = 0; i < 400; i++) {
            System.out.print("line " + i);
            System.out.println(" of a service that writes a lot");
        }
        assertEquals("server_out.3.log", RotatingFile.numbered(out, 3).getName());
        assertFalse(RotatingFile.numbered(out, 4).exists());
        assertTrue(out.length() < 1024 + 64);
        List<String> lines = linesOfAllGenerations(out, 3);
        // Only the newest lines are kept, and those without a gap.
        assertEquals("line 399 of a service that writes a lot", lines.get(lines.size() - 1));
        int first = 400 - lines.size();
        assertTrue(first > 0);
        for (int i = 0; i < lines.size(); i++) {
            assertEquals("line " + (first + i) + " of a service that writes a lot", lines.get(i));
        }
    }

    @Test
    public void keepingNoFilesEmptiesTheFileInPlace() throws Exception {
        File out = new File(folder.getRoot(), "out");
        OutputRedirection.redirect("", out.getPath(), false, 1024, 0);
        for (int i = 0; i < 200; i++) {
            System.out.println("line " + i);
        }
        assertFalse(RotatingFile.numbered(out, 1).exists());
        String text = TestFiles.read(out);
        assertTrue(text, text.length() < 1024 + 16 && text.endsWith(String.format("line 199%n")));
    }

    // Two threads race each other and the rotations on one shared file; every
    // line arrives whole and in its thread's order.
    @Test
    public void sharedFileRotatesUnderRacingWritersWithoutLosingALine() throws Exception {
        final File both = new File(folder.getRoot(), "both.log");
        OutputRedirection.redirect(both.getPath(), both.getPath(), false, 2048, 1000);
        final int count = 3000;
        Thread errorWriter = new Thread(new Runnable() {
            @Override
            public void run() {
                for (int i = 0; i < count; i++) {
                    System.err.println("err " + i + " some text to make the line longer");
                }
            }
        });
        errorWriter.start();
        for (int i = 0; i < count; i++) {
            System.out.println("out " + i + " written by the main thread");
        }
        errorWriter.join(30000);
        assertFalse(errorWriter.isAlive());
        assertTrue(RotatingFile.numbered(both, 20).exists());
        int nextOut = 0;
        int nextErr = 0;
        for (String line : linesOfAllGenerations(both, 1000)) {
            if (line.startsWith("out ")) {
                assertEquals("out " + nextOut++ + " written by the main thread", line);
            } else {
                assertEquals("err " + nextErr++ + " some text to make the line longer", line);
            }
        }
        assertEquals(count, nextOut);
        assertEquals(count, nextErr);
    }

    @Test
    public void failedRotationIsToldOnTheOtherStreamAndWritingGoesOn() throws Exception {
        File out = new File(folder.getRoot(), "out.log");
        File err = new File(folder.getRoot(), "err.log");
        File blocker = RotatingFile.numbered(out, 1);
        assertTrue(blocker.mkdir() && new File(blocker, "keeps the folder from being replaced").createNewFile());
        OutputRedirection.redirect(err.getPath(), out.getPath(), false, 1024, 1);
        for (int i = 0; i < 100; i++) {
            System.out.println("line " + i + " goes on");
        }
        System.err.println("err line");
        assertEquals(100, linesOfAllGenerations(out, 0).size());
        String errText = TestFiles.read(err);
        assertTrue(errText, errText.startsWith("Cannot rotate " + out + ": "));
        assertTrue(errText, errText.endsWith(String.format("err line%n")));
    }
}
