// The order file "order1.txt" beside the executable: the user's own order of the launcher's
// entries, per folder (the rules and the format are in order_rules.h). Touches no menu and
// no window.
//
// How the launcher uses it:
//   - At a click: OrderFileChanged(store) (one attribute read) says whether a hand edit
//     came since LoadOrderFile; the kept menu is then put in order again.
//   - Building a level: ApplyFolderOrder gives the display order of the shell's names;
//     FindFolderOrder says whether the level has an order of its own ("元の順序に戻す").
//   - After a move (MoveOrderEntry over the level's current names): SetFolderOrder with
//     the level's whole current order; "元の順序に戻す": ForgetFolderOrder. Both save.
// Names are UTF-8 as the file system spells them (WideToOrderName from a wide name).
// Nothing is created until the first save; no message box is ever shown.
#pragma once
#include <windows.h>

#include "launcher/order_rules.h"

constexpr char kOrderFileName[] = "order1.txt";
constexpr wchar_t kOrderTempSuffix[] = L".tmp";              // written whole, then moved over
constexpr wchar_t kOrderAsideSuffix[] = L".unreadable";       // then "-2", "-3" ... when taken

// What tells a hand edit: the file's size and last write time, or that there is none.
struct OrderFileStamp {
    bool exists;
    ULONGLONG size;
    FILETIME lastWrite;
};

// The order file as last loaded or saved. Zero-filled it is a store with nothing loaded
// (the shell's order everywhere); the owner frees it with FreeOrderStore.
struct OrderStore {
    void* block;           // one heap block: folders, their names, then the text they point into
    OrderFolder* folders;
    size_t folderCount;
    // The file is there but could not be read (its text, or the file itself): the shell's
    // order is shown, and the file is set aside before the next save writes a new one.
    bool unreadable;
    OrderFileStamp stamp;  // of the file as loaded or saved
};

// The stamp of the order file as it is now; exists false when it is missing or can't be reached.
OrderFileStamp ReadOrderFileStamp();
bool SameOrderFileStamp(const OrderFileStamp& a, const OrderFileStamp& b);

// Reads the order file into store (replacing what it held). False when it is there but
// unreadable (store.unreadable set, no folders); a missing file is an empty, readable store.
bool LoadOrderFile(OrderStore& store);

// Whether the file is no longer the one store was loaded from or saved as (a hand edit).
bool OrderFileChanged(const OrderStore& store);

// The stored order of the folder at folderPath (a full path in the system code page, with or
// without its trailing '\'), or null when the folder has no order of its own.
const OrderFolder* FindFolderOrder(const OrderStore& store, const char* folderPath);

// The display order of a level listed from folderPath: order[0, count) gets indices into
// shell, the level's names in the shell's order (ApplyOrder; the shell's order itself when
// the folder has no order or memory runs out).
void ApplyFolderOrder(const OrderStore& store, const char* folderPath, const OrderName* shell,
                      size_t count, size_t* order);

// Gives the folder at folderPath the order names[0, count) (the level's whole current
// order: names no longer listed are thereby dropped; they may be the store's own), or
// forgets its order, and saves the file. A hand edit since the store was read is read
// first, so it is kept for the other folders. False when the file could not be written (the store holds the new order all the
// same, and the next save writes it).
bool SetFolderOrder(OrderStore& store, const char* folderPath, const OrderName* names, size_t count);
bool ForgetFolderOrder(OrderStore& store, const char* folderPath);

void FreeOrderStore(OrderStore& store);

// A wide name as an order file's name (UTF-8, terminated, into bytes bytes); FALSE, with
// utf8 empty, when it does not fit or is not well-formed UTF-16.
BOOL WideToOrderName(const wchar_t* wide, char* utf8, int bytes);
