// Java version texts as lists of integers, the inclusive bounds a candidate
// runtime must meet, and the one ordering the registry scans sort by. No Win32
// here: the version rules also run natively under the sanitizers.
#ifndef PELLUX_JRE_JAVA_VERSION_H
#define PELLUX_JRE_JAVA_VERSION_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<int32_t> JavaVersion;

enum class BoundSide { Minimum, Maximum };

// Components split at any run of "._-+", each read like atol; null or empty
// text gives an empty version.
JavaVersion parseJavaVersion(const char *text);

// Compares only as many components as the bound has; an empty bound always
// holds. Lenient: a candidate that runs out first holds; strict: it reads on
// as zeros.
bool matchesVersionBound(const JavaVersion &bound, const JavaVersion &candidate, BoundSide side, bool lenient);

// a strictly greater than b: 1.8.0 is greater than 1.8, equal texts are not.
bool isVersionGreater(const char *a, const char *b);

// "beta", "-ea" or "-rc" anywhere, case-sensitive.
bool isBetaVersion(const char *text);

// What the search decides about one candidate runtime.
enum class CandidateVerdict {
    Accepted,
    NoJavaExecutable,
    NoVersion,
    OtherArchitecture,
    BelowMinimum,
    AboveMaximum,
    BetaNotAllowed,
    NoJavaw,
    EarlierLoadFailure,
    NotAJdk,
    NoJvmDll,
};

// Why a version is refused, or Accepted: the beta rule first (betasAllowed:
// the caller's flag or config record 130, resolved once by the caller), then
// both bounds strictly.
CandidateVerdict versionVerdict(const char *text, const JavaVersion &minimum, const JavaVersion &maximum,
                                bool betasAllowed);
bool isVersionAcceptable(const char *text, const JavaVersion &minimum, const JavaVersion &maximum, bool betasAllowed);
// Both bounds leniently, no beta rule: for registry key names.
bool isVersionInRangePrefix(const char *text, const JavaVersion &minimum, const JavaVersion &maximum);

// Length of the directory part of a java executable path: the name cut is
// "\javaw.exe" when the path ends with "javaw.exe", else "\java.exe". A path
// shorter than that name gives 0.
size_t javaExeDirLength(const char *javaExe);

// The version texts of a "-version" output, one per line holding ` version "`:
// the text up to the next double quote, or the rest of the line less its last
// two characters. The last one counts.
std::vector<std::string> versionsInOutput(const std::string &output);

#endif
