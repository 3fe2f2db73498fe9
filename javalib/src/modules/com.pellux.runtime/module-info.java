/** Runtime library of the service launcher: the entry class the launcher calls. */
module com.pellux.runtime {
    exports com.pellux.runtime;
    exports com.pellux.service;
}
