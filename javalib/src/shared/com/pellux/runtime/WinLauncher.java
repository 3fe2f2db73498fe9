package com.pellux.runtime;

/**
 * Entry class that the native launcher calls once on its JVM thread. It sets
 * up the process the way the launcher's configuration asks (launcher
 * properties, redirected output, the service stop channel) and then runs the
 * application's own {@code main} on the same thread.
 */
public final class WinLauncher {
    public static final String LAUNCHER_ARGUMENT_PROPERTY = "pellux.launcherArgument";
    public static final String SERVICE_NAME_PROPERTY = "pellux.serviceName";
    public static final String SERVICE_MODE_PROPERTY = "pellux.isService";
    public static final String NO_REDIRECT_PROPERTY = "zanthor.noRedir";

    private static volatile SplashSettings splashSettings;

    private WinLauncher() {
    }

    /**
     * Parameters: windowed flag, main class ("/module/class" for a class in a
     * module), standard error file, standard output file, append flag, the
     * launcher's first argument, then the application's arguments. Whatever the
     * application's main throws reaches the launcher unwrapped.
     */
    public static void main(String[] args) throws Throwable {
        LauncherParameters parameters = LauncherParameters.parse(args);
        publishLauncherArgument(parameters.launcherArgument);
        if (!isPropertyTrue(NO_REDIRECT_PROPERTY)) {
            OutputRedirection.redirect(parameters.errorFile, parameters.outputFile,
                    parameters.appendOutput, OutputRedirection.maxSizeProperty(),
                    OutputRedirection.keepProperty());
        }
        if (isPropertyTrue(SERVICE_MODE_PROPERTY)) {
            if (!ServiceChannel.start(System.getProperty(ServiceChannel.CHANNEL_PROPERTY), System.in)) {
                StopRequestWatcher.start(System.in);
            }
        }
        Class<?> mainClass = ApplicationStarter.loadMainClass(parameters.mainClass);
        ApplicationStarter.runMain(mainClass, parameters.applicationArguments);
    }

    /**
     * Called by the launcher after the VM is created when splash texts are
     * configured. A service shows no splash screen; the settings are only kept
     * for the application to read.
     */
    public static void initAwtSplashConfig(boolean configured, boolean textsEnabled,
            String statusText, int statusX, int statusY,
            String statusColour, int statusFontSize, int statusFontWeight,
            String versionText, int versionX, int versionY,
            String versionColour, int versionFontSize, int versionFontWeight) {
        SplashSettings.TextLine status = new SplashSettings.TextLine(statusText, statusX, statusY,
                statusColour, statusFontSize, statusFontWeight);
        SplashSettings.TextLine version = new SplashSettings.TextLine(versionText, versionX,
                versionY, versionColour, versionFontSize, versionFontWeight);
        splashSettings = new SplashSettings(configured, textsEnabled, status, version);
    }

    /** The splash text settings the launcher passed, or null when it passed none. */
    public static SplashSettings getSplashSettings() {
        return splashSettings;
    }

    private static void publishLauncherArgument(String launcherArgument) {
        if (launcherArgument == null) {
            return;
        }
        System.setProperty(LAUNCHER_ARGUMENT_PROPERTY, launcherArgument);
        // The service worker's first argument is the name the service runs under.
        if (isPropertyTrue(SERVICE_MODE_PROPERTY)) {
            System.setProperty(SERVICE_NAME_PROPERTY, launcherArgument);
        }
    }

    private static boolean isPropertyTrue(String name) {
        return "true".equals(System.getProperty(name));
    }
}
