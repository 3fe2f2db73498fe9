#include "tests/jvmstage/jvmstage_test_support.h"

#include <windows.h>

#include <algorithm>

namespace {

std::wstring findLogFile(const std::wstring &directory) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"\\zno_nlog_*.log").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return std::wstring();
    FindClose(search);
    return directory + L"\\" + entry.cFileName;
}

}  // namespace

const wchar_t JvmStage::kStartPath[] = L"C:\\windows\\system32;C:\\windows";

bool LauncherRun::logged(const std::wstring &line) const { return logPosition(line) != std::wstring::npos; }

size_t LauncherRun::logPosition(const std::wstring &line) const { return log.find(L"] " + line + L"\r\n"); }

JvmStage::~JvmStage() { removeVersionCacheRecordsBelow(homes_.path()); }

RuntimeHome JvmStage::layOutHome(const std::wstring &name, const RuntimeHomeLayout &layout) {
    RuntimeHome home;
    std::string error;
    EXPECT_TRUE(layOutRuntimeHome(homes_.file(name), layout, home, error)) << error;
    return home;
}

std::wstring JvmStage::makeLauncher(const BlockContent &content) {
    std::wstring path = makeConfiguredLauncher(app_.path(), L"App.exe", content);
    EXPECT_FALSE(path.empty());
    return path;
}

LauncherRun JvmStage::run(const std::wstring &arguments, const std::wstring &javaHome,
                          const EnvironmentChanges &extra) {
    std::wstring logDirectory = logs_.file(L"run" + std::to_wstring(++runs_));
    CreateDirectoryW(logDirectory.c_str(), nullptr);
    EnvironmentChanges environment = loggingInto(logDirectory);
    environment.push_back({L"PELLUX_JAVA_HOME", javaHome.empty() ? std::nullopt : std::optional<std::wstring>(javaHome)});
    environment.push_back({L"ZANTHOR_JAVA_HOME", std::nullopt});
    environment.push_back({L"MANPATH", std::nullopt});
    environment.push_back({L"PATH", std::wstring(kStartPath)});
    environment.insert(environment.end(), extra.begin(), extra.end());
    LauncherRun run;
    run.result = runProgram(launcherPath(), arguments, environment, 60000);
    EXPECT_TRUE(run.result.finished);
    run.log = readUtf8File(findLogFile(logDirectory));
    return run;
}

LauncherRun JvmStage::runWorker(const std::wstring &javaHome, const EnvironmentChanges &extra) {
    return run(L"Svc __zno_restart", javaHome, extra);
}

std::string narrowText(const std::wstring &text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

std::wstring wideText(const std::string &text) { return std::wstring(text.begin(), text.end()); }

std::string optionStartingWith(const StandinRecord &record, const std::string &prefix) {
    for (const std::string &option : record.options)
        if (option.compare(0, prefix.size(), prefix) == 0)
            return option;
    return std::string();
}
