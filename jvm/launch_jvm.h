// The JVM stage of the worker: launcher properties, VM options, the JVM thread.
#ifndef PELLUX_JVM_LAUNCH_JVM_H
#define PELLUX_JVM_LAUNCH_JVM_H

#include <string>
#include <vector>

#include "common/string_list.h"
#include "config/settings.h"
#include "jvm/load_dll.h"

// Runs the Java application to its end. True when main returned normally and
// the VM was destroyed; false after any failure of the JVM stage.
bool launchJvm(const Settings &settings, const LoadedJvm &jvm, const StringList &arguments);

// The launcher properties this process would give the VM now.
std::vector<std::string> currentLauncherProperties(const Settings &settings);

#endif
