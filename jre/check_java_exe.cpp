#include "jre/check_java_exe.h"

#include <cstring>
#include <string>

#include "common/records.h"
#include "common/target.h"
#include "common/text.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "jre/non_working_java.h"
#include "jre/read_pe_machine.h"
#include "jre/search_observer.h"
#include "jre/version_cache.h"
#include "paths/path_utils.h"

namespace {

// The version, from the cache or a run, and whether the image has our word
// size: Accepted, NoVersion or OtherArchitecture.
CandidateVerdict probeVersion(RuntimeSearchWatch &watch, const char *javaExe, uint64_t lastWriteTime, char *version,
                              const ProbeRules &rules) {
    uint32_t machine = 0;
    if (rules.useCache && readVersionCache(javaExe, lastWriteTime, version, kVersionCapacity, &machine) &&
        strcmp(version, kFailedRunVersion) != 0) {
        logMessage("got version from registry %S %d", version, static_cast<int>(machine));
        searchObserver(watch).candidateVersion(javaExe, version, machine, VersionSource::Cache);
        return machine == kTargetPeMachine ? CandidateVerdict::Accepted : CandidateVerdict::OtherArchitecture;
    }
    version[0] = 0;
    if (!runJavaVersion(javaExe, lastWriteTime, version, watch.writeVersionCache)) {
        logMessage("couldn't get version");
        return CandidateVerdict::NoVersion;
    }
    machine = readPeMachine(javaExe);
    logMessage("got version from execution %S %d", version, static_cast<int>(machine));
    searchObserver(watch).candidateVersion(javaExe, version, machine, VersionSource::Run);
    if (rules.writeCache && watch.writeVersionCache && machine != 0)
        writeVersionCache(javaExe, lastWriteTime, version, machine);
    // An unreadable header leaves the decision to the version alone.
    return machine == kTargetPeMachine || machine == 0 ? CandidateVerdict::Accepted
                                                        : CandidateVerdict::OtherArchitecture;
}

// Windowed launchers run the runtime's javaw.exe, which must exist as well.
bool switchToJavaw(char *javaExe) {
    size_t length = strlen(javaExe);
    if (length < 4 || length + 1 >= kPathCapacity)
        return false;
    copyText(javaExe + length - 4, kPathCapacity - (length - 4), "w.exe");
    return pathExists(javaExe);
}

CandidateVerdict judgeExistingJava(RuntimeSearchWatch &watch, char *javaExe, char *version, uint64_t lastWriteTime,
                                   const JavaVersion &minimum, const JavaVersion &maximum, const ProbeRules &rules) {
    CandidateVerdict verdict = probeVersion(watch, javaExe, lastWriteTime, version, rules);
    if (verdict != CandidateVerdict::Accepted)
        return verdict;
    bool betasAllowed = rules.allowBeta || watch.candidates.allowBeta;
    verdict = versionVerdict(version, minimum, maximum, betasAllowed);
    if (verdict == CandidateVerdict::BetaNotAllowed)
        logMessage("beta vm not allowed");
    if (verdict != CandidateVerdict::Accepted)
        return verdict;
    if (watch.candidates.windowed && !switchToJavaw(javaExe))
        return CandidateVerdict::NoJavaw;
    return CandidateVerdict::Accepted;
}

}  // namespace

bool checkJavaExe(RuntimeSearchWatch &watch, char *javaExe, char *version, const JavaVersion &minimum,
                  const JavaVersion &maximum, const ProbeRules &rules) {
    logMessage("checkJavaExe (%S, [out], %d, %d, %d)", javaExe, static_cast<int>(minimum.size()),
               static_cast<int>(maximum.size()), rules.allowBeta ? 1 : 0);
    char normalised[kPathCapacity];
    getFullPath(normalised, kPathCapacity, javaExe, false);
    copyText(javaExe, kPathCapacity, normalised);
    CandidateVerdict verdict = CandidateVerdict::NoJavaExecutable;
    uint64_t lastWriteTime = 0;
    if (!findFileTime(javaExe, &lastWriteTime)) {
        logMessage("file doesn't exist");
    } else {
        logMessage("file exists");
        version[0] = 0;
        verdict = judgeExistingJava(watch, javaExe, version, lastWriteTime, minimum, maximum, rules);
    }
    if (isNonWorkingJava(watch.nonWorking, javaExe)) {
        searchObserver(watch).candidateVerdict(javaExe, CandidateVerdict::EarlierLoadFailure);
        return false;
    }
    searchObserver(watch).candidateVerdict(javaExe, verdict);
    logMessage("checkJavaExe returning %d", verdict == CandidateVerdict::Accepted ? 1 : 0);
    return verdict == CandidateVerdict::Accepted;
}

CandidateRules candidateRulesOf(const Settings &settings) {
    CandidateRules rules;
    rules.allowBeta = settings.flag(record::kAllowBeta);
    rules.windowed = settings.integer(record::kLauncherType) == launcher_type::kWindowed;
    rules.requireJdk = settings.flag(record::kRequireJdk);
    return rules;
}

bool javaExeFromHome(RuntimeSearchWatch &watch, const char *home, char *javaExe) {
    std::string jreJava = std::string(home) + "\\jre\\bin\\java.exe";
    copyText(javaExe, kPathCapacity, jreJava.c_str());
    if (watch.candidates.requireJdk) {
        if (pathExists((std::string(home) + "\\lib\\tools.jar").c_str()))
            return true;
        searchObserver(watch).candidateVerdict(javaExe, CandidateVerdict::NotAJdk);
        return false;
    }
    if (!pathExists(javaExe))
        copyText(javaExe, kPathCapacity, (std::string(home) + "\\bin\\java.exe").c_str());
    return true;
}
