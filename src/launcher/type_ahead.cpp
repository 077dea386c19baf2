// Type-ahead over the records of the open launcher menu.
#include "launcher/type_ahead.h"

#include <cstddef>

#include "launcher/folder_menu.h"
#include "launcher/type_ahead_match.h"

namespace {

// The first form of the record, which every version of the platform accepts.
constexpr UINT kMenuItemInfoSizeW = offsetof(MENUITEMINFOW, hbmpItem);
#if !defined(_WIN64)
static_assert(kMenuItemInfoSizeW == 44, "MENUITEMINFOW without hbmpItem");
#endif

// The record an item's data points at, or null for an item that is none of the launcher's.
// Called only for a launcher menu.
const LauncherRecord* RecordOfItem(HMENU menu, int index)
{
    MENUITEMINFOW info = {};
    info.cbSize = kMenuItemInfoSizeW;
    info.fMask = MIIM_ID | MIIM_DATA;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &info))
        return nullptr;
    return RecordOfItemData(info.dwItemData, info.wID);
}

// Case folded the same way for names and typed characters, in any script.
unsigned FoldCase(wchar_t character)
{
    wchar_t folded[1] = {character};
    CharUpperBuffW(folded, 1);
    return folded[0];
}

unsigned FoldedFirstChar(int index, void* menu)
{
    const LauncherRecord* record = RecordOfItem(static_cast<HMENU>(menu), index);
    return record ? FoldCase(record->msaa.pszWText[0]) : 0;
}

}  // namespace

LRESULT OnLauncherMenuChar(HWND window, WPARAM wParam, LPARAM lParam)
{
    auto menu = reinterpret_cast<HMENU>(lParam);
    int count = GetMenuItemCount(menu);
    int current = -1;
    for (int i = 0; i < count && current < 0; ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE)
            current = i;
    }
    // The tray window is a Unicode window: the character arrives as UTF-16 whatever the
    // code page (an ANSI window gets one code unit of it, which under UTF-8 or a double-byte
    // code page is no character at all).
    TypeAheadPick pick = PickByFirstChar(count, current, FoldCase(static_cast<wchar_t>(LOWORD(wParam))),
                                         FoldedFirstChar, menu);
    if (pick.index < 0)
        return MAKELRESULT(0, MNC_IGNORE);
    if (pick.unique)
        return MAKELRESULT(pick.index, MNC_EXECUTE);
    // Wine's menus act on MNC_EXECUTE and MNC_CLOSE only. Highlighting the item moves their
    // selection to it; where MNC_SELECT is honoured it selects the same item.
    HiliteMenuItem(window, menu, static_cast<UINT>(pick.index), MF_BYPOSITION | MF_HILITE);
    return MAKELRESULT(pick.index, MNC_SELECT);
}
