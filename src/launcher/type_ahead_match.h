// Which launcher item a typed character picks: the next item after the selected one whose
// name starts with it, chosen at once when no other name does. Platform-free.
#pragma once

// The first character of item index's name, folded to one case as the typed character
// is, or 0 for an item without a name.
using ItemFirstChar = unsigned (*)(int index, void* context);

struct TypeAheadPick {
    int index;    // the item to select or choose; -1 when no name starts with the character
    bool unique;  // no other name starts with it: the item is chosen, not just selected
};

// count items, of which current is selected (-1: none). A typed 0 picks nothing.
TypeAheadPick PickByFirstChar(int count, int current, unsigned typed, ItemFirstChar firstChar,
                              void* context);
