#include <gtest/gtest.h>

#include <cstring>

#include "runtime/process_hooks.h"
#include "tests/logpaths/wine_roles.h"

int main(int argc, char **argv) {
    installProcessHooks();
    if (argc == 3 && strcmp(argv[1], "--role") == 0)
        return runChildRole(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
