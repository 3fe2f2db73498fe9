#include "runtime/application_environment.h"

#include <windows.h>

#include <string>
#include <vector>

#include "common/records.h"
#include "diagnostics/log.h"
#include "jvm/process_environment.h"
#include "runtime/environment_rules.h"

void applyApplicationEnvironment(const Settings &settings, const RunPlaces &places) {
    std::vector<std::string> refused;
    std::vector<EnvironmentSetting> variables = parseEnvironmentRecord(settings.text(record::kEnvironment), &refused);
    for (const std::string &line : refused)
        logError(L"environment entry '%S' has no name Windows can hold: skipped", line.c_str());
    // Every value sees the environment as it was before any of them, so the
    // order of the lines does not matter.
    for (EnvironmentSetting &variable : variables)
        expandVariablesInString(places, variable.value);
    for (const EnvironmentSetting &variable : variables) {
        // Values may hold secrets: the log shows names only.
        if (setVariableEverywhere(variable.name.c_str(), variable.value))
            logMessage("environment variable %S set", variable.name.c_str());
        else
            logError(L"environment variable %S not set (%d)", variable.name.c_str(), static_cast<int>(GetLastError()));
    }
}
