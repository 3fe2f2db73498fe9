package bridgeprobe;

import java.io.BufferedReader;
import java.io.File;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Stands in for the launcher's entry class behind the bridge. Its parameters
 * follow the launcher's layout: windowed flag, mode (where the launcher puts
 * the application class), standard-error file, standard-output file, flag,
 * then the arguments of the mode.
 */
public final class BridgeProbe {
    public static void main(String[] args) throws Exception {
        String mode = args.length > 1 ? args[1] : "echo";
        switch (mode) {
            case "echo":
                echo(args);
                break;
            case "stop-line":
                readUntilStopLine();
                break;
            case "end-of-input":
                readToEnd();
                break;
            case "exit":
                System.out.println("exiting with " + args[5]);
                System.exit(Integer.parseInt(args[5]));
                break;
            default:
                System.err.println("unknown mode " + mode);
                System.exit(2);
        }
    }

    private static void echo(String[] args) throws Exception {
        for (int i = 0; i < args.length; i++) {
            System.out.println("arg " + i + ": [" + args[i] + "]");
        }
        System.out.println("property bridge.test: " + System.getProperty("bridge.test"));
        System.out.println("property bridge.option: " + System.getProperty("bridge.option"));
        String tempDir = System.getProperty("pellux.tempDir", "");
        System.out.println("temp dir is a Unix directory: " + (tempDir.startsWith("/") && new File(tempDir).isDirectory()));
        String libraryPath = System.getProperty("java.library.path", "");
        System.out.println("library path holds Windows entries: " + libraryPath.contains("\\"));
        String classPath = System.getProperty("java.class.path", "");
        System.out.println("class path is Unix: " + (classPath.startsWith("/") && !classPath.contains("dosdevices")));
        String moduleName = System.getProperty("pellux.moduleName", "");
        System.out.println("module name is Unix: " + moduleName.startsWith("/"));
        System.err.println("probe on stderr");
        for (int i = 2; i <= 3 && i < args.length; i++) {
            if (!args[i].isEmpty()) {
                Files.write(Path.of(args[i]), ("written to parameter " + (i + 1)).getBytes(StandardCharsets.UTF_8));
            }
        }
    }

    private static void readUntilStopLine() throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        String line;
        while ((line = in.readLine()) != null) {
            System.out.println("line: " + line);
            if (line.equals("0")) {
                System.out.println("stop line received");
                System.exit(0);
            }
        }
        System.out.println("end of input before the stop line");
        System.exit(4);
    }

    private static void readToEnd() throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        int lines = 0;
        while (in.readLine() != null) {
            lines++;
        }
        System.out.println("end of input after " + lines + " lines");
    }
}
