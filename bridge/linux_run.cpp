// rand_s is declared only when asked for before the first C library header.
#define _CRT_RAND_S
#include <stdlib.h>

#include "bridge/linux_run.h"

#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <cstdio>

#include "bridge/spawn_plan.h"
#include "bridge/unix_paths.h"
#include "bridge/win_text.h"

// Wine's ntdll starts a Unix program with an exact argument vector; with
// wait set it returns the program's exit code, or a negative NTSTATUS when
// the program could not be started.
typedef LONG(WINAPI *WineUnixSpawn)(char *const argv[], int wait);

// Anonymous pipes do not reach a Linux child (it sees /dev/null), and Wine
// gives no handle for a Unix process, so the streams travel over loopback
// sockets and the exit code comes from the spawn call itself.
const DWORD NONCE_WAIT_MS = 5000;
const DWORD ACCEPT_POLL_MS = 200;
const DWORD OUTPUT_DRAIN_MS = 10000;
const int RELAY_BUFFER_SIZE = 8192;

struct SpawnJob {
    std::vector<std::string> arguments;
    WineUnixSpawn spawn;
    LONG status;
};

struct Relay {
    SOCKET socket;
    HANDLE file;
};

static void reportFailure(const char *what, long code) {
    std::fprintf(stderr, "bridge: %s (%ld)\n", what, code);
    std::fflush(stderr);
}

static DWORD WINAPI spawnAndWait(void *parameter) {
    SpawnJob *job = static_cast<SpawnJob *>(parameter);
    std::vector<char *> argv;
    for (std::string &argument : job->arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    job->status = job->spawn(argv.data(), 1);
    return 0;
}

static std::string makeNonce() {
    std::string nonce;
    char digits[9];
    for (int i = 0; i < 4; i++) {
        unsigned int value = 0;
        if (rand_s(&value) != 0)
            value = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ static_cast<unsigned int>(i);
        std::snprintf(digits, sizeof digits, "%08x", value);
        nonce += digits;
    }
    return nonce;
}

static bool openListener(SOCKET &listener, unsigned short &port) {
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0 || listen(listener, 4) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        closesocket(listener);
        listener = INVALID_SOCKET;
        return false;
    }
    port = ntohs(address.sin_port);
    return true;
}

static bool waitReadable(SOCKET socket, DWORD milliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit = {static_cast<long>(milliseconds / 1000), static_cast<long>((milliseconds % 1000) * 1000)};
    return select(0, &readable, nullptr, nullptr, &limit) == 1;
}

// The first line on a stream must be the nonce: anything else on the
// loopback port is a stranger and is turned away.
static bool peerKnowsNonce(SOCKET stream, const std::string &nonce) {
    std::string line;
    DWORD start = GetTickCount();
    while (line.size() <= nonce.size()) {
        DWORD waited = GetTickCount() - start;
        if (waited >= NONCE_WAIT_MS || !waitReadable(stream, NONCE_WAIT_MS - waited))
            return false;
        char c;
        if (recv(stream, &c, 1, 0) != 1)
            return false;
        if (c == '\n')
            return line == nonce;
        line.push_back(c);
    }
    return false;
}

// Accepts the bridge script's connection; gives up only when the script has
// ended without connecting.
static SOCKET acceptStream(SOCKET listener, const std::string &nonce, HANDLE spawnThread) {
    for (;;) {
        if (!waitReadable(listener, ACCEPT_POLL_MS)) {
            if (WaitForSingleObject(spawnThread, 0) == WAIT_OBJECT_0 && !waitReadable(listener, 0))
                return INVALID_SOCKET;
            continue;
        }
        SOCKET stream = accept(listener, nullptr, nullptr);
        if (stream == INVALID_SOCKET)
            continue;
        if (peerKnowsNonce(stream, nonce))
            return stream;
        closesocket(stream);
    }
}

