#include "bridge/bridge_config.h"

#include <gtest/gtest.h>

TEST(BridgeConfig, java_home_is_read_between_comments_and_unknown_keys) {
    BridgeConfig config = parseBridgeConfig("# written by the build\r\n"
                                            "colour = blue\r\n"
                                            "  java_home =  /opt/jdk 17/  \r\n");
    EXPECT_EQ(config.javaHome, "/opt/jdk 17");
    EXPECT_EQ(linuxJavaPath(config), "/opt/jdk 17/bin/java");
}

TEST(BridgeConfig, missing_or_empty_home_means_java_on_the_path) {
    EXPECT_EQ(linuxJavaPath(parseBridgeConfig("")), "java");
    EXPECT_EQ(linuxJavaPath(parseBridgeConfig("java_home=\n")), "java");
    EXPECT_EQ(linuxJavaPath(parseBridgeConfig("java_home\n#java_home=/x\n")), "java");
}

TEST(BridgeConfig, last_java_home_line_wins_and_root_stays_root) {
    EXPECT_EQ(parseBridgeConfig("java_home=/a\njava_home=/b").javaHome, "/b");
    EXPECT_EQ(linuxJavaPath(parseBridgeConfig("java_home=/")), "/bin/java");
}
