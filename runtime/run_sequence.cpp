#include "runtime/run_sequence.h"

#include "runtime/fatal.h"
#include "runtime/log.h"

// The JVM stage arrives with the runtime search; until then a run ends clearly.
bool runSequence(StringList &arguments, bool worker) {
    logMessage(L"run sequence (worker %d) with %d arguments", worker ? 1 : 0, static_cast<int>(arguments.size()));
    for (size_t i = 0; i < arguments.size(); i++)
        logMessage(L"argument %d: %s", static_cast<int>(i), arguments[i].c_str());
    fatalText(L"This launcher cannot start Java yet.");
}
