// Every helper of the tests that run under Wine. What a helper's object does (a Morvek
// started, a platform call swapped) it undoes when the test that made it ends.
#pragma once
#include "exe_driver.h"
#include "files.h"
#include "launcher_owner.h"
#include "platform_swaps.h"
#include "recorders.h"
