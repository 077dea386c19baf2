// GoogleTest entry for the programs that run under Wine.
#include <gtest/gtest.h>
#include <windows.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    printf("ANSI code page %u\n", GetACP());
    return RUN_ALL_TESTS();
}
