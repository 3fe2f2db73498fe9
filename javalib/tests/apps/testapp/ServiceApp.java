package testapp;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * Runs like a service: a non-daemon thread keeps the VM alive after main
 * returns; a shutdown hook writes "hook ran" into the file named by args[0].
 */
public class ServiceApp {
    public static void main(String[] args) {
        final String marker = args[0];
        Runtime.getRuntime().addShutdownHook(new Thread(() -> {
            try {
                Files.write(Paths.get(marker), "hook ran".getBytes(StandardCharsets.UTF_8));
            } catch (IOException e) {
                e.printStackTrace();
            }
        }));
        Thread worker = new Thread(() -> {
            try {
                Thread.sleep(60_000);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        });
        worker.start();
        System.out.println("serviceName=" + System.getProperty("pellux.serviceName"));
        System.out.println("ready");
    }
}
