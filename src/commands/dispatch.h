// The main tray menu's commands: confirmation and dispatch by id.
#pragma once
#include <windows.h>

#include "commands/command_plan.h"

// The command id is the low 16 bits of wParam; lParam is not used.
void OnCommand(HWND window, WPARAM wParam, LPARAM lParam);

// The plan for the command id, with the setting it needs read from the settings file now.
CommandPlan CurrentPlan(unsigned id);
