// Sizes of "-Xss" and the other memory options, and the stack the JVM thread reserves.
#include <gtest/gtest.h>

#include "jvm/memory_size.h"

namespace {

TEST(MemorySize, NumbersAndUnitLettersInEitherCase) {
    EXPECT_EQ(parseMemorySize("0"), 0);
    EXPECT_EQ(parseMemorySize("4096"), 4096);
    EXPECT_EQ(parseMemorySize("512k"), 524288);
    EXPECT_EQ(parseMemorySize("512K"), 524288);
    EXPECT_EQ(parseMemorySize("1m"), 1048576);
    EXPECT_EQ(parseMemorySize("3G"), 3LL * 1073741824);
    EXPECT_EQ(parseMemorySize("2t"), 2LL * 1099511627776);
}

TEST(MemorySize, AnythingElseIsMinusOne) {
    for (const char *text : {"", "foo", "2mb", "1x", "k", "-1m", "+1m", " 1m", "1 m", "1m ", "1.5m"})
        EXPECT_EQ(parseMemorySize(text), -1) << text;
    EXPECT_EQ(parseMemorySize(nullptr), -1);
}

TEST(MemorySize, OverflowIsMinusOneNotAWrappedValue) {
    EXPECT_EQ(parseMemorySize("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(parseMemorySize("9223372036854775808"), -1);
    EXPECT_EQ(parseMemorySize("99999999999999999999999"), -1);
    EXPECT_EQ(parseMemorySize("8388608t"), -1);
    EXPECT_EQ(parseMemorySize("8388607t"), 8388607LL * 1099511627776);
}

TEST(StackSize, LastPositiveXssWins) {
    EXPECT_EQ(chooseStackSize({"-Xss1m", "-Xmx1g", "-Xss2m"}), 2097152u);
    EXPECT_EQ(chooseStackSize({"-Xss2m", "-Xss0", "-Xssfoo"}), 2097152u);
    EXPECT_EQ(chooseStackSize({"-Dx=-Xss4m", "-Xmx512m"}), 0u);
    EXPECT_EQ(chooseStackSize({}), 0u);
}

TEST(StackSize, MalformedOrZeroLeavesTheSystemDefault) {
    EXPECT_EQ(chooseStackSize({"-Xss0"}), 0u);
    EXPECT_EQ(chooseStackSize({"-Xssfoo"}), 0u);
    EXPECT_EQ(chooseStackSize({"-Xss"}), 0u);
}

TEST(StackSize, TinySizesAreRaisedTo64KiB) {
    EXPECT_EQ(chooseStackSize({"-Xss1k"}), 65536u);
    EXPECT_EQ(chooseStackSize({"-Xss1"}), 65536u);
    EXPECT_EQ(chooseStackSize({"-Xss65535"}), 65536u);
    EXPECT_EQ(chooseStackSize({"-Xss65537"}), 65537u);
}

TEST(StackSize, TheThreadTakesTheLow32Bits) {
    EXPECT_EQ(chooseStackSize({"-Xss5g"}), 1073741824u);
    EXPECT_EQ(chooseStackSize({"-Xss4g"}), 0u);
}

}  // namespace
