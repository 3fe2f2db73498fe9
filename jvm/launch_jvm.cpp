#include "jvm/launch_jvm.h"

#include <windows.h>

#include "common/records.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "config/embedded_files.h"
#include "config/process_role.h"
#include "diagnostics/log.h"
#include "instance/single_instance.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/assemble_vm_options.h"
#include "jvm/launcher_properties.h"
#include "jvm/memory_size.h"
#include "jvm/process_environment.h"
#include "paths/path_utils.h"
#include "paths/temp_dirs.h"

namespace {

// The JVM thread reads it for the whole life of the VM.
JvmLaunchRequest launchRequest;

LauncherPropertyValues currentPropertyValues(const Settings &settings) {
    LauncherPropertyValues values;
    values.semaphoreName = semaphoreName;
    values.unextractedOffset = unextractedOffset;
    values.zanthorFlavour = launcherFlavour == 'i';
    values.serviceMode = processRole().serviceMode;
    values.executablePath = getExecutablePathA();
    values.tempDir = launcherTempDir;
    values.path = environmentValue("PATH");
    environmentValue("MANPATH", nullptr, &values.manpathDefined);
    values.consoleCodepage = GetConsoleOutputCP();
    values.outputMaxSize = settings.byteCount(record::kOutputMaxSize);
    values.outputKeep = settings.integer(record::kOutputKeep);
    return values;
}

}  // namespace

std::vector<std::string> currentLauncherProperties(const Settings &settings) {
    return buildLauncherProperties(currentPropertyValues(settings));
}

bool launchJvm(const Settings &settings, const LoadedJvm &jvm, const StringList &arguments) {
    logMessage(L"launching program");
    std::vector<std::string> properties = buildLauncherProperties(currentPropertyValues(settings));
    launchRequest.settings = &settings;
    launchRequest.createJavaVM = jvm.createJavaVM;
    launchRequest.arguments = arguments;
    assembleVmOptions(settings, properties, launchRequest.arguments, launchRequest.initArgs);
    uint32_t stackSize = chooseStackSize(vmOptionList);
    logMessage(L"used stack size %d", static_cast<int>(stackSize));
    // The main thread's stack was fixed when the executable was linked; only a
    // thread of the VM's own can honour "-Xss".
    UniqueHandle thread(
        CreateThread(nullptr, stackSize, jvmThreadMain, &launchRequest, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread)
        return createJvmAndRunMain(launchRequest);
    WaitForSingleObject(thread.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeThread(thread.get(), &exitCode);
    return exitCode != 0;
}
