package probe;

import com.pellux.service.ServiceState;
import java.io.IOException;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;

/**
 * A service application whose start arguments choose what it does:
 *   listen PORT DELAY_MS  accepts connections on PORT after the delay
 *   ready DELAY_MS        calls ServiceState.ready() after the delay
 *   hang                  promises its liveness once, then blocks for good
 *   slow-hook             has a shutdown hook that outlasts every stop budget
 * and then runs until it is stopped.
 */
public final class ReadinessProbe {
    private ReadinessProbe() {
    }

    public static void main(String[] args) throws Exception {
        for (int i = 0; i < args.length; i++) {
            switch (args[i]) {
                case "listen":
                    listenLater(Integer.parseInt(args[i + 1]), Long.parseLong(args[i + 2]));
                    break;
                case "ready":
                    Thread.sleep(Long.parseLong(args[i + 1]));
                    ServiceState.ready();
                    break;
                case "slow-hook":
                    Runtime.getRuntime().addShutdownHook(new Thread(ReadinessProbe::hookSleepsPastTheBudget,
                            "slow hook"));
                    break;
                case "hang":
                    ServiceState.alive();
                    blockedInProbe();
                    break;
                default:
                    break;
            }
        }
        while (true) {
            Thread.sleep(1000);
        }
    }

    private static void listenLater(int port, long delayMs) {
        Thread listener = new Thread(() -> {
            try {
                Thread.sleep(delayMs);
                try (ServerSocket server = new ServerSocket(port, 50, InetAddress.getLoopbackAddress())) {
                    System.out.println("listening on " + port);
                    System.out.flush();
                    while (true) {
                        Socket client = server.accept();
                        client.close();
                    }
                }
            } catch (IOException | InterruptedException e) {
                System.err.println("listener ended: " + e);
            }
        }, "listener");
        listener.setDaemon(true);
        listener.start();
    }

    private static void blockedInProbe() throws InterruptedException {
        Object never = new Object();
        synchronized (never) {
            never.wait();
        }
    }

    private static void hookSleepsPastTheBudget() {
        try {
            Thread.sleep(600_000);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }
}
