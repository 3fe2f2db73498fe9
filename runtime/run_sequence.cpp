#include "runtime/run_sequence.h"

#include <windows.h>

#include "common/records.h"
#include "config/embedded_files.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "instance/single_instance.h"
#include "jvm/launch_context.h"
#include "jvm/launch_jvm.h"
#include "jvm/load_dll.h"
#include "paths/temp_dirs.h"
#include "runtime/application_environment.h"
#include "runtime/console_events.h"
#include "runtime/native_library_path.h"
#include "runtime/worker_event_log.h"

bool runSequence(const Settings &settings, StringList &arguments, const ProcessRole &role) {
    bool worker = role.serviceWorker;
    logMessage("run sequence (worker %d) with %d arguments", worker ? 1 : 0, static_cast<int>(arguments.size()));
    for (size_t i = 0; i < arguments.size(); i++)
        logMessage("argument %d: %s", static_cast<int>(i), arguments[i].c_str());
    LaunchContext context;
    context.role = role;
    context.flavour = configuredFlavour(settings);
    FatalCleanUpScope tempDirCleanUp(removeLauncherTempDirAtFatalExit, &context.places.tempDir);
    if (extractEmbeddedFiles(settings, worker, context.places.tempDir, &context.unextractedOffset) != 0)
        fatalMessage(message::kInternalError, "16");
    prependNativeLibraryPath(settings, context.places);
    applyApplicationEnvironment(settings, context.places);
    if (worker) {
        // The service host stops the worker through its standard input; console
        // events must not end it first.
        logMessage("registering ConsoleCtrlHandler");
        SetConsoleCtrlHandler(consoleControlHandler, TRUE);
    }
    InstanceSemaphore instance = checkSingleInstance(settings, role.serviceMode && worker);
    context.semaphoreName = instance.name;
    // The service name the host passes first; a worker of an unnamed service writes no entries.
    bool eventLog = worker && settings.flag(record::kEventLog) && !arguments.empty();
    WorkerEventLog events(eventLog, eventLog ? arguments.front().c_str() : L"");
    RuntimeSearchWatch watch;
    watch.observer = events.observer();
    LoadedJvm jvm;
    bool loaded = LoadDLL(settings, context.places, watch, true, jvm);
    if (loaded)
        events.started(jvm.search);
    if (loaded && launchJvm(settings, context, jvm, arguments)) {
        // The normal end of a worker or "/run"; a fatal one removes it through fatalExit.
        removeLauncherTempDir(context.places.tempDir);
        return true;
    }
    fatalExit(1);
}
