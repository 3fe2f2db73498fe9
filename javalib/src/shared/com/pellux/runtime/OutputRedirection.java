package com.pellux.runtime;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;

/** Sends standard error and standard output to the files the launcher names. */
final class OutputRedirection {
    private OutputRedirection() {
    }

    /**
     * An empty name leaves that stream alone. A file that cannot be opened is
     * reported on the current standard error and the stream stays as it was:
     * the application still starts.
     */
    static void redirect(String errorFile, String outputFile, boolean append) {
        PrintStream error = open(errorFile, append, "standard error");
        if (error != null) {
            System.setErr(error);
        }
        // Two streams on one file would write over each other when truncating.
        PrintStream output = error != null && isSameFile(errorFile, outputFile)
                ? error
                : open(outputFile, append, "standard output");
        if (output != null) {
            System.setOut(output);
        }
    }

    /** Returns the stream, or null when the name is empty or the file cannot be opened. */
    private static PrintStream open(String fileName, boolean append, String streamName) {
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
            return new PrintStream(new FileOutputStream(file, append), true);
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