static bool sendAll(SOCKET stream, const char *data, int length) {
    while (length > 0) {
        int sent = send(stream, data, length, 0);
        if (sent <= 0)
            return false;
        data += sent;
        length -= sent;
    }
    return true;
}

// This process's standard input to the program; its end becomes the
// program's end of input.
static DWORD WINAPI relayInput(void *parameter) {
    Relay *relay = static_cast<Relay *>(parameter);
    char buffer[RELAY_BUFFER_SIZE];
    DWORD count = 0;
    while (relay->file != nullptr && relay->file != INVALID_HANDLE_VALUE &&
           ReadFile(relay->file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        if (!sendAll(relay->socket, buffer, static_cast<int>(count)))
            break;
    }
    shutdown(relay->socket, SD_SEND);
    return 0;
}

// The program's output to ours. A failing write does not stop the draining,
// so the program never blocks on a full socket.
static DWORD WINAPI relayOutput(void *parameter) {
    Relay *relay = static_cast<Relay *>(parameter);
    char buffer[RELAY_BUFFER_SIZE];
    bool writable = relay->file != nullptr && relay->file != INVALID_HANDLE_VALUE;
    for (;;) {
        int received = recv(relay->socket, buffer, sizeof buffer, 0);
        if (received <= 0)
            break;
        DWORD written = 0;
        for (int offset = 0; writable && offset < received; offset += static_cast<int>(written)) {
            if (!WriteFile(relay->file, buffer + offset, static_cast<DWORD>(received - offset), &written,
                           nullptr) ||
                written == 0)
                writable = false;
        }
    }
    return 0;
}

static bool startWinsock() {
    static bool started = false;
    WSADATA data;
    if (!started && WSAStartup(MAKEWORD(2, 2), &data) == 0)
        started = true;
    return started;
}

// The Java options variables as this Windows process sees them: the Linux
// environment Wine started with must not add its own.
static std::vector<std::string> javaOptionsEnvironment() {
    static const wchar_t *const names[] = {L"_JAVA_OPTIONS", L"JAVA_TOOL_OPTIONS", L"JDK_JAVA_OPTIONS"};
    std::vector<std::string> environment;
    for (const wchar_t *name : names) {
        std::string entry = utf8FromWide(name);
        DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
        if (size > 0) {
            std::wstring value(size, L'\0');
            DWORD length = GetEnvironmentVariableW(name, &value[0], size);
            if (length < size) {
                value.resize(length);
                entry += "=" + utf8FromWide(value);
            }
        }
        environment.push_back(entry);
    }
    return environment;
}

static std::string currentDirectoryAsUnix() {
    wchar_t directory[MAX_PATH * 4];
    DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, directory);
    if (length == 0 || length >= MAX_PATH * 4)
        return std::string();
    return toUnixPath(utf8FromWide(directory));
}

static void closeSockets(SOCKET *sockets) {
    for (int i = 0; i < STREAM_COUNT; i++) {
        if (sockets[i] != INVALID_SOCKET)
            closesocket(sockets[i]);
        sockets[i] = INVALID_SOCKET;
    }
}

// Starts the relays on the accepted streams; returns the output relays' threads.
static int startRelays(Relay *relays, HANDLE *outputThreads) {
    int started = 0;
    HANDLE input = CreateThread(nullptr, 0, relayInput, &relays[STREAM_INPUT], 0, nullptr);
    if (input != nullptr)
        CloseHandle(input);  // it may stay blocked on our input until the process ends
    for (int stream = STREAM_OUTPUT; stream < STREAM_COUNT; stream++) {
        HANDLE thread = CreateThread(nullptr, 0, relayOutput, &relays[stream], 0, nullptr);
        if (thread != nullptr)
            outputThreads[started++] = thread;
    }
    return started;
}

static bool openListeners(SOCKET *listeners, unsigned short *ports) {
    for (int stream = 0; stream < STREAM_COUNT; stream++) {
        if (!openListener(listeners[stream], ports[stream])) {
            reportFailure("cannot open a loopback socket", WSAGetLastError());
            closeSockets(listeners);
            return false;
        }
    }
    return true;
}

