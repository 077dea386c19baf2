// The one LiveCounts of the process.
#include "app/live_counts.h"

LiveCounts g_live;
