#include "jvm/vm_option_list.h"

#include <algorithm>

#include "diagnostics/log.h"

bool hasOption(const VmOptionList &options, const char *option) {
    return std::find(options.begin(), options.end(), option) != options.end();
}

void appendModeOptions(VmOptionList &options, bool service, bool noRedirect) {
    // A service must outlive the user's logoff, which would otherwise stop the VM.
    if (service && !hasOption(options, "-Xrs")) {
        logMessage("service: adding -Xrs");
        options.push_back("-Xrs");
    }
    if (noRedirect)
        options.push_back("-Dzanthor.noRedir=true");
}

void removeEmptyOptions(VmOptionList &options) {
    options.erase(std::remove(options.begin(), options.end(), std::string()), options.end());
}

void fillInitArgs(VmOptionList &options, std::vector<JavaVMOption> &array, JavaVMInitArgs &initArgs) {
    array.clear();
    for (std::string &option : options)
        array.push_back(JavaVMOption{&option[0], nullptr});
    initArgs.version = JNI_VERSION_1_2;
    initArgs.nOptions = static_cast<jint>(array.size());
    initArgs.options = array.empty() ? nullptr : array.data();
    initArgs.ignoreUnrecognized = JNI_TRUE;
    logMessage("vmoption count %d", static_cast<int>(array.size()));
    for (size_t i = 0; i < options.size(); i++)
        logMessage("vmoption %d: %S", static_cast<int>(i), options[i].c_str());
}
