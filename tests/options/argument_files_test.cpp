// Argument files through jli.dll's three functions, played here by fakes that
// keep track of what they handed out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "jvm/expand_argument_files.h"

namespace {

typedef std::vector<std::string> Texts;

struct FakeJli {
    std::vector<std::pair<bool, bool>> initCalls;
    std::vector<std::string> preprocessed;
    std::map<std::string, Texts> files;  // "@name" to its tokens
    std::set<void *> outstanding;
    std::vector<char *> elements;  // stay with the caller, as in a real runtime
    int foreignFrees = 0;
} jli;

void JNICALL fakeInit(jboolean hasJavaArgs, jboolean disableArgFile) {
    jli.initCalls.push_back({hasJavaArgs != 0, disableArgFile != 0});
}

char *copyOf(const std::string &text) {
    char *copy = static_cast<char *>(malloc(text.size() + 1));
    memcpy(copy, text.c_str(), text.size() + 1);
    jli.elements.push_back(copy);
    return copy;
}

JLI_List *JNICALL fakePreprocess(const char *arg, jboolean) {
    jli.preprocessed.push_back(arg);
    auto file = jli.files.find(arg);
    if (file == jli.files.end())
        return nullptr;
    JLI_List *list = static_cast<JLI_List *>(malloc(sizeof(JLI_List)));
    list->size = file->second.size();
    list->capacity = list->size + 1;
    list->elements = static_cast<char **>(malloc(list->capacity * sizeof(char *)));
    for (size_t i = 0; i < list->size; i++)
        list->elements[i] = copyOf(file->second[i]);
    jli.outstanding.insert(list);
    jli.outstanding.insert(list->elements);
    return list;
}

void JNICALL fakeFree(void *pointer) {
    if (jli.outstanding.erase(pointer) == 0) {
        jli.foreignFrees++;
        return;
    }
    free(pointer);
}

class ArgumentFiles : public ::testing::Test {
protected:
    void SetUp() override { jli = FakeJli(); }
    void TearDown() override {
        EXPECT_TRUE(jli.outstanding.empty());
        EXPECT_EQ(jli.foreignFrees, 0);
        for (char *element : jli.elements)
            free(element);
    }
};

TEST_F(ArgumentFiles, FileOptionIsReplacedByItsTokensInPlace) {
    jli.files["@opts"] = {"-Xmx1g", "-Dx=y"};
    VmOptionList options = {"-Da=1", "@opts", "-Xrs"};
    EXPECT_EQ(preprocessArgumentFiles(options, JliFunctions{fakeInit, fakePreprocess, fakeFree}),
              (Texts{"-Da=1", "-Xmx1g", "-Dx=y", "-Xrs"}));
    EXPECT_EQ(jli.initCalls, (std::vector<std::pair<bool, bool>>{{true, false}}));
    EXPECT_EQ(jli.preprocessed, options);
}

TEST_F(ArgumentFiles, EmptyFileRemovesTheOptionAndEmptyListStillInitialises) {
    jli.files["@empty"] = {};
    EXPECT_EQ(preprocessArgumentFiles({"@empty"}, JliFunctions{fakeInit, fakePreprocess, fakeFree}), Texts{});
    EXPECT_EQ(preprocessArgumentFiles({}, JliFunctions{fakeInit, fakePreprocess, fakeFree}), Texts{});
    EXPECT_EQ(jli.initCalls, (std::vector<std::pair<bool, bool>>{{true, false}, {false, false}}));
}

}  // namespace
