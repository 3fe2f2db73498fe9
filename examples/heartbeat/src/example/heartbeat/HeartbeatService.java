package example.heartbeat;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.time.Instant;
import java.util.Arrays;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * The example service: writes a heartbeat file once a second, prints what it
 * does on standard output, and records its own shutdown in a second file.
 *
 * Arguments: [heartbeat file] [interval in milliseconds] [anything else, echoed]
 */
public final class HeartbeatService {
    private HeartbeatService() {
    }

    public static void main(String[] args) throws IOException {
        Path heartbeat = Paths.get(args.length > 0 ? args[0] : "heartbeat.txt").toAbsolutePath();
        long interval = args.length > 1 ? Long.parseLong(args[1]) : 1000;
        Path stopped = heartbeat.resolveSibling(heartbeat.getFileName() + ".stopped");
        Files.deleteIfExists(stopped);
        if (heartbeat.getParent() != null)
            Files.createDirectories(heartbeat.getParent());

        AtomicInteger beats = new AtomicInteger();
        System.out.println("heartbeat service started with arguments " + Arrays.toString(args));
        System.out.println("service name: " + System.getProperty("pellux.serviceName", "(none)"));
        System.out.println("running on Java " + System.getProperty("java.version") + " ("
                + System.getProperty("os.name") + ")");
        System.out.flush();
        Runtime.getRuntime().addShutdownHook(new Thread(() -> recordShutdown(stopped, beats.get())));

        Thread beater = new Thread(() -> beat(heartbeat, interval, beats), "heartbeat");
        beater.start();
    }

    private static void beat(Path heartbeat, long interval, AtomicInteger beats) {
        try {
            while (true) {
                int beat = beats.incrementAndGet();
                String line = "beat " + beat + " at " + Instant.now() + System.lineSeparator();
                Files.write(heartbeat, line.getBytes(StandardCharsets.UTF_8));
                System.out.print(line);
                System.out.flush();
                Thread.sleep(interval);
            }
        } catch (InterruptedException | IOException e) {
            System.err.println("heartbeat stopped: " + e);
        }
    }

    private static void recordShutdown(Path stopped, int beats) {
        String line = "stopped cleanly after " + beats + " heartbeats at " + Instant.now() + System.lineSeparator();
        try {
            Files.write(stopped, line.getBytes(StandardCharsets.UTF_8));
        } catch (IOException e) {
            System.err.println("could not record the shutdown: " + e);
        }
        System.out.print(line);
        System.out.flush();
    }
}
