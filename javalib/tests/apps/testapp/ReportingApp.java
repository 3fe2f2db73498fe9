package testapp;

/** Prints what it received, one line per fact, on standard output and a line on standard error. */
public class ReportingApp {
    public static void main(String[] args) {
        System.out.println("args=" + String.join("|", args));
        System.out.println("launcherArgument=" + System.getProperty("pellux.launcherArgument"));
        System.out.println("serviceName=" + System.getProperty("pellux.serviceName"));
        System.err.println("error line");
    }
}
