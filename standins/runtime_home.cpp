#include "standins/runtime_home.h"

#include <windows.h>

#include "standins/standin_files.h"
#include "standins/standin_protocol.h"
#include "standins_location.h"

namespace {

std::wstring joinPath(const std::wstring &directory, const std::wstring &name) {
    if (directory.empty()) return name;
    wchar_t last = directory.back();
    return last == L'\\' || last == L'/' ? directory + name : directory + L"\\" + name;
}

std::wstring joinPath(const std::wstring &directory, const char *name) {
    return joinPath(directory, utf8ToWide(name));
}

std::wstring parentOf(const std::wstring &path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool fail(std::string &error, const std::string &step, const std::wstring &path) {
    error = step + " " + wideToUtf8(path) + " (error " + std::to_string(GetLastError()) + ")";
    return false;
}

// Copies a stand-in to the target path, creating its directory.
bool copyStandin(const wchar_t *standin, const std::wstring &target, std::string &error) {
    if (!createDirectories(parentOf(target))) return fail(error, "cannot create", parentOf(target));
    if (!CopyFileW(joinPath(standinsDirectory(), standin).c_str(), target.c_str(), FALSE)) {
        return fail(error, "cannot copy to", target);
    }
    return true;
}

bool writeFileCreatingDirectory(const std::wstring &path, const std::string &content,
                                std::string &error) {
    if (!createDirectories(parentOf(path))) return fail(error, "cannot create", parentOf(path));
    if (!writeFileBytes(path, content)) return fail(error, "cannot write", path);
    return true;
}

// The Machine field lies 4 bytes after the "PE\0\0" signature.
bool patchPeMachine(const std::wstring &path, unsigned short machine, std::string &error) {
    std::string image;
    if (!readFileBytes(path, image) || image.size() < 64) return fail(error, "cannot read", path);
    unsigned long offset = 0;
    for (int i = 3; i >= 0; --i) offset = (offset << 8) | static_cast<unsigned char>(image[60 + i]);
    if (offset + 6 > image.size() || image.compare(offset, 4, std::string("PE\0\0", 4)) != 0) {
        return fail(error, "no PE header in", path);
    }
    image[offset + 4] = static_cast<char>(machine & 0xFF);
    image[offset + 5] = static_cast<char>(machine >> 8);
    if (!writeFileBytes(path, image)) return fail(error, "cannot write", path);
    return true;
}

bool layOutJava(const RuntimeHomeLayout &layout, RuntimeHome &home, std::string &error) {
    std::wstring directory = joinPath(home.home, layout.javaDirectory);
    home.javaExe = joinPath(directory, L"java.exe");
    home.javawExe = joinPath(directory, L"javaw.exe");
    home.javaRuns = joinPath(directory, STANDIN_JAVA_RUNS_FILE);
    if (!copyStandin(L"java.exe", home.javaExe, error)) return false;
    if (layout.withJavaw && !copyStandin(L"javaw.exe", home.javawExe, error)) return false;
    if (layout.javaMachine != 0 && !patchPeMachine(home.javaExe, layout.javaMachine, error)) {
        return false;
    }
    std::string banner = layout.banner.empty() ? openJdkBanner(layout.version) : layout.banner;
    std::string settings = std::string(JAVA_KEY_BANNER) + "=" + escapeRecordField(banner) + "\n" +
                           JAVA_KEY_EXIT + "=" + std::to_string(layout.javaExitCode) + "\n" +
                           JAVA_KEY_HELD_OUTPUT + "=" + std::to_string(layout.javaHeldOutputMs) + "\n" +
                           JAVA_KEY_FLOOD + "=" + (layout.javaFloods ? "1" : "0") + "\n";
    return writeFileCreatingDirectory(joinPath(directory, STANDIN_JAVA_CONFIG_FILE), settings,
                                      error);
}

bool copyVm(const RuntimeHomeLayout &layout, const std::wstring &directory, std::string &error) {
    // jli.dll exports everything but the VM's entry point.
    const wchar_t *standin = layout.jvmWithoutEntryPoint ? L"jli.dll" : L"jvm.dll";
    return copyStandin(standin, joinPath(directory, L"jvm.dll"), error) &&
           writeFileCreatingDirectory(joinPath(directory, STANDIN_JVM_CONFIG_FILE),
                                      layout.jvmSettings, error);
}

bool layOutVm(const RuntimeHomeLayout &layout, RuntimeHome &home, std::string &error) {
    std::wstring directory =
        joinPath(home.home, layout.vmDirectory.empty() ? L"bin\\server" : layout.vmDirectory);
    home.jvmDll = joinPath(directory, L"jvm.dll");
    home.jvmRecord = joinPath(directory, STANDIN_JVM_RECORD_FILE);
    home.jvmConfig = joinPath(directory, STANDIN_JVM_CONFIG_FILE);
    if (!layout.vmDirectory.empty() && !copyVm(layout, directory, error)) return false;
    for (const std::wstring &extra : layout.extraVmDirectories) {
        if (!copyVm(layout, joinPath(home.home, extra), error)) return false;
    }
    return true;
}

bool layOutJli(const RuntimeHomeLayout &layout, RuntimeHome &home, std::string &error) {
    std::wstring directory =
        joinPath(home.home, layout.jliDirectory.empty() ? L"bin" : layout.jliDirectory);
    home.jliDll = joinPath(directory, L"jli.dll");
    home.jliRecord = joinPath(directory, STANDIN_JLI_RECORD_FILE);
    return layout.jliDirectory.empty() || copyStandin(L"jli.dll", home.jliDll, error);
}

// A packed jar holds a text naming it, so the unpacked copy can be told apart.
bool layOutLibraries(const RuntimeHomeLayout &layout, RuntimeHome &home, std::string &error) {
    std::wstring bin = joinPath(home.home, L"bin");
    home.unpack200Exe = joinPath(bin, L"unpack200.exe");
    home.unpackRuns = joinPath(bin, STANDIN_UNPACK_RUNS_FILE);
    if (layout.withUnpack200) {
        if (!copyStandin(L"unpack200.exe", home.unpack200Exe, error)) return false;
        if (!writeFileCreatingDirectory(joinPath(bin, STANDIN_UNPACK_CONFIG_FILE),
                                        layout.unpackSettings, error)) {
            return false;
        }
    }
    for (const std::wstring &packed : layout.packedJars) {
        if (!writeFileCreatingDirectory(joinPath(home.home, packed),
                                        "packed " + wideToUtf8(packed) + "\n", error)) {
            return false;
        }
    }
    return !layout.withToolsJar ||
           writeFileCreatingDirectory(joinPath(home.home, L"lib\\tools.jar"), "tools\n", error);
}

}  // namespace

std::wstring standinsDirectory() { return PELLUX_STANDINS_DIR; }

bool layOutRuntimeHome(const std::wstring &directory, const RuntimeHomeLayout &layout,
                       RuntimeHome &home, std::string &error) {
    home = RuntimeHome();
    home.home = directory;
    if (!createDirectories(directory)) return fail(error, "cannot create", directory);
    return layOutJava(layout, home, error) && layOutVm(layout, home, error) &&
           layOutJli(layout, home, error) && layOutLibraries(layout, home, error);
}

std::wstring jvmRecordIn(const RuntimeHome &home, const std::wstring &vmDirectory) {
    return joinPath(joinPath(home.home, vmDirectory), STANDIN_JVM_RECORD_FILE);
}

bool writeJvmSettings(const RuntimeHome &home, const std::string &settings) {
    return writeFileBytes(home.jvmConfig, settings);
}

bool createDirectories(const std::wstring &directory) {
    if (directory.empty()) return false;
    DWORD attributes = GetFileAttributesW(directory.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::wstring parent = parentOf(directory);
    // A drive root ("C:") ends the climb.
    if (!parent.empty() && parent.back() != L':' && !createDirectories(parent)) return false;
    return CreateDirectoryW(directory.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool removeDirectoryTree(const std::wstring &directory) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(joinPath(directory, L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = joinPath(directory, name);
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeDirectoryTree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(directory.c_str()) ||
           GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::wstring createScratchDirectory(const std::wstring &purpose) {
    static unsigned long counter = 0;
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring root = length > 0 && length <= MAX_PATH ? std::wstring(temp, length) : L".\\";
    std::wstring directory =
        joinPath(root, L"pellux-tests\\" + purpose + L"-" + std::to_wstring(GetCurrentProcessId()) +
                           L"-" + std::to_wstring(++counter));
    removeDirectoryTree(directory);
    createDirectories(directory);
    return directory;
}
