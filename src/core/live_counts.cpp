// The one LiveCounts of the process.
#include "core/live_counts.h"

LiveCounts g_live;
