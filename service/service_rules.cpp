#include "service/service_rules.h"

#include "common/text.h"

const wchar_t workerMarker[] = L"__zno_restart";

// The worker splits its command line at spaces and tabs, drops an empty token
// that is not quoted, and reads a quote right after a closing quote as a
// literal one: so every argument arrives whole, and one with a quote in it
// cannot swallow the arguments after it (the worker marker among them).
std::wstring quoteArgument(const std::wstring &argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    for (wchar_t c : argument) {
        quoted += c;
        if (c == L'"')
            quoted += L'"';
    }
    return quoted + L"\"";
}

bool buildWorkerCommandLine(const StringList &hostTokens, const wchar_t *serviceName,
                            const StringList &startArguments, std::wstring &out, size_t capacity) {
    std::wstring line = quoteArgument(hostTokens.empty() ? std::wstring() : hostTokens[0]);
    line += L" " + quoteArgument(serviceName);
    for (size_t i = 1; i < hostTokens.size(); i++)
        line += L" " + quoteArgument(hostTokens[i]);
    for (const std::wstring &argument : startArguments)
        line += L" " + quoteArgument(argument);
    line += L" ";
    line += workerMarker;
    if (line.size() >= capacity)
        return false;
    out = line;
    return true;
}

std::wstring buildDependencyList(const std::wstring &record) {
    std::wstring list;
    size_t pos = 0;
    while (pos < record.size()) {
        std::wstring name = nextToken(record, pos, L',');
        if (name.empty())
            continue;
        list += name;
        list += L'\0';
    }
    if (!list.empty())
        list += L'\0';
    return list;
}

void beginStopWait(StopWait &wait, uint32_t checkpoint, uint32_t now) {
    wait.checkpoint = checkpoint;
    wait.sinceTick = now;
}

bool keepWaitingForStop(StopWait &wait, uint32_t state, uint32_t checkpoint, uint32_t waitHint, uint32_t now) {
    const uint32_t stopPending = 3;
    if (state != stopPending)
        return false;
    if (checkpoint > wait.checkpoint) {
        beginStopWait(wait, checkpoint, now);
        return true;
    }
    return now - wait.sinceTick <= waitHint;
}

const char *startTypeLine(uint32_t startType, bool delayed) {
    const uint32_t kAutoStart = 2;  // SERVICE_AUTO_START
    if (startType != kAutoStart)
        return nullptr;
    return delayed ? "Auto-start (delayed)" : "Auto-start";
}
