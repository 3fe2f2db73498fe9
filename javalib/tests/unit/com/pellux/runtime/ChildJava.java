package com.pellux.runtime;

import static org.junit.Assert.assertTrue;

import java.io.File;
import java.io.IOException;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;

/**
 * Starts a separate VM the way the launcher would: VM options, the entry class
 * and the launcher's parameter list. Output goes to files in the given folder.
 */
final class ChildJava {
    static final String PELLUX_ENTRY = "com.pellux.runtime.WinLauncher";
    static final String ZANTHOR_ENTRY = "com.zanthor.runtime.launcher.WinLauncher";
    private static final long TIME_LIMIT_SECONDS = 20;

    final List<String> command = new ArrayList<>();
    final File folder;
    final File stdout;
    final File stderr;

    ChildJava(File folder, String... vmOptions) {
        this.folder = folder;
        stdout = new File(folder, "child.stdout");
        stderr = new File(folder, "child.stderr");
        command.add(new File(System.getProperty("java.home"), "bin/java").getPath());
        // A short-lived child needs no optimising compiler.
        command.addAll(Arrays.asList("-XX:TieredStopAtLevel=1", "-XX:+UseSerialGC", "-Xshare:auto"));
        command.addAll(Arrays.asList(vmOptions));
    }

    /** The parameter list of the entry class: not windowed, then as given. */
    ChildJava entry(String entryClass, String mainClass, String errorFile, String outputFile,
            boolean append, String launcherArgument, String... applicationArguments) {
        command.addAll(Arrays.asList(entryClass, "false", mainClass, errorFile, outputFile,
                Boolean.toString(append), launcherArgument));
        command.addAll(Arrays.asList(applicationArguments));
        return this;
    }

    Process start(boolean pipeStandardOutput) throws IOException {
        ProcessBuilder builder = new ProcessBuilder(command).directory(folder).redirectError(stderr);
        if (!pipeStandardOutput) {
            builder.redirectOutput(stdout);
        }
        return builder.start();
    }

    /** Runs with standard input closed at once and returns the exit code. */
    int run() throws IOException, InterruptedException {
        Process process = start(false);
        process.getOutputStream().close();
        return waitFor(process);
    }

    static int waitFor(Process process) throws InterruptedException {
        boolean ended = process.waitFor(TIME_LIMIT_SECONDS, TimeUnit.SECONDS);
        if (!ended) {
            process.destroyForcibly();
        }
        assertTrue("child VM did not end in time", ended);
        return process.exitValue();
    }

    String output() throws IOException {
        return TestFiles.read(stdout);
    }

    String errors() throws IOException {
        return TestFiles.read(stderr);
    }

    static String classPath(File... entries) {
        StringBuilder path = new StringBuilder();
        for (File entry : entries) {
            path.append(path.length() == 0 ? "" : File.pathSeparator).append(entry.getPath());
        }
        return path.toString();
    }
}
