/**
 * Runtime library of the service launcher, zanthor flavour: its entry class,
 * the natives of the helper library and the launch code it shares with the
 * pellux flavour.
 */
module com.zanthor.runtime {
    exports com.pellux.runtime;
    exports com.pellux.service;
    exports com.zanthor.runtime.launcher;
    exports com.zanthor.runtime.installer.platform.win32;
}
