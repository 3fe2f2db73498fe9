// Java executables whose jvm.dll failed to load in this process; every later
// probe refuses them, so a retried registry scan yields its next-best runtime.
#ifndef PELLUX_JRE_NON_WORKING_JAVA_H
#define PELLUX_JRE_NON_WORKING_JAVA_H

#include <string>
#include <vector>

const size_t kNonWorkingJavaLimit = 50;

// One search's list; only the search adds to it.
typedef std::vector<std::string> NonWorkingJavaList;

// Appends a copy; true while the list holds fewer than kNonWorkingJavaLimit.
bool addNonWorkingJava(NonWorkingJavaList &list, const char *javaExe);
// Exact, case-sensitive comparison.
bool isNonWorkingJava(const NonWorkingJavaList &list, const char *javaExe);

#endif
