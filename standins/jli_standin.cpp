// Stand-in for a runtime's jli.dll: expands "@file" arguments into the
// file's tokens and records that it was loaded and every call it received.
// Tokens are separated by white space; double quotes group and are dropped.
// "@@text" stands for the single argument "@text", as in a real runtime.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <type_traits>

#include "jvm/jli_min.h"
#include "standins/standin_files.h"
#include "standins/standin_protocol.h"

extern "C" {
JNIEXPORT void JNICALL JLI_InitArgProcessing(jboolean hasJavaArgs, jboolean disableArgFile);
JNIEXPORT JLI_List *JNICALL JLI_PreprocessArg(const char *arg, jboolean expandSourceOpt);
JNIEXPORT void JNICALL JLI_MemFree(void *pointer);
}

static_assert(std::is_same<decltype(&JLI_InitArgProcessing), JliInitArgProcessingFunction>::value,
              "JLI_InitArgProcessing type");
static_assert(std::is_same<decltype(&JLI_PreprocessArg), JliPreprocessArgFunction>::value,
              "JLI_PreprocessArg type");
static_assert(std::is_same<decltype(&JLI_MemFree), JliMemFreeFunction>::value, "JLI_MemFree type");

namespace {

// Process-wide, as in the real library.
bool initialised = false;
bool argumentFilesDisabled = false;
// What this library handed out, so that JLI_MemFree can tell a foreign
// pointer from its own.
std::set<void *> handedOutLists;
std::set<void *> handedOutElementArrays;

std::wstring recordPath() {
    return pathBesideModule(reinterpret_cast<const void *>(&JLI_MemFree), STANDIN_JLI_RECORD_FILE);
}

std::string flagText(bool flag) { return flag ? "1" : "0"; }

std::vector<std::string> splitArgumentFileText(const std::string &text) {
    std::vector<std::string> tokens;
    std::string token;
    bool inToken = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inToken) tokens.push_back(token);
            token.clear();
            inToken = false;
        } else {
            token += c;
            inToken = true;
        }
    }
    if (inToken) tokens.push_back(token);
    return tokens;
}

// Argument file names come in the code page of the file functions.
std::wstring widenFileName(const char *name) {
    int length =
        MultiByteToWideChar(AreFileApisANSI() ? CP_ACP : CP_OEMCP, 0, name, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(AreFileApisANSI() ? CP_ACP : CP_OEMCP, 0, name, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

JLI_List *newList(const std::vector<std::string> &elements) {
    JLI_List *list = static_cast<JLI_List *>(malloc(sizeof(JLI_List)));
    char **array = static_cast<char **>(malloc((elements.size() + 1) * sizeof(char *)));
    if (list == nullptr || array == nullptr) {
        free(list);
        free(array);
        return nullptr;
    }
    for (size_t i = 0; i < elements.size(); ++i) {
        array[i] = static_cast<char *>(malloc(elements[i].size() + 1));
        if (array[i] != nullptr) memcpy(array[i], elements[i].c_str(), elements[i].size() + 1);
    }
    array[elements.size()] = nullptr;
    list->elements = array;
    list->size = elements.size();
    list->capacity = elements.size() + 1;
    handedOutLists.insert(list);
    handedOutElementArrays.insert(array);
    return list;
}

JLI_List *answerPreprocess(const std::string &arg, jboolean expandSourceOpt, const char *result,
                           const std::vector<std::string> &elements) {
    std::wstring path = recordPath();
    appendRecord(path, EVENT_JLI_PREPROCESS,
                 {arg, flagText(expandSourceOpt != 0), flagText(initialised), std::string(result)});
    if (strcmp(result, JLI_RESULT_LIST) != 0) return nullptr;
    for (const std::string &element : elements) appendRecord(path, EVENT_JLI_ELEMENT, {element});
    return newList(elements);
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL JLI_InitArgProcessing(jboolean hasJavaArgs, jboolean disableArgFile) {
    initialised = true;
    argumentFilesDisabled = disableArgFile != 0;
    appendRecord(recordPath(), EVENT_JLI_INIT,
                 {flagText(hasJavaArgs != 0), flagText(disableArgFile != 0)});
}

JNIEXPORT JLI_List *JNICALL JLI_PreprocessArg(const char *arg, jboolean expandSourceOpt) {
    if (arg == nullptr) {
        appendRecord(recordPath(), EVENT_JLI_PREPROCESS,
                     {std::nullopt, flagText(expandSourceOpt != 0), flagText(initialised),
                      std::string(JLI_RESULT_NULL)});
        return nullptr;
    }
    std::string text(arg);
    if (argumentFilesDisabled || text.empty() || text[0] != '@') {
        return answerPreprocess(text, expandSourceOpt, JLI_RESULT_NULL, {});
    }
    if (text.size() > 1 && text[1] == '@') {
        return answerPreprocess(text, expandSourceOpt, JLI_RESULT_LIST, {text.substr(1)});
    }
    std::string content;
    if (!readFileBytes(widenFileName(arg + 1), content)) {
        return answerPreprocess(text, expandSourceOpt, JLI_RESULT_MISSING, {});
    }
    return answerPreprocess(text, expandSourceOpt, JLI_RESULT_LIST, splitArgumentFileText(content));
}

JNIEXPORT void JNICALL JLI_MemFree(void *pointer) {
    const char *kind = "unknown";
    if (pointer == nullptr) {
        kind = "null";
    } else if (handedOutLists.erase(pointer) != 0) {
        kind = "list";
        free(pointer);
    } else if (handedOutElementArrays.erase(pointer) != 0) {
        kind = "elements";
        free(pointer);
    }
    // A pointer we never handed out is recorded but not freed: freeing it here
    // would corrupt a heap this library does not own.
    appendRecord(recordPath(), EVENT_JLI_FREE, {std::string(kind)});
}

}  // extern "C"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        std::wstring path = recordPath();
        appendRunStart(path, reinterpret_cast<const void *>(&JLI_MemFree));
        appendRecord(path, EVENT_LOADED, {std::string("1")});
    }
    return TRUE;
}
