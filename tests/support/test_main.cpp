// GoogleTest entry for the programs under Wine. A run fails at once under another ANSI code
// page than MORVEK_EXPECT_ACP states, so it never passes by testing another; its working
// folder of its own must be empty again at the end.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "files.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const char* expected = getenv("MORVEK_EXPECT_ACP");
    printf("ANSI code page %u, expected %s\n", GetACP(), expected ? expected : "(not stated)");
    if (!expected || strtoul(expected, nullptr, 10) != GetACP()) {
        fprintf(stderr, "FAILED: this run needs ANSI code page %s but has %u (is the locale installed?); "
                        "the test command states the code page in MORVEK_EXPECT_ACP\n",
                expected ? expected : "(not stated)", GetACP());
        return 1;
    }

    std::string working = WorkingDir();
    CreateDirectoryA(MORVEK_TEST_TMP, nullptr);
    RemoveTree(working);
    if (!CreateDirectoryA(working.c_str(), nullptr) || !SetCurrentDirectoryA(working.c_str())) {
        fprintf(stderr, "FAILED: cannot work in %s: error %lu\n", working.c_str(), GetLastError());
        return 1;
    }
    int result = RUN_ALL_TESTS();
    SetCurrentDirectoryA(MORVEK_TEST_TMP);
    std::string left;
    for (const std::string& name : FilesIn(working))
        left += " \"" + name + "\"";
    if (!left.empty()) {
        fprintf(stderr, "FAILED: written into the working folder %s:%s\n", working.c_str(), left.c_str());
        result = 1;
    }
    // Processes started on the way (Morvek's launches, the shell's helpers) may hold it a moment.
    RemoveTree(working);
    WaitFor([&] {
        return RemoveDirectoryA(working.c_str()) || GetFileAttributesA(working.c_str()) == INVALID_FILE_ATTRIBUTES;
    }, 10000);
    return result;
}
