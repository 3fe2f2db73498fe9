#include <gtest/gtest.h>

#include "writer/project_file.h"

namespace {

struct Result {
    bool ok;
    BlockContent content;
    std::string error;
};

Result read(const std::string &text) {
    Result result;
    result.ok = readProjectFile("app.toml", text, &result.content, &result.error);
    return result;
}

std::string record(const BlockContent &content, int32_t id) {
    for (const auto &r : content.records)
        if (r.first == id)
            return r.second;
    return "<missing>";
}

std::u16string message(const MessageList &messages, int32_t id) {
    for (const auto &m : messages)
        if (m.first == id)
            return m.second;
    return u"<missing>";
}

TEST(ProjectFile, RecordsTakeTextsIntegersAndBooleans) {
    Result result = read("[records]\n101 = \"My Service\"\n107 = 4\n10005 = true\n166 = false\n");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(record(result.content, 101), "My Service");
    EXPECT_EQ(record(result.content, 107), "4");
    EXPECT_EQ(record(result.content, 10005), "1");
    EXPECT_EQ(record(result.content, 166), "0");
}

TEST(ProjectFile, MessagesReplaceTheBuiltInTexts) {
    Result result = read("[messages]\n1010 = \"Hauptklasse fehlt \u00e4\"\n");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(message(result.content.messages, 1010), u"Hauptklasse fehlt \u00e4");
    EXPECT_EQ(message(result.content.messages, 1011), u"Main method not found.");
}

TEST(ProjectFile, LocaleGroupsKeepTheirOrder) {
    Result result = read("[[locale]]\nname = \"de\"\n[locale.messages]\n1000 = \"Fehler\"\n"
                         "[[locale]]\nname = \"de_AT\"\nmessages = { 1000 = \"Fehler!\" }\n");
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.content.localeGroups.size(), 2u);
    EXPECT_EQ(result.content.localeGroups[0].name, "de");
    EXPECT_EQ(result.content.localeGroups[1].name, "de_AT");
    EXPECT_EQ(message(result.content.localeGroups[1].messages, 1000), u"Fehler!");
}

TEST(ProjectFile, ErrorsNameTheFileAndLine) {
    const struct {
        const char *text;
        const char *expected;
    } cases[] = {
        {"[records]\n101 = \"a\"\nname = \"x\"\n", "app.toml:3: id \"name\" is not a 32-bit decimal number"},
        {"[records]\n99999999999 = \"a\"\n", "app.toml:2: id \"99999999999\" is not a 32-bit"},
        {"\n[unknown]\n", "app.toml:2: unknown key \"unknown\""},
        {"[records]\n101 = 1.5\n", "app.toml:2: record 101 must be a text, an integer or a boolean"},
        {"[messages]\n1000 = 5\n", "app.toml:2: message 1000 must be a text"},
        {"[[locale]]\n[locale.messages]\n1000 = \"x\"\n", "app.toml:1: locale group without a name"},
        {"[[locale]]\nname = \"de\"\ncolour = 1\n", "app.toml:3: unknown key \"colour\" in a locale group"},
        {"[records]\n101 = \"unterminated\n", "app.toml:2: "},
        {"records = 5\n", "app.toml:1: records must be a table"},
    };
    for (const auto &c : cases) {
        Result result = read(c.text);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_EQ(result.error.rfind(c.expected, 0), 0u) << result.error;
    }
}

}  // namespace
