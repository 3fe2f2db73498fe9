package com.zanthor.runtime.launcher;

/**
 * Entry class of the zanthor flavour. The launch itself is the same for both
 * flavours; the launcher also finds com.pellux.runtime.WinLauncher in this jar
 * for the splash settings.
 */
public final class WinLauncher {
    private WinLauncher() {
    }

    /** Takes the launcher's parameter list; see com.pellux.runtime.WinLauncher. */
    public static void main(String[] args) throws Throwable {
        com.pellux.runtime.WinLauncher.main(args);
    }
}
