// Whether one candidate java executable is acceptable: it exists, its version
// (from the per-user cache or a "-version" run) lies within the bounds, its
// image has the launcher's word size, betas only where allowed, "javaw.exe"
// for windowed launchers, and it has not failed to load before.
#ifndef PELLUX_JRE_CHECK_JAVA_EXE_H
#define PELLUX_JRE_CHECK_JAVA_EXE_H

#include <cstddef>
#include <cstdint>

#include "common/capacities.h"
#include "jre/java_version.h"

struct CandidateRules;
struct RuntimeSearchWatch;
struct Settings;

// Capacities of the java executable and version buffers every probe and scan

// How one probe may decide: betas accepted whatever the configuration says,
// and whether the version cache is read and written.
struct ProbeRules {
    bool allowBeta = false;
    bool useCache = true;
    bool writeCache = true;
};
inline ProbeRules betasAllowedIf(bool allowBeta) {
    ProbeRules rules;
    rules.allowBeta = allowBeta;
    return rules;
}

// javaExe (kPathCapacity) is normalised in place (full path, lower case)
// and may become "javaw.exe"; version (kVersionCapacity) receives the
// version text once the file exists.
bool checkJavaExe(RuntimeSearchWatch &watch, char *javaExe, char *version, const JavaVersion &minimum,
                  const JavaVersion &maximum, const ProbeRules &rules = ProbeRules());

// home\jre\bin\java.exe, else home\bin\java.exe (always true); with a JDK
// required (config record 131) only whether home\lib\tools.jar exists, the
// path staying on the jre\bin form. javaExe has kPathCapacity.
bool javaExeFromHome(RuntimeSearchWatch &watch, const char *home, char *javaExe);

// Records 130, 107 and 131 as every probe of a search applies them.
CandidateRules candidateRulesOf(const Settings &settings);

// Runs "<short path>" -version with the Java options variables removed and
// reads the version from its standard error (version: kVersionCapacity).
// A nonzero exit code records the "1.0.0" marker in the version cache when
// writeCache is set.
bool runJavaVersion(const char *javaExe, uint64_t lastWriteTime, char *version, bool writeCache);

#endif
