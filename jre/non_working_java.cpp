#include "jre/non_working_java.h"

#include "diagnostics/log.h"

bool addNonWorkingJava(NonWorkingJavaList &list, const char *javaExe) {
    logMessage("add non-working java %S", javaExe);
    list.push_back(javaExe);
    return list.size() < kNonWorkingJavaLimit;
}

bool isNonWorkingJava(const NonWorkingJavaList &list, const char *javaExe) {
    for (const std::string &entry : list) {
        if (entry == javaExe)
            return true;
    }
    return false;
}
