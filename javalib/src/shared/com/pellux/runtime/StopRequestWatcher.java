package com.pellux.runtime;

import java.io.IOException;
import java.io.InputStream;

/**
 * The service host stops the worker by writing the line "0" to its standard
 * input and closing it. The VM runs with -Xrs, so this is the only stop signal
 * the application gets; System.exit lets its shutdown hooks run.
 */
final class StopRequestWatcher {
    // Longer lines cannot be the stop line; they are skipped without being kept.
    private static final int LINE_CAPACITY = 16;

    private StopRequestWatcher() {
    }

    static void start(final InputStream input) {
        Thread watcher = new Thread(() -> {
            awaitStopRequest(input);
            System.exit(0);
        }, "service stop watcher");
        watcher.setDaemon(true);
        watcher.start();
    }

    /**
     * Blocks until the line "0" arrives (true) or the input ends (false). A read
     * error counts as the end: the service host is gone.
     */
    static boolean awaitStopRequest(InputStream input) {
        StringBuilder line = new StringBuilder();
        boolean overlong = false;
        try {
            for (int next = input.read(); next >= 0; next = input.read()) {
                if (next == '\n') {
                    if (!overlong && line.toString().trim().equals("0")) {
                        return true;
                    }
                    line.setLength(0);
                    overlong = false;
                } else if (line.length() < LINE_CAPACITY) {
                    line.append((char) next);
                } else {
                    overlong = true;
                }
            }
        } catch (IOException e) {
            return false;
        }
        return false;
    }
}
