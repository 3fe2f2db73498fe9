#include "jre/non_working_java.h"

#include "diagnostics/log.h"

NonWorkingJavaList &nonWorkingJavaList() {
    // Allocated once and kept: the launcher has no thread-safe statics and
    // runs no destructors it does not need.
    static NonWorkingJavaList *list = new NonWorkingJavaList();
    return *list;
}

bool addNonWorkingJava(const char *javaExe) {
    logMessage(L"add non-working java %S", javaExe);
    nonWorkingJavaList().push_back(javaExe);
    return nonWorkingJavaList().size() < kNonWorkingJavaLimit;
}

bool isNonWorkingJava(const char *javaExe) {
    for (const std::string &entry : nonWorkingJavaList()) {
        if (entry == javaExe)
            return true;
    }
    return false;
}
