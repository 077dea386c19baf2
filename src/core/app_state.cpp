// The one AppState of the process.
#include "core/app_state.h"

AppState g_app;
