// What install registers beyond CreateServiceW, through ChangeServiceConfig2W
// (looked up at run time): the description, and the recovery and pre-shutdown
// settings of the robustness records.
#ifndef PELLUX_SERVICE_SERVICE_REGISTRATION_H
#define PELLUX_SERVICE_SERVICE_REGISTRATION_H

#include <windows.h>

#include "service/robustness_rules.h"

// The robustness records of the configuration; every clamped value is logged.
RobustnessSettings loadRobustnessSettings(const Settings &config);
// Message 20017 as the service's description, when it is not empty.
void setServiceDescription(const Settings &settings, SC_HANDLE service);
// Failure actions with their flag, and the pre-shutdown timeout, where the
// records ask for them. A failure is a logged warning: the service stays
// installed.
void registerRobustness(SC_HANDLE service, const RobustnessSettings &settings);

// Sets or clears delayed automatic start; 0, or the system error code of
// the refusal (Wine refuses the flag with 183).
DWORD registerDelayedStart(SC_HANDLE service, bool delayed);
// Whether the registration has delayed automatic start; false when it cannot be read.
bool hasDelayedStart(SC_HANDLE service);

// The service as a source of the Application event log, its texts in this
// executable's message table; a failure is a logged warning.
void registerEventSource(const wchar_t *serviceName);
// Removes the source when it names this executable, so that another
// program's source of the same name stays.
void removeEventSource(const wchar_t *serviceName);

#endif
