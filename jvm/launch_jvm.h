// The JVM stage of the worker: launcher properties, VM options, the JVM thread.
#ifndef PELLUX_JVM_LAUNCH_JVM_H
#define PELLUX_JVM_LAUNCH_JVM_H

#include <string>
#include <vector>

#include "common/string_list.h"
#include "config/settings.h"
#include "jvm/load_dll.h"

struct LaunchContext;

// Runs the Java application to its end. True when main returned normally and
// the VM was destroyed; false after any failure of the JVM stage.
bool launchJvm(const Settings &settings, LaunchContext &context, const LoadedJvm &jvm, const StringList &arguments);

// The configured flavour (record 2001) for a LaunchContext.
char configuredFlavour(const Settings &settings);

// The launcher properties the context would give the VM now.
std::vector<std::string> currentLauncherProperties(const Settings &settings, const LaunchContext &context);

#endif
