#include "jvm/launch_jvm.h"

#include <windows.h>

#include "common/records.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/assemble_vm_options.h"
#include "jvm/launch_context.h"
#include "jvm/launcher_properties.h"
#include "jvm/memory_size.h"
#include "jvm/process_environment.h"
#include "paths/path_utils.h"

namespace {

LauncherPropertyValues currentPropertyValues(const Settings &settings, const LaunchContext &context) {
    LauncherPropertyValues values;
    values.semaphoreName = context.semaphoreName;
    values.unextractedOffset = context.unextractedOffset;
    values.zanthorFlavour = context.flavour == 'i';
    values.serviceMode = context.role.serviceMode;
    values.executablePath = getExecutablePathA();
    values.tempDir = context.places.tempDir.path;
    values.path = environmentValue("PATH");
    environmentValue("MANPATH", nullptr, &values.manpathDefined);
    values.consoleCodepage = GetConsoleOutputCP();
    values.outputMaxSize = settings.byteCount(record::kOutputMaxSize);
    values.outputKeep = settings.integer(record::kOutputKeep);
    if (values.serviceMode)
        values.serviceChannel = environmentValue(kServiceChannelVariable);
    values.outputRefusesLinks = settings.flag(record::kSafeOutputFiles);
    return values;
}

}  // namespace

char configuredFlavour(const Settings &settings) {
    char flavour[2];
    settings.text(record::kLauncherFlavour, flavour, sizeof flavour);
    return flavour[0];
}

std::vector<std::string> currentLauncherProperties(const Settings &settings, const LaunchContext &context) {
    return buildLauncherProperties(currentPropertyValues(settings, context));
}

bool launchJvm(const Settings &settings, LaunchContext &context, const LoadedJvm &jvm, const StringList &arguments) {
    logMessage("launching program");
    std::vector<std::string> properties = buildLauncherProperties(currentPropertyValues(settings, context));
    // The JVM thread reads it for the whole life of the VM, which ends before this returns.
    JvmLaunchRequest launchRequest;
    launchRequest.settings = &settings;
    launchRequest.context = &context;
    launchRequest.createJavaVM = jvm.createJavaVM;
    launchRequest.arguments = arguments;
    assembleVmOptions(settings, context, properties, launchRequest.arguments, launchRequest.initArgs);
    uint32_t stackSize = chooseStackSize(context.vmOptions);
    logMessage("used stack size %d", static_cast<int>(stackSize));
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
