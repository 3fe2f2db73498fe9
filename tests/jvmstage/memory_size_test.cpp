// Sizes of "-Xss" and the other memory options, and the stack the JVM thread reserves.
#include <gtest/gtest.h>

#include "jvm/memory_size.h"

namespace {

TEST(MemorySize, NumbersWithOneUnitLetterInEitherCase) {
    EXPECT_EQ(parseMemorySize("4096"), 4096);
    EXPECT_EQ(parseMemorySize("512k"), 524288);
    EXPECT_EQ(parseMemorySize("1M"), 1048576);
    EXPECT_EQ(parseMemorySize("2t"), 2LL * 1099511627776);
    for (const char *text : {"", "foo", "2mb", "k", "-1m", "+1m", " 1m", "1m ", "1.5m"})
        EXPECT_EQ(parseMemorySize(text), -1) << text;
}

TEST(MemorySize, OverflowIsMinusOneNotAWrappedValue) {
    EXPECT_EQ(parseMemorySize("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(parseMemorySize("9223372036854775808"), -1);
    EXPECT_EQ(parseMemorySize("8388608t"), -1);
}

TEST(StackSize, LastPositiveXssWinsAndTinyOnesAreRaised) {
    EXPECT_EQ(chooseStackSize({"-Xss1m", "-Xmx1g", "-Xss2m", "-Xss0", "-Xssfoo"}), 2097152u);
    EXPECT_EQ(chooseStackSize({"-Xss0", "-Xssfoo", "-Dx=-Xss4m"}), 0u);
    EXPECT_EQ(chooseStackSize({"-Xss1k"}), 65536u);
    EXPECT_EQ(chooseStackSize({"-Xss65537"}), 65537u);
    // The thread takes the low 32 bits.
    EXPECT_EQ(chooseStackSize({"-Xss5g"}), 1073741824u);
}

}  // namespace
