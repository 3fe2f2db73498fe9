package com.pellux.service;

import com.pellux.runtime.ServiceChannel;

/**
 * What an application run as a Windows service tells its service. Both calls
 * return at once and do nothing when the application does not run as a
 * service, or its service does not wait for them, so they may stay in code
 * that also runs elsewhere.
 */
public final class ServiceState {
    private ServiceState() {
    }

    /**
     * The application can serve: a service packaged with
     * {@code [service.ready] mode = "api"} reports it running from now on.
     */
    public static void ready() {
        ServiceChannel.send(ServiceChannel.READY);
    }

    /**
     * The application promises its own liveness: once called, a service with a
     * watchdog ({@code [service.watchdog] timeout}) also counts the time since
     * the last call, and ends the application when it grows past the timeout.
     */
    public static void alive() {
        ServiceChannel.send(ServiceChannel.ALIVE);
    }
}
