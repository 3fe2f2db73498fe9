#include <gtest/gtest.h>

#include "instance/instance_name.h"

namespace {

TEST(InstancePrefix, AllSessionsWinsThenSessionThenUser) {
    const char sid[] = "S-1-5-21-1-2-3-1001";
    InstancePrefix all = chooseInstancePrefix(true, true, sid);
    EXPECT_EQ(all.text, "Global\\");
    EXPECT_TRUE(all.openToEveryone);
    InstancePrefix session = chooseInstancePrefix(false, true, sid);
    EXPECT_EQ(session.text, "Local\\");
    EXPECT_FALSE(session.openToEveryone);
    InstancePrefix user = chooseInstancePrefix(false, false, sid);
    EXPECT_EQ(user.text, "Global\\S-1-5-21-1-2-3-1001");
    EXPECT_TRUE(user.openToEveryone);
}

TEST(InstancePrefix, UnreadableUserFallsBackToTheSession) {
    InstancePrefix fallback = chooseInstancePrefix(false, false, nullptr);
    EXPECT_EQ(fallback.text, "Local\\");
    EXPECT_FALSE(fallback.openToEveryone);
}

TEST(SemaphoreName, BackslashesAndBlanksOfThePathBecomeUnderscores) {
    EXPECT_EQ(semaphoreNameOf("Local\\", "c:\\program files\\app\\app.exe"), "Local\\c:_program_files_app_app.exe");
    EXPECT_EQ(semaphoreNameOf("Global\\S-1-5-21", "\\\\srv\\share\\a b.exe"), "Global\\S-1-5-21__srv_share_a_b.exe");
}

}  // namespace
