// Runtimes the registry knows of: earlier installations of this application,
// runtimes shared under the configured sharing key, the Java vendors' keys
// and the located runtimes. Each scan probes its candidates with
// checkJavaExe and on success leaves the chosen one in javaExe
// (kPathCapacity) and version (kVersionCapacity); on failure those
// hold whatever the last probe left.
#ifndef PELLUX_JRE_REGISTRY_JVMS_H
#define PELLUX_JRE_REGISTRY_JVMS_H

#include <windows.h>

#include "config/settings.h"
#include "jre/java_version.h"
#include "jre/search_observer.h"

// The first accepted "<directory>\jre" of the installations value named by
// the application id (config record 160); the default view, then the 32-bit view.
bool findPreviousInstallation(const Settings &settings, RuntimeSearchWatch &watch, HKEY root, char *javaExe,
                              char *version, const JavaVersion &minimum, const JavaVersion &maximum);

// Runtimes recorded under the sharing key (config record 167).
bool scanSharedJvms(const Settings &settings, RuntimeSearchWatch &watch, char *javaExe, char *version,
                    const JavaVersion &minimum, const JavaVersion &maximum);

// The vendor keys (unless config record 165) against the located runtimes;
// a vendor runtime wins only with a strictly greater version.
bool scanRegistryJvms(const Settings &settings, RuntimeSearchWatch &watch, char *javaExe, char *version,
                      const JavaVersion &minimum, const JavaVersion &maximum);

// The highest accepted subkey name of keyPath under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE; the machine's one on equal versions. The machine's key
// is read in the build's own view; the 64-bit build reads the 32-bit view
// when its own holds no accepted runtime.
bool scanLauncherJvms(RuntimeSearchWatch &watch, const char *keyPath, bool acceptPlain, bool acceptZnoJres,
                      char *javaExe, char *version, const JavaVersion &minimum, const JavaVersion &maximum);

#endif