// Accepts the three streams in StreamIndex order and closes the listeners.
// Returns false (nothing left open) when the script ended without them.
static bool acceptStreams(SOCKET *listeners, const std::string &nonce, HANDLE spawnThread, SOCKET *streams) {
    bool connected = true;
    for (int stream = 0; stream < STREAM_COUNT && connected; stream++) {
        streams[stream] = acceptStream(listeners[stream], nonce, spawnThread);
        connected = streams[stream] != INVALID_SOCKET;
    }
    closeSockets(listeners);
    if (!connected)
        closeSockets(streams);
    return connected;
}

// Children of the program may hold the streams open; they are not waited for
// beyond the drain limit. The sockets are closed once their relays are done.
static void finishOutputRelays(HANDLE *outputThreads, int outputCount, SOCKET *streams) {
    bool drained = outputCount == 0 ||
                   WaitForMultipleObjects(static_cast<DWORD>(outputCount), outputThreads, TRUE,
                                          OUTPUT_DRAIN_MS) == WAIT_OBJECT_0;
    for (int i = 0; i < outputCount; i++)
        CloseHandle(outputThreads[i]);
    if (drained) {
        closesocket(streams[STREAM_OUTPUT]);
        closesocket(streams[STREAM_ERROR]);
    }
}

int runRelayedLinuxCommand(const std::vector<std::string> &command) {
    WineUnixSpawn spawn = reinterpret_cast<WineUnixSpawn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (spawn == nullptr) {
        reportFailure("not running under Wine: __wine_unix_spawnvp is missing", 0);
        return 1;
    }
    if (!startWinsock()) {
        reportFailure("WSAStartup failed", WSAGetLastError());
        return 1;
    }
    SpawnPlan plan;
    plan.nonce = makeNonce();
    SOCKET listeners[STREAM_COUNT] = {INVALID_SOCKET, INVALID_SOCKET, INVALID_SOCKET};
    if (!openListeners(listeners, plan.ports))
        return 1;
    plan.workingDirectory = currentDirectoryAsUnix();
    plan.command = command;
    plan.environment = javaOptionsEnvironment();
    plan.driveLinks = usedDriveLinks();

    SpawnJob *job = new SpawnJob{buildSpawnArguments(plan), spawn, 0};
    HANDLE spawnThread = CreateThread(nullptr, 0, spawnAndWait, job, 0, nullptr);
    if (spawnThread == nullptr) {
        reportFailure("cannot create the spawn thread", static_cast<long>(GetLastError()));
        delete job;
        closeSockets(listeners);
        return 1;
    }
    SOCKET streams[STREAM_COUNT] = {INVALID_SOCKET, INVALID_SOCKET, INVALID_SOCKET};
    bool connected = acceptStreams(listeners, plan.nonce, spawnThread, streams);
    HANDLE outputThreads[STREAM_COUNT] = {};
    int outputCount = 0;
    if (connected) {
        // Owned by the relay threads; the input relay may outlive this call.
        Relay *relays = new Relay[STREAM_COUNT]{{streams[STREAM_INPUT], GetStdHandle(STD_INPUT_HANDLE)},
                                                {streams[STREAM_OUTPUT], GetStdHandle(STD_OUTPUT_HANDLE)},
                                                {streams[STREAM_ERROR], GetStdHandle(STD_ERROR_HANDLE)}};
        outputCount = startRelays(relays, outputThreads);
    }
    // The program's whole life: for the JVM, the life of the application.
    WaitForSingleObject(spawnThread, INFINITE);
    CloseHandle(spawnThread);
    if (connected)
        finishOutputRelays(outputThreads, outputCount, streams);
    LONG status = job->status;
    delete job;
    if (status < 0) {
        reportFailure("cannot start /bin/bash", status);
        return 1;
    }
    if (!connected)
        reportFailure("the Linux side ended before its streams were connected; exit code", status);
    return static_cast<int>(status);
}
