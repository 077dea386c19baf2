// The one LauncherState of the process.
#include "launcher/launcher_state.h"

LauncherState g_launcher;
