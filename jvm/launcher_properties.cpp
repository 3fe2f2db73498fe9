#include "jvm/launcher_properties.h"

#include "common/format.h"
#include "common/text.h"
#include "diagnostics/log.h"

namespace {

// Formats into a buffer of the given capacity, as the VM option strings are
// kept; what does not fit is left out and the cut is logged.
std::string boundedProperty(size_t capacity, const char *format, const char *name, const std::string &value) {
    std::vector<char> buffer(capacity);
    size_t needed = formatText(buffer.data(), capacity, format, name, value.c_str());
    if (needed >= capacity)
        logError("launcher property %S cut at %d of %d bytes", name, static_cast<int>(capacity - 1),
                 static_cast<int>(needed));
    return buffer.data();
}

std::string flagProperty(const char *name) { return formatString("-D%s=true", name); }

// The library path keeps only the folders that fit whole.
std::string libraryPathProperty(const std::string &path) {
    const char prefix[] = "-Djava.library.path=";
    std::string property = prefix + cutListToLength(path, kLibraryPathPropertyCapacity - sizeof prefix);
    if (property.size() < sizeof prefix - 1 + path.size())
        logError("launcher property %S cut at %d of %d bytes", "java.library.path", static_cast<int>(property.size()),
                 static_cast<int>(sizeof prefix - 1 + path.size()));
    return property;
}

}  // namespace

const char kServiceChannelVariable[] = "PELLUX_SERVICE_CHANNEL";

std::vector<std::string> buildLauncherProperties(const LauncherPropertyValues &values) {
    std::vector<std::string> properties;
    if (!values.semaphoreName.empty())
        properties.push_back(
            boundedProperty(kTextCapacity, "-D%s=%s", "pellux.semaphoreName", values.semaphoreName));
    if (values.zanthorFlavour)
        properties.push_back(flagProperty("pellux.isZanthor"));
    if (values.serviceMode)
        properties.push_back(flagProperty("pellux.isService"));
    properties.push_back(
        boundedProperty(kTextCapacity, "-D%s=%s", "pellux.moduleName", values.executablePath));
    properties.push_back(
        boundedProperty(kTextCapacity, "-D%s=%s", "sun.java.command", values.executablePath));
    properties.push_back(boundedProperty(kTextCapacity, "-D%s=%s", "pellux.tempDir", values.tempDir));
    properties.push_back(formatString("-D%s=%d", "pellux.unextractedPosition", static_cast<int>(values.unextractedOffset)));
    properties.push_back(libraryPathProperty(values.path));
    if (!values.manpathDefined)
        properties.push_back(
            formatString("-D%s=cp%d", "pellux.consoleCodepage", static_cast<int>(values.consoleCodepage)));
    if (values.outputMaxSize > 0) {
        properties.push_back(formatString("-Dpellux.output.maxSize=%I64u", static_cast<unsigned long long>(values.outputMaxSize)));
        properties.push_back(formatString("-Dpellux.output.keep=%d", values.outputKeep < 0 ? 0 : static_cast<int>(values.outputKeep)));
    }
    if (values.serviceMode && !values.serviceChannel.empty())
        properties.push_back(boundedProperty(kTextCapacity, "-D%s=%s", "pellux.serviceChannel", values.serviceChannel));
    if (values.outputRefusesLinks)
        properties.push_back("-Dpellux.output.noLinks=true");
    return properties;
}

const char *launcherClassName(char flavour) {
    return flavour == 'i' ? "com/zanthor/runtime/launcher/WinLauncher" : "com/pellux/runtime/WinLauncher";
}

const char *launcherRuntimeModule(char flavour) {
    return flavour == 'i' ? "com.zanthor.runtime" : "com.pellux.runtime";
}

StringList buildLauncherParameters(const LauncherParameterValues &values) {
    return {
        values.windowed ? L"true" : L"false",
        (values.moduleMainClass ? L"/" : L"") + values.mainClass,
        values.errorFile,
        values.outputFile,
        values.appendOutput ? L"true" : L"false",
    };
}

StringList buildMainParameters(const StringList &launcherParameters, const StringList &arguments,
                               const StringList &configuredArguments, bool vmArgumentsInList) {
    StringList parameters = launcherParameters;
    if (!arguments.empty())
        parameters.push_back(arguments.front());
    parameters.insert(parameters.end(), configuredArguments.begin(), configuredArguments.end());
    for (size_t i = 1; i < arguments.size(); i++) {
        const std::wstring &argument = arguments[i];
        if (startsWith(argument, std::wstring(L"-Dsun.locale.formatasdefault=")))
            continue;
        if (vmArgumentsInList && startsWith(argument, std::wstring(L"-J")))
            continue;
        parameters.push_back(argument);
    }
    return parameters;
}
