// Windows hands the arguments over as UTF-16; the tool works in UTF-8 and
// writes UTF-8 to the console.
#include <windows.h>

#include <string>
#include <vector>

#include "writer/pack_main.h"

namespace {

std::string utf8Of(const wchar_t *text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? static_cast<size_t>(length) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; i++)
        arguments.push_back(utf8Of(argv[i]));
    std::vector<char *> pointers;
    for (std::string &argument : arguments)
        pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);
    return packMain(argc, pointers.data());
}
