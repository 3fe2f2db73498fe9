package com.pellux.runtime;

import java.util.Arrays;

/** The parameter list of the entry class's main, split into its parts. */
final class LauncherParameters {
    private static final int FIRST_APPLICATION_ARGUMENT = 6;

    final boolean windowed;
    final String mainClass;
    final String errorFile;
    final String outputFile;
    final boolean appendOutput;
    /** The launcher's own first argument, or null when the launcher passed none. */
    final String launcherArgument;
    final String[] applicationArguments;

    private LauncherParameters(String[] args) {
        windowed = "true".equals(textAt(args, 0));
        mainClass = textAt(args, 1);
        errorFile = textAt(args, 2);
        outputFile = textAt(args, 3);
        appendOutput = "true".equals(textAt(args, 4));
        launcherArgument = args.length > 5 ? args[5] : null;
        applicationArguments = args.length > FIRST_APPLICATION_ARGUMENT
                ? Arrays.copyOfRange(args, FIRST_APPLICATION_ARGUMENT, args.length)
                : new String[0];
    }

    /** Never fails: missing parameters read as empty text or false. */
    static LauncherParameters parse(String[] args) {
        return new LauncherParameters(args == null ? new String[0] : args);
    }

    private static String textAt(String[] args, int index) {
        if (index >= args.length || args[index] == null) {
            return "";
        }
        return args[index];
    }
}
