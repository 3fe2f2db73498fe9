#include "jre/search_observer.h"

#include "diagnostics/log.h"

namespace {

// Verdicts and versions in the log; the steps have their own log lines already.
class LogObserver : public SearchObserver {
public:
    void searchStep(const char *) override {}
    void candidateVersion(const char *, const char *, uint32_t, VersionSource) override {}
    void candidateVerdict(const char *javaExe, CandidateVerdict verdict) override {
        logMessage("verdict for %S: %S", javaExe, verdictText(verdict));
    }
};

}  // namespace

SearchObserver &searchObserver(const RuntimeSearchWatch &watch) {
    // Holds no state: one for the process serves every search.
    static LogObserver logObserver;
    return watch.observer ? *watch.observer : logObserver;
}

const char *verdictText(CandidateVerdict verdict) {
    switch (verdict) {
    case CandidateVerdict::Accepted: return "accepted";
    case CandidateVerdict::NoJavaExecutable: return "no java executable there";
    case CandidateVerdict::NoVersion: return "its \"-version\" run failed";
    case CandidateVerdict::OtherArchitecture: return "other architecture";
    case CandidateVerdict::BelowMinimum: return "below the minimum";
    case CandidateVerdict::AboveMaximum: return "above the maximum";
    case CandidateVerdict::BetaNotAllowed: return "beta not allowed";
    case CandidateVerdict::NoJavaw: return "no javaw.exe for a windowed launcher";
    case CandidateVerdict::EarlierLoadFailure: return "its jvm.dll failed to load earlier";
    case CandidateVerdict::NotAJdk: return "not a JDK";
    case CandidateVerdict::NoJvmDll: return "no jvm.dll that loads";
    }
    return "unknown";
}
