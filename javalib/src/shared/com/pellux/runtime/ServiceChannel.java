package com.pellux.runtime;

import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.util.HashSet;
import java.util.Map;
import java.util.Set;

/**
 * The lines the VM sends back to the service host on the worker's standard
 * output, which the host reads: readiness, signs of life and, on request, a
 * report of what every thread does. Each line carries a token the host made
 * for this start, so that the application's own output cannot pass for one.
 * Applications call {@link com.pellux.service.ServiceState} instead.
 */
public final class ServiceChannel {
    /** "TOKEN,PING_INTERVAL_MS", set by the launcher when the host opened a channel. */
    public static final String CHANNEL_PROPERTY = "pellux.serviceChannel";
    public static final String READY = "ready";
    public static final String ALIVE = "alive";
    static final String PING = "ping";
    private static final String MARK = "\u001epellux ";
    private static final String REPORT_COMMAND = "report";
    private static final int COMMAND_CAPACITY = 16;
    private static final int REPORT_LINE_CAPACITY = 1000;
    private static final int FRAMES_PER_THREAD = 100;

    private static volatile ServiceChannel current;

    private final String token;
    private final OutputStream out;
    private volatile long stopRequestedAt;
    private volatile Set<Thread> threadsAtStop = new HashSet<>();

    ServiceChannel(String token, OutputStream out) {
        this.token = token;
        this.out = out;
    }

    /** Sends the verb when the host opened a channel; else does nothing. */
    public static void send(String verb) {
        ServiceChannel channel = current;
        if (channel != null) {
            channel.sendLine(verb);
        }
    }

    /**
     * Opens the channel the property describes and serves the host's commands on
     * input; false when there is none, and the plain stop line applies.
     */
    static boolean start(String property, InputStream input) {
        ServiceChannel channel = parse(property, new FileOutputStream(FileDescriptor.out));
        if (channel == null) {
            return false;
        }
        current = channel;
        long pingInterval = pingIntervalOf(property);
        if (pingInterval > 0) {
            channel.startPinging(pingInterval);
        }
        Thread commands = new Thread(() -> channel.serveCommands(input), "service commands");
        commands.setDaemon(true);
        commands.start();
        return true;
    }

    static ServiceChannel parse(String property, OutputStream out) {
        if (property == null) {
            return null;
        }
        int comma = property.indexOf(',');
        String token = comma < 0 ? property : property.substring(0, comma);
        return token.isEmpty() ? null : new ServiceChannel(token, out);
    }

    static long pingIntervalOf(String property) {
        int comma = property.indexOf(',');
        try {
            return comma < 0 ? 0 : Long.parseLong(property.substring(comma + 1).trim());
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    private void startPinging(long intervalMs) {
        Thread pinger = new Thread(() -> {
            try {
                while (true) {
                    sendLine(PING);
                    Thread.sleep(intervalMs);
                }
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        }, "service watchdog ping");
        pinger.setDaemon(true);
        pinger.start();
    }

    /**
     * The line "0" stops the application (System.exit, so that its shutdown
     * hooks run), "report" asks for a report; the end of input, the host gone,
     * stops it too.
     */
    void serveCommands(InputStream input) {
        StringBuilder line = new StringBuilder();
        boolean overlong = false;
        try {
            for (int next = input.read(); next >= 0; next = input.read()) {
                if (next != '\n') {
                    overlong |= line.length() == COMMAND_CAPACITY;
                    if (!overlong) {
                        line.append((char) next);
                    }
                    continue;
                }
                if (!overlong) {
                    runCommand(line.toString().trim());
                }
                line.setLength(0);
                overlong = false;
            }
        } catch (IOException e) {
            // The host is gone.
        }
        // Without its host no one waits for the stop any longer: the VM must not
        // outlive it in a hook that does not end.
        if (stopRequestedAt == 0) {
            System.exit(0);
        } else {
            Runtime.getRuntime().halt(1);
        }
    }

    void runCommand(String command) {
        if (command.equals("0") && stopRequestedAt == 0) {
            threadsAtStop = new HashSet<>(Thread.getAllStackTraces().keySet());
            stopRequestedAt = System.nanoTime();
            Thread exit = new Thread(() -> System.exit(0), "service stop");
            exit.start();
        } else if (command.equals(REPORT_COMMAND)) {
            sendReport(report());
        }
    }

    /** The threads started since the stop (the shutdown hooks), then every thread with its state and frames. */
    String report() {
        // The host adds the time since the stop request: its own clock ends the worker.
        StringBuilder text = new StringBuilder();
        long since = stopRequestedAt;
        Map<Thread, StackTraceElement[]> threads = Thread.getAllStackTraces();
        text.append("Shutdown hooks still running:");
        boolean any = false;
        for (Thread thread : threads.keySet()) {
            if (since != 0 && !threadsAtStop.contains(thread) && thread != Thread.currentThread()
                    && !thread.getName().equals("service stop")) {
                text.append(any ? ", " : " ").append('"').append(thread.getName()).append('"');
                any = true;
            }
        }
        text.append(any ? "\n" : " none\n");
        text.append("Threads: ").append(threads.size()).append('\n');
        for (Map.Entry<Thread, StackTraceElement[]> entry : threads.entrySet()) {
            Thread thread = entry.getKey();
            text.append('\n').append('"').append(thread.getName()).append('"')
                    .append(thread.isDaemon() ? " daemon" : "").append(" priority ")
                    .append(thread.getPriority()).append(' ').append(thread.getState()).append('\n');
            StackTraceElement[] frames = entry.getValue();
            for (int i = 0; i < frames.length && i < FRAMES_PER_THREAD; i++) {
                text.append("    at ").append(frames[i]).append('\n');
            }
            if (frames.length > FRAMES_PER_THREAD) {
                text.append("    ... ").append(frames.length - FRAMES_PER_THREAD).append(" more\n");
            }
        }
        return text.toString();
    }

    private void sendLine(String verb) {
        write("\n" + MARK + token + " " + verb + "\n");
    }

    /** One write for the whole report, so that no ping comes between its lines. */
    void sendReport(String report) {
        StringBuilder lines = new StringBuilder("\n");
        for (String line : report.split("\n", -1)) {
            if (line.length() > REPORT_LINE_CAPACITY) {
                line = line.substring(0, REPORT_LINE_CAPACITY);
            }
            lines.append(MARK).append(token).append(" report ").append(line).append('\n');
        }
        lines.append(MARK).append(token).append(" report-end\n");
        write(lines.toString());
    }

    private synchronized void write(String text) {
        try {
            out.write(text.getBytes(StandardCharsets.UTF_8));
            out.flush();
        } catch (IOException e) {
            // The host is gone; the stop line's end of input follows.
        }
    }
}
