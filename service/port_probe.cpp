#include <winsock2.h>
#include <ws2tcpip.h>

#include "service/port_probe.h"

#include "common/format.h"
#include "diagnostics/log.h"

struct PortProbe::Calls {
    decltype(&WSAStartup) startup;
    decltype(&WSACleanup) cleanup;
    decltype(&getaddrinfo) resolve;
    decltype(&freeaddrinfo) freeResolved;
    decltype(&socket) open;
    decltype(&ioctlsocket) control;
    decltype(&connect) connectTo;
    decltype(&select) wait;
    decltype(&getsockopt) option;
    decltype(&closesocket) close;
};

namespace {

template <typename Call>
bool find(HMODULE module, const char *name, Call &call) {
    call = reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    return call != nullptr;
}

}  // namespace

PortProbe::PortProbe(const std::string &host, uint16_t port)
    : host_(host.empty() ? "127.0.0.1" : host), port_(formatString("%u", static_cast<unsigned>(port))) {}

PortProbe::~PortProbe() {
    if (started_)
        calls_->cleanup();
    delete calls_;
    if (winsock_)
        FreeLibrary(winsock_);
}

bool PortProbe::load() {
    if (calls_ || failed_)
        return calls_ != nullptr;
    winsock_ = LoadLibraryW(L"ws2_32.dll");
    Calls calls = {};
    bool found = winsock_ && find(winsock_, "WSAStartup", calls.startup) &&
                 find(winsock_, "WSACleanup", calls.cleanup) && find(winsock_, "getaddrinfo", calls.resolve) &&
                 find(winsock_, "freeaddrinfo", calls.freeResolved) && find(winsock_, "socket", calls.open) &&
                 find(winsock_, "ioctlsocket", calls.control) && find(winsock_, "connect", calls.connectTo) &&
                 find(winsock_, "select", calls.wait) && find(winsock_, "getsockopt", calls.option) &&
                 find(winsock_, "closesocket", calls.close);
    WSADATA data;
    if (!found || calls.startup(MAKEWORD(2, 2), &data) != 0) {
        logError("readiness: Winsock cannot be used (%d); the port is never seen open",
                 static_cast<int>(GetLastError()));
        failed_ = true;
        return false;
    }
    started_ = true;
    calls_ = new Calls(calls);
    return true;
}

bool PortProbe::connects(uint32_t waitMs) {
    if (!load())
        return false;
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (calls_->resolve(host_.c_str(), port_.c_str(), &hints, &found) != 0 || !found)
        return false;
    SOCKET probe = calls_->open(found->ai_family, found->ai_socktype, found->ai_protocol);
    bool connected = false;
    if (probe != INVALID_SOCKET) {
        u_long nonBlocking = 1;
        calls_->control(probe, FIONBIO, &nonBlocking);
        if (calls_->connectTo(probe, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0) {
            connected = true;
        } else {
            // FD_ISSET would import a function of its own: the sets' counts tell the same.
            fd_set writable = {1, {probe}}, failed = {1, {probe}};
            timeval wait = {static_cast<long>(waitMs / 1000), static_cast<long>(waitMs % 1000) * 1000};
            int error = 0, size = sizeof error;
            connected = calls_->wait(0, nullptr, &writable, &failed, &wait) > 0 && writable.fd_count == 1 &&
                        calls_->option(probe, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) == 0 &&
                        error == 0;
        }
        calls_->close(probe);
    }
    calls_->freeResolved(found);
    return connected;
}
