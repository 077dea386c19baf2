// The user's own order of launcher entries, as rules over the order file's text: reading it
// into folders and their ordered names, putting a level's entries in that order, moving one
// entry, and writing the file again. Platform-free; order_file.h reads and writes the file.
//
// The text: UTF-8 (a byte order mark at the start is passed over, never written), lines
// ending in LF or CRLF (CRLF written). A line ending in '\' names a folder and starts its
// section; each following non-empty line, up to the next folder line, is one entry's name
// in that folder as the file system spells it, in the user's order. A Windows name holds
// no backslash, so no quoting is needed. Empty lines are passed over.
//     items\                   (a folder's line)
//     browser.lnk
//     mail.lnk
//
//     items\tools\             (the next folder's)
//     editor.lnk
#pragma once
#include <cstddef>

// Beyond these the whole text is unreadable: no person writes such a file.
constexpr size_t kOrderLineMax = 32 * 1024;          // bytes of one line, without its ending
constexpr size_t kOrderTextMax = 4 * 1024 * 1024;    // bytes of the whole text

// A name or a folder's path: UTF-8 bytes, not terminated. Names compare byte for byte, so
// an entry renamed (or spelled in another Unicode normal form) is another entry.
struct OrderName {
    const char* bytes;
    size_t length;
};

// One folder's section: its path as written (ending in '\'), and its names in order (a
// name may repeat in a hand-written file; its first place counts).
struct OrderFolder {
    OrderName path;
    const OrderName* names;
    size_t count;
};

// Reads the text into folders[0, folderCapacity) and names[0, nameCapacity) (either may be
// null with capacity 0), pointing into text; *folderCount and *nameCount get how many the
// text holds, so a first call with no room measures and a second fills. A folder's names
// lie in names in the folders' order. False, with both counts 0, when the text as a whole is
// unreadable: bad UTF-8 (overlong, surrogate, beyond U+10FFFF, cut), a NUL byte, a CR not
// ending a line, a line or the text beyond its bound, or a name before any folder line.
bool ParseOrderText(const char* text, size_t length, OrderFolder* folders, size_t folderCapacity,
                    OrderName* names, size_t nameCapacity, size_t* folderCount, size_t* nameCount);

// The display order of a level: order[0, count) gets indices into shell (the level's names
// in the shell's order): first the stored names found in shell, in the stored order (a
// stored name that repeats counts once, at its first place), then the names stored does not
// hold, in the shell's order. scratch holds count values; neither it nor order may be null
// when count is not 0.
void ApplyOrder(const OrderName* shell, size_t count, const OrderName* stored, size_t storedCount,
                size_t* order, size_t* scratch);

// Moves the entry at from to position to of items (count entries of itemSize bytes, a
// level's current order of any kind: indices, names, records), shifting the ones between.
// False, with nothing moved, when either position is out of range.
bool MoveOrderEntry(void* items, size_t itemSize, size_t count, size_t from, size_t to);

// The whole file for these folders, in their order: each path line, its names, and an empty
// line between sections (and before a first path that begins with U+FEFF, which would read
// as the byte order mark); CRLF, no byte order mark. A line the file could not hold as it
// stands (empty, not UTF-8, a CR, LF or NUL, beyond kOrderLineMax, a name ending in '\' or a
// path not) is left out, a path's with its section, so the text always reads back to what
// was written. Returns the text's length; writes it to out only when it fits capacity (a
// first call with capacity 0 measures).
size_t WriteOrderText(const OrderFolder* folders, size_t count, char* out, size_t capacity);

// Whether two names (or paths) are the same bytes.
bool SameOrderName(OrderName a, OrderName b);
