#include "standins/run_process.h"

#include <windows.h>

#include <thread>

#include "standins/standin_files.h"

namespace {

struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

// The child's end is inheritable, ours is not.
bool createPipe(Pipe &pipe, bool childReads) {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
    if (!CreatePipe(&pipe.read, &pipe.write, &attributes, 0)) return false;
    SetHandleInformation(childReads ? pipe.write : pipe.read, HANDLE_FLAG_INHERIT, 0);
    return true;
}

void closeHandle(HANDLE &handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
}

void drain(HANDLE from, std::string *into) {
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(from, chunk, sizeof chunk, &got, nullptr) && got > 0) into->append(chunk, got);
}

}  // namespace

ProcessResult runProcess(const ProcessRequest &request) {
    ProcessResult result;
    Pipe input, output, error;
    if (!createPipe(input, true) || !createPipe(output, false) || !createPipe(error, false)) {
        result.startError = GetLastError();
        return result;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.read;
    startup.hStdOutput = output.write;
    startup.hStdError = error.write;
    std::wstring commandLine = request.commandLine;
    PROCESS_INFORMATION process = {};
    result.started =
        CreateProcessW(request.application.empty() ? nullptr : request.application.c_str(),
                       &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process) != 0;
    result.startError = result.started ? 0 : GetLastError();
    closeHandle(input.read);
    closeHandle(output.write);
    closeHandle(error.write);
    if (result.started) {
        std::thread outputReader(drain, output.read, &result.standardOutput);
        std::thread errorReader(drain, error.read, &result.standardError);
        DWORD written = 0;
        WriteFile(input.write, request.standardInput.data(),
                  static_cast<DWORD>(request.standardInput.size()), &written, nullptr);
        closeHandle(input.write);
        result.finished = WaitForSingleObject(process.hProcess, request.timeoutMs) == WAIT_OBJECT_0;
        if (!result.finished) TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        result.exitCode = exitCode;
        outputReader.join();
        errorReader.join();
        closeHandle(process.hProcess);
        closeHandle(process.hThread);
    }
    closeHandle(input.write);
    closeHandle(output.read);
    closeHandle(error.read);
    return result;
}

std::wstring selfCommandLine(const std::wstring &arguments) {
    return L"\"" + modulePathOf(nullptr) + L"\" " + arguments;
}
