// Log off and the machine's power states. On the NT family shutting down, restarting,
// hibernating and suspending first need the shutdown privilege in the process token.
#pragma once
#include <windows.h>

// True on the NT platform family.
BOOL IsWinNT();

// 0 on success, 1 when adjusting failed, -1 when the process token can't be opened.
int EnableShutdownPrivilege();

// 0 on success, -1 when the privilege failed, else the platform's last error.
int PowerOffSystem(BOOL force);
int RebootSystem(BOOL force);

// -1 when the privilege failed, else the result of SetSystemPowerState.
int HibernateSystem();
int StandbySystem();

// Ends the session; a refusal is shown in a warning box owned by window.
void LogOffUser(HWND window);
