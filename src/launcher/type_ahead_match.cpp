// The type-ahead decision over the launcher's item names.
#include "launcher/type_ahead_match.h"

TypeAheadPick PickByFirstChar(int count, int current, unsigned typed, ItemFirstChar firstChar,
                              void* context)
{
    TypeAheadPick pick = {-1, false};
    if (typed == 0 || count <= 0)
        return pick;
    if (current < 0 || current >= count)
        current = -1;
    // From the item after the selected one round to the selected one itself, last.
    int matches = 0;
    for (int step = 1; step <= count && matches < 2; ++step) {
        int index = (current + step) % count;
        if (firstChar(index, context) != typed)
            continue;
        if (matches++ == 0)
            pick.index = index;
    }
    pick.unique = matches == 1;
    return pick;
}
