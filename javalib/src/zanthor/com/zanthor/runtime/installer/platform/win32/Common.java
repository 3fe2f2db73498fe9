package com.zanthor.runtime.installer.platform.win32;

/**
 * Native services of the helper library (.zanthor\znoinst.dll). The launcher
 * loads the library, calls initFromLauncher(true) and lets the library register
 * the natives of this class; when that fails it calls initFromLauncher(false).
 * Every method here is safe when nothing was registered.
 */
public final class Common {
    private static volatile boolean helperLibraryLoaded;

    private Common() {
    }

    /** Called by the launcher; false means the natives were not registered. */
    public static void initFromLauncher(boolean helperLibraryAvailable) {
        helperLibraryLoaded = helperLibraryAvailable;
    }

    /** Whether the launcher reported the helper library as loaded and registered. */
    public static boolean isHelperLibraryLoaded() {
        return helperLibraryLoaded;
    }

    /**
     * Writes a line into the launcher's diagnostic log (it appears only when the
     * log is switched on). Returns false when the natives are not registered.
     */
    public static boolean writeLauncherLog(String line) {
        if (line == null) {
            return false;
        }
        try {
            return logToLauncher(line);
        } catch (UnsatisfiedLinkError e) {
            return false;
        }
    }

    // Registered by the helper library with the signature (Ljava/lang/String;)Z.
    private static native boolean logToLauncher(String line);
}
