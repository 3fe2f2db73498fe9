// The service front end's decisions that need no Win32: the worker's command
// line, the dependency list of a registration, and when to give up waiting for
// a stop.
#ifndef PELLUX_SERVICE_SERVICE_RULES_H
#define PELLUX_SERVICE_SERVICE_RULES_H

#include <cstdint>
#include <string>

#include "common/string_list.h"

// The last argument of a worker's command line.
extern const wchar_t workerMarker[];

// Room for the worker's command line, terminator included.
const size_t kWorkerCommandLineCapacity = 12000;

// The argument as one token that splitCommandLine gives back unchanged: in
// double quotes, with quotes inside doubled, when it holds a blank or a quote
// or is empty; else as it is.
std::wstring quoteArgument(const std::wstring &argument);

// The worker's command line: the host's program path, the service name, the
// host's further tokens, the start arguments, then the worker marker. Returns
// false, leaving out untouched, when it does not fit capacity.
bool buildWorkerCommandLine(const StringList &hostTokens, const wchar_t *serviceName,
                            const StringList &startArguments, std::wstring &out, size_t capacity);

// Record 149 ("a,b,,c") as the double-NUL-terminated list CreateServiceW
// takes; empty names are skipped. Empty when there is no name at all.
std::wstring buildDependencyList(const std::wstring &record);

// The line /status prints for a start type ("Auto-start"), null for none;
// delayed is asked only where the block carries the delayed-start record.
const char *startTypeLine(uint32_t startType, bool delayed);

// The stop wait: it goes on while the service is stop-pending and either its
// checkpoint advances or no more than the wait hint has passed since the last
// advance. Tick counts wrap at 32 bits.
struct StopWait {
    uint32_t checkpoint = 0;
    uint32_t sinceTick = 0;
};
void beginStopWait(StopWait &wait, uint32_t checkpoint, uint32_t now);
bool keepWaitingForStop(StopWait &wait, uint32_t state, uint32_t checkpoint, uint32_t waitHint, uint32_t now);

#endif
