// Main menu commands. Not wired up yet: every id does nothing.
#include "commands/dispatch.h"

void OnCommand(HWND, WPARAM, LPARAM) {}
