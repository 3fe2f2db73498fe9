// Who watches the runtime search. The search reports each step, each
// candidate's version and its verdict at the point where it decides; the
// diagnostic log and the diagnose command both listen, so that what diagnose
// prints is what a real start does. No Win32 here.
#ifndef PELLUX_JRE_SEARCH_OBSERVER_H
#define PELLUX_JRE_SEARCH_OBSERVER_H

#include <cstdint>

#include "jre/java_version.h"
#include "jre/non_working_java.h"

enum class VersionSource { Cache, Run };

class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    // A step of the search begins: a location, a variable, a registry scan.
    virtual void searchStep(const char *description) = 0;
    // machine: the PE machine of the java executable, 0 when unreadable.
    virtual void candidateVersion(const char *javaExe, const char *version, uint32_t machine,
                                  VersionSource source) = 0;
    virtual void candidateVerdict(const char *javaExe, CandidateVerdict verdict) = 0;
};

// How one search reports and what it may change, made by whoever runs it. The
// default observer writes verdicts to the diagnostic log; diagnose puts its
// own in front and switches off everything that would change the machine.
// What the configuration asks of every candidate, taken from the settings
// when a search or scan begins.
struct CandidateRules {
    bool allowBeta = false;   // early-access and beta builds accepted
    bool windowed = false;    // the launcher runs javaw.exe, which must exist
    bool requireJdk = false;  // only a home with lib\tools.jar will do
};

struct RuntimeSearchWatch {
    SearchObserver *observer = nullptr;  // null: the log observer
    CandidateRules candidates;
    bool writeVersionCache = true;
    bool unpackRuntimes = true;
    // Runtimes whose jvm.dll failed to load; every later probe refuses them.
    NonWorkingJavaList nonWorking;
};
SearchObserver &searchObserver(const RuntimeSearchWatch &watch);

// Plain English, as the log and diagnose print it: "accepted", "below the minimum"...
const char *verdictText(CandidateVerdict verdict);

#endif
