// Whether another copy of Morvek runs, from what creating the single-instance mutex gave.
// Platform-free.
#pragma once

constexpr unsigned long kErrorAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

// gotHandle: the creation gave a handle; lastError: the error it left.
bool OtherCopyRuns(bool gotHandle, unsigned long lastError);
