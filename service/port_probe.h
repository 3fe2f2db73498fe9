// Whether an application accepts TCP connections yet: the readiness check of
// mode "port". Winsock is loaded only by services that use it.
#ifndef PELLUX_SERVICE_PORT_PROBE_H
#define PELLUX_SERVICE_PORT_PROBE_H

#include <windows.h>

#include <cstdint>
#include <string>

class PortProbe {
public:
    // host: a name or address; empty: 127.0.0.1.
    PortProbe(const std::string &host, uint16_t port);
    ~PortProbe();
    PortProbe(const PortProbe &) = delete;
    PortProbe &operator=(const PortProbe &) = delete;
    // True when a connection succeeded within waitMs; logs why Winsock is missing once.
    bool connects(uint32_t waitMs);

private:
    struct Calls;
    bool load();

    std::string host_;
    std::string port_;
    HMODULE winsock_ = nullptr;
    Calls *calls_ = nullptr;
    bool started_ = false;
    bool failed_ = false;
};

#endif
