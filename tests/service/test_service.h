// Services that tests register with the real Service Control Manager: unique
// names, bounded waits, and removal even when a test fails.
#ifndef PELLUX_TESTS_SERVICE_TEST_SERVICE_H
#define PELLUX_TESTS_SERVICE_TEST_SERVICE_H

#include <windows.h>

#include <string>
#include <vector>

// Every test service's name begins with this; the blank in it takes every
// path of the quoting rules.
const wchar_t kTestServicePrefix[] = L"PelluxSvcTest ";
const DWORD kServiceTimeoutMs = 20000;

// A name no other service of this or an earlier run has.
std::wstring uniqueServiceName();
// Removes what a crashed earlier run left registered.
void deleteLeftoverServices();

// "<this program>" --host <directory> <flags>: this program as a service host.
std::wstring hostBinaryPath(const std::wstring &program, const std::wstring &directory,
                            const std::wstring &flags = L"");
std::wstring thisProgram();

// A service under a unique name, stopped and deleted when the object goes.
class TestService {
public:
    // Registers binaryPath (demand start, own process).
    explicit TestService(const std::wstring &binaryPath);
    // Only takes a name, for a registration that the test has the launcher make.
    TestService();
    ~TestService();
    TestService(const TestService &) = delete;
    TestService &operator=(const TestService &) = delete;

    const std::wstring &name() const { return name_; }
    bool registered() const { return registered_; }
    bool start(const std::vector<std::wstring> &arguments = {});
    // ControlService; on failure GetLastError tells why.
    bool control(DWORD code, SERVICE_STATUS &status);
    // The last status; dwCurrentState is 0 when the query failed.
    SERVICE_STATUS_PROCESS status() const;
    bool waitForState(DWORD state, DWORD timeoutMs = kServiceTimeoutMs) const;

private:
    std::wstring name_;
    bool registered_ = false;
};

bool processAlive(DWORD pid);
// Polls until the process has ended; true once it has.
bool waitForProcessEnd(DWORD pid, DWORD timeoutMs);
// The processes whose parent is the given one.
std::vector<DWORD> childProcesses(DWORD parent);

// Polls for a file; true once it exists.
bool waitForFile(const std::wstring &path, DWORD timeoutMs = kServiceTimeoutMs);

// Where services log: they share the temporary directory of the prefix's user.
std::wstring windowsTempDirectory();

// The diagnostic logs "zno_nlog_*.log" of a directory; removeLogs deletes them.
std::vector<std::wstring> readLogs(const std::wstring &directory);
void removeLogs(const std::wstring &directory);
// The first log of the directory that holds the text, or empty.
std::wstring logContaining(const std::wstring &directory, const std::wstring &text);

// True when the lines appear in the text in this order.
bool inOrder(const std::wstring &text, const std::vector<std::wstring> &lines);

#endif
