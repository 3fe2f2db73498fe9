#include "jre/java_version.h"

#include <cstring>

#include "common/records.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "jre/search_observer.h"

namespace {

bool isVersionSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }

bool isAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// atol's reading of one piece; values beyond 32 bits saturate instead of
// wrapping, so an absurd component still orders sensibly.
int32_t readComponent(const std::string &piece) {
    size_t i = 0;
    while (i < piece.size() && isAsciiSpace(piece[i]))
        i++;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-'))
        negative = piece[i++] == '-';
    int64_t value = 0;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; i++) {
        value = value * 10 + (piece[i] - '0');
        if (value > INT32_MAX)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value);
}

}  // namespace

JavaVersion parseJavaVersion(const char *text) {
    JavaVersion version;
    if (!text)
        return version;
    std::string piece;
    for (const char *c = text;; c++) {
        if (*c == 0 || isVersionSeparator(*c)) {
            if (!piece.empty())
                version.push_back(readComponent(piece));
            piece.clear();
            if (*c == 0)
                break;
        } else {
            piece.push_back(*c);
        }
    }
    return version;
}

bool matchesVersionBound(const JavaVersion &bound, const JavaVersion &candidate, BoundSide side, bool lenient) {
    for (size_t i = 0; i < bound.size(); i++) {
        if (i >= candidate.size() && lenient)
            return true;
        int32_t c = i < candidate.size() ? candidate[i] : 0;
        int32_t b = bound[i];
        if (c == b)
            continue;
        return side == BoundSide::Minimum ? c > b : c < b;
    }
    return true;
}

bool isVersionGreater(const char *a, const char *b) {
    JavaVersion left = parseJavaVersion(a);
    JavaVersion right = parseJavaVersion(b);
    for (size_t i = 0; i < left.size(); i++) {
        if (i >= right.size())
            return true;
        if (left[i] != right[i])
            return left[i] > right[i];
    }
    return false;
}

bool isBetaVersion(const char *text) {
    return strstr(text, "beta") || strstr(text, "-ea") || strstr(text, "-rc");
}

bool isVersionAcceptable(const char *text, const JavaVersion &minimum, const JavaVersion &maximum, bool allowBeta) {
    CandidateVerdict verdict = versionVerdict(text, minimum, maximum, allowBeta || configStore().flag(record::kAllowBeta));
    if (verdict == CandidateVerdict::BetaNotAllowed)
        logMessage(L"beta vm not allowed");
    return verdict == CandidateVerdict::Accepted;
}

bool isVersionInRangePrefix(const char *text, const JavaVersion &minimum, const JavaVersion &maximum) {
    JavaVersion candidate = parseJavaVersion(text);
    return matchesVersionBound(minimum, candidate, BoundSide::Minimum, true) &&
           matchesVersionBound(maximum, candidate, BoundSide::Maximum, true);
}

size_t javaExeDirLength(const char *javaExe) {
    size_t length = strlen(javaExe);
    size_t cut = length >= 9 && strcmp(javaExe + length - 9, "javaw.exe") == 0 ? 10 : 9;
    return length >= cut ? length - cut : 0;
}

std::vector<std::string> versionsInOutput(const std::string &output) {
    static const char marker[] = " version \"";
    const size_t markerLength = sizeof marker - 1;
    std::vector<std::string> versions;
    size_t lineStart = 0;
    while (lineStart <= output.size()) {
        size_t lineEnd = output.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = output.size();
        std::string line = output.substr(lineStart, lineEnd - lineStart);
        size_t found = line.find(marker);
        if (found != std::string::npos) {
            size_t start = found + markerLength;
            size_t quote = line.find('"', start);
            if (quote != std::string::npos)
                versions.push_back(line.substr(start, quote - start));
            else
                versions.push_back(line.size() >= start + 2 ? line.substr(start, line.size() - start - 2)
                                                             : std::string());
        }
        lineStart = lineEnd + 1;
    }
    return versions;
}
