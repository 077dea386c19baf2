// The single-instance decision.
#include "core/instance_guard.h"

bool OtherCopyRuns(bool gotHandle, unsigned long lastError)
{
    // No handle at all means the name is held where this copy may not open it (a copy
    // running with higher rights) or by another kind of object: start no second copy.
    return !gotHandle || lastError == kErrorAlreadyExists;
}
