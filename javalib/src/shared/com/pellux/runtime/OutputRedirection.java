package com.pellux.runtime;

import java.io.File;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;

/** Sends standard error and standard output to the files the launcher names. */
final class OutputRedirection {
    static final String MAX_SIZE_PROPERTY = "pellux.output.maxSize";
    static final String KEEP_PROPERTY = "pellux.output.keep";

    private OutputRedirection() {
    }

    /** Without rotation: the files grow as long as the application writes. */
    static void redirect(String errorFile, String outputFile, boolean append) {
        redirect(errorFile, outputFile, append, 0, 0);
    }

    /**
     * An empty name leaves that stream alone. A file that cannot be opened is
     * reported on the current standard error and the stream stays as it was:
     * the application still starts. A maxSize above 0 rotates each file once
     * it has passed that many bytes, keeping keep older files.
     */
    static void redirect(String errorFile, String outputFile, boolean append, long maxSize, int keep) {
        PrintStream originalOut = System.out;
        PrintStream originalErr = System.err;
        OutputStream errorTarget = open(errorFile, append, "standard error", maxSize, keep);
        PrintStream error = errorTarget == null ? null : new PrintStream(errorTarget, true);
        if (error != null) {
            System.setErr(error);
        }
        // Two streams on one file would write over each other when truncating.
        boolean shared = error != null && isSameFile(errorFile, outputFile);
        OutputStream outputTarget = shared ? null : open(outputFile, append, "standard output", maxSize, keep);
        PrintStream output = shared ? error : outputTarget == null ? null : new PrintStream(outputTarget, true);
        if (output != null) {
            System.setOut(output);
        }
        if (!shared) {
            tellFailuresToTheOtherStream(errorTarget, outputTarget, originalOut);
            tellFailuresToTheOtherStream(outputTarget, errorTarget, originalErr);
        }
    }

    /** Rotation settings from the launcher's properties; 0 (no rotation) when absent or unreadable. */
    static long maxSizeProperty() {
        try {
            return Math.max(0, Long.parseLong(System.getProperty(MAX_SIZE_PROPERTY, "0")));
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    static int keepProperty() {
        try {
            return Math.max(0, Integer.parseInt(System.getProperty(KEEP_PROPERTY, "0")));
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    private static void tellFailuresToTheOtherStream(OutputStream target, OutputStream other,
            PrintStream unredirected) {
        if (!(target instanceof RotatingFile)) {
            return;
        }
        // Both redirected files rotate alike, so the other one is rotating too
        // unless that stream is not redirected at all.
        RotatingFile.Notices notices = other instanceof RotatingFile
                ? RotatingFile.noticesInto((RotatingFile) other)
                : RotatingFile.noticesOn(unredirected);
        ((RotatingFile) target).reportTo(notices);
    }

    /** Returns the file's stream, or null when the name is empty or the file cannot be opened. */
    private static OutputStream open(String fileName, boolean append, String streamName, long maxSize,
            int keep) {
        if (fileName.isEmpty()) {
            return null;
        }
        File file = new File(fileName).getAbsoluteFile();
        File folder = file.getParentFile();
        if (folder != null && !folder.isDirectory() && !folder.mkdirs() && !folder.isDirectory()) {
            warn(streamName, file, "cannot create folder " + folder);
            return null;
        }
        try {
            // Unbuffered below the print stream, so that nothing is lost when the
            // process ends without flushing.
            return maxSize > 0 ? new RotatingFile(file, append, maxSize, keep) : OutputFiles.open(file, append);
        } catch (IOException | SecurityException e) {
            warn(streamName, file, e.toString());
            return null;
        }
    }

    private static boolean isSameFile(String first, String second) {
        if (first.isEmpty() || second.isEmpty()) {
            return false;
        }
        return canonical(first).equals(canonical(second));
    }

    private static File canonical(String fileName) {
        File file = new File(fileName).getAbsoluteFile();
        try {
            return file.getCanonicalFile();
        } catch (IOException e) {
            return file;
        }
    }

    private static void warn(String streamName, File file, String reason) {
        System.err.println("Cannot redirect " + streamName + " to " + file + ": " + reason);
    }
}
