// The single-instance decision: a copy starts only when it created the mutex itself.
#include <gtest/gtest.h>

#include "core/instance_guard.h"

namespace {

TEST(InstanceGuard, OnlyAFreshMutexLetsACopyStart)
{
    struct Row {
        const char* name;
        bool gotHandle;
        unsigned long lastError;
        bool otherRuns;
    } rows[] = {
        {"created", true, 0, false},
        {"created, an unrelated error left over", true, 87, false},
        {"opened: another copy holds it", true, kErrorAlreadyExists, true},
        {"access denied: a copy with higher rights holds it", false, 5, true},
        {"invalid handle: another kind of object holds the name", false, 6, true},
        {"no handle for any other reason", false, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.otherRuns, OtherCopyRuns(row.gotHandle, row.lastError));
    }
}

}  // namespace
