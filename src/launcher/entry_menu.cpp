// The keys and the right button on an entry of an open folder menu. A menu's own loop
// hands none of them to its owner in a form that names the entry (Ctrl+Return translates
// to a control character that menus drop; the context-menu key and Shift+F10 are not
// passed on; a right click is reported only where the platform sends WM_MENURBUTTONUP),
// so a message filter hook, for this thread and only while a folder menu is tracked, sees
// them before the menu does ("MessageProc callback function", MSGF_MENU) and finds the
// entry from the highlighted item or the item under the pointer.
#include "launcher/entry_menu.h"

#include <ole2.h>

#include <cstddef>

#include "core/texts.h"
#include "launcher/entry_move.h"
#include "launcher/folder_menu.h"
#include "launcher/kept_menu.h"
#include "launcher/menu_focus.h"
#include "launcher/menu_order.h"
#include "launcher/rebuild_cause.h"
#include "launcher/submenu.h"

namespace {

constexpr UINT kFolderMenuFlags = TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_VCENTERALIGN | TPM_BOTTOMALIGN;
// The shell's commands are numbered from here in its context menu; 0 means none chosen.
constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = 0x7FFF;
// "元の順序に戻す", above the shell's commands.
constexpr UINT kRestoreOrderCommand = kLastShellCommand + 1;

constexpr UINT kMenuItemInfoSizeW = offsetof(MENUITEMINFOW, hbmpItem);

// The folder menu being tracked, for the hook, which has no other way to reach it.
struct Tracking {
    HMENU menu;        // null while no folder menu is tracked
    LaunchEntry* head;
    HWND window;
    UINT elevatedId;   // the entry chosen with Ctrl+Shift+Return
    bool showAgain;    // the platform ended the folder menu with the context menu
    // The context menu asked for, shown when kShowEntryContextMenu arrives.
    LPCITEMIDLIST askedList;
    HMENU askedLevel;  // the menu level the entry is shown in
    POINT askedPoint;
    bool askedExtended;
};
Tracking g_tracking;

// The shell's context menu while it is shown; its owner's menu messages go to it.
struct ShownContextMenu {
    IContextMenu* menu;
    IContextMenu2* menu2;
    IContextMenu3* menu3;
};
ShownContextMenu g_shown;

bool Held(int key)
{
    return GetKeyState(key) < 0;
}

bool InMenuMode()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE);
}

// The highlighted item of the deepest open menu below menu.
bool HighlightedItem(HMENU menu, HMENU* owner, int* index)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (!(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE))
            continue;
        HMENU sub = GetSubMenu(menu, i);
        if (sub && HighlightedItem(sub, owner, index))
            return true;
        *owner = menu;
        *index = i;
        return true;
    }
    return false;
}

// The list of a folder-menu item, in the menu or a folder's submenu at any depth, and its
// id; null for any other item.
LPCITEMIDLIST ListOfItem(HMENU menu, int index, UINT* id)
{
    MENUITEMINFOW info = {};
    info.cbSize = kMenuItemInfoSizeW;
    info.fMask = MIIM_ID | MIIM_DATA;
    if (index < 0 || !IsLauncherMenu(menu) || !GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &info))
        return nullptr;
    const LauncherRecord* record = RecordOfItemData(info.dwItemData, info.wID);
    if (!record)
        return nullptr;
    *id = record->id;
    return EntryListOfId(g_tracking.menu, g_tracking.head, record->id);
}

// The folder menu's item under a point on the screen, in whichever of its menus is there.
LPCITEMIDLIST ListAtPoint(POINT point, HMENU* owner)
{
    if (!MenuWindowAt(point, owner))
        return nullptr;
    UINT id = 0;
    return ListOfItem(*owner, MenuItemFromPoint(nullptr, *owner, point), &id);
}

// The message that asked for the context menu is still in the queue while the hook runs
// (the menu's loop takes it out once the hook has taken it): a menu opened here would read
// it again (F10 would close it at once). The menu is shown when the window's message,
// posted behind it, comes through the folder menu's loop.
void AskForEntryContextMenu(LPCITEMIDLIST list, HMENU level, POINT point, bool extendedVerbs)
{
    g_tracking.askedList = list;
    g_tracking.askedLevel = level;
    g_tracking.askedPoint = point;
    g_tracking.askedExtended = extendedVerbs;
    PostMessageW(g_tracking.window, kShowEntryContextMenu, 0, 0);
}

// True when the message was the folder menu's business here and is taken from the menu.
bool OnFolderMenuMessage(const MSG& msg)
{
    if (OnEntryDragMessage(msg, g_tracking.window))
        return true;
    // Ctrl alone: Ctrl+Shift belongs to opening as administrator.
    bool moveKey = msg.message == WM_KEYDOWN && (msg.wParam == VK_UP || msg.wParam == VK_DOWN) &&
                   msg.lParam != kOpeningDownLParam && Held(VK_CONTROL) && !Held(VK_SHIFT);
    if (moveKey) {
        HMENU owner = nullptr;
        int index = -1;
        return HighlightedItem(g_tracking.menu, &owner, &index) &&
               MoveHighlightedEntry(owner, index, msg.wParam == VK_UP ? -1 : 1);
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        bool menuKey = msg.wParam == VK_APPS || (msg.wParam == VK_F10 && Held(VK_SHIFT));
        bool elevateKey = msg.wParam == VK_RETURN && Held(VK_CONTROL) && Held(VK_SHIFT);
        if (!menuKey && !elevateKey)
            return false;
        HMENU owner = nullptr;
        int index = -1;
        UINT id = 0;
        LPCITEMIDLIST list = HighlightedItem(g_tracking.menu, &owner, &index) ? ListOfItem(owner, index, &id) : nullptr;
        if (list && elevateKey) {
            g_tracking.elevatedId = id;
            EndOurMenu();
        } else if (list) {
            RECT item = {};
            GetMenuItemRect(nullptr, owner, static_cast<UINT>(index), &item);
            AskForEntryContextMenu(list, owner, {item.left, item.bottom}, false);
        }
        // F10 would otherwise end the menu: the key is taken even with nothing highlighted.
        return menuKey || list;
    }
    if (msg.message == WM_RBUTTONUP) {
        HMENU owner = nullptr;
        if (LPCITEMIDLIST list = ListAtPoint(msg.pt, &owner)) {
            // Shift with the right button adds the extended commands, as in the shell.
            AskForEntryContextMenu(list, owner, msg.pt, Held(VK_SHIFT));
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK FolderMenuFilter(int code, WPARAM wParam, LPARAM lParam)
{
    // The context menu's own loop passes here too: it is left alone.
    if (code == MSGF_MENU && g_tracking.menu && !g_shown.menu &&
        OnFolderMenuMessage(*reinterpret_cast<const MSG*>(lParam)))
        return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void OnShowEntryContextMenu(HWND window)
{
    LPCITEMIDLIST list = g_tracking.askedList;
    g_tracking.askedList = nullptr;
    // Asked for by an open folder menu, which still holds the entry.
    if (list && g_tracking.menu)
        ShowEntryContextMenu(window, list, g_tracking.askedPoint, g_tracking.askedExtended, g_tracking.askedLevel);
}

FolderChoice TrackFolderMenu(HMENU menu, LaunchEntry* head, HWND window, POINT point)
{
    g_tracking = {menu, head, window, 0, false, nullptr, nullptr, {}, false};
    MenuFocusScope focus(window);
    HHOOK hook = SetWindowsHookExW(WH_MSGFILTER, FolderMenuFilter, nullptr, GetCurrentThreadId());
    UINT chosen = 0;
    do {
        g_tracking.showAgain = false;
        chosen = TrackPopupMenu(menu, kFolderMenuFlags, point.x, point.y, 0, window, nullptr);
    } while (!chosen && g_tracking.showAgain && !g_tracking.elevatedId);
    if (hook)
        UnhookWindowsHookEx(hook);
    EndEntryDrag();
    // Ctrl+Shift held as the item was chosen (a click) asks for it as administrator, too.
    FolderChoice choice = {chosen, chosen && Held(VK_CONTROL) && Held(VK_SHIFT)};
    if (!chosen && g_tracking.elevatedId)
        choice = {g_tracking.elevatedId, true};
    g_tracking = {};
    return choice;
}

namespace {

// The shell's context menu object for the entry, or null.
IContextMenu* EntryContextMenu(HWND window, LPCITEMIDLIST list)
{
    IShellFolder* parent = nullptr;
    LPCITEMIDLIST child = nullptr;
    IContextMenu* contextMenu = nullptr;
    if (SHBindToParent(list, __uuidof(IShellFolder), reinterpret_cast<void**>(&parent), &child) != S_OK)
        return nullptr;
    if (parent->GetUIObjectOf(window, 1, &child, __uuidof(IContextMenu), nullptr,
                              reinterpret_cast<void**>(&contextMenu)) != S_OK)
        contextMenu = nullptr;
    parent->Release();
    return contextMenu;
}

// Enough for every canonical verb the shell gives ("opencontaining", "properties").
constexpr int kVerbChars = 64;

// The canonical verb of the command at offset in contextMenu's menu, as ASCII; empty when it
// has none (or one this can't hold). Asked for wide first: some handlers answer only so.
void CanonicalVerb(IContextMenu* contextMenu, UINT offset, char* verb)
{
    wchar_t wide[kVerbChars] = {};
    verb[0] = '\0';
    if (SUCCEEDED(contextMenu->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<char*>(wide),
                                                kVerbChars)) && wide[0]) {
        wide[kVerbChars - 1] = L'\0';
        int i = 0;
        for (; wide[i] && wide[i] < 0x80; ++i)
            verb[i] = static_cast<char>(wide[i]);
        verb[wide[i] ? 0 : i] = '\0';
        return;
    }
    if (FAILED(contextMenu->GetCommandString(offset, GCS_VERBA, nullptr, verb, kVerbChars)))
        verb[0] = '\0';
    verb[kVerbChars - 1] = '\0';
}

// Runs the shell's command at offset in contextMenu's menu on the entry.
void InvokeEntryCommand(HWND window, IContextMenu* contextMenu, UINT offset)
{
    char verb[kVerbChars];
    CanonicalVerb(contextMenu, offset, verb);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.hwnd = window;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    contextMenu->InvokeCommand(&info);
    // A deleted or renamed shortcut shows through the watches; what a command no watch sees
    // may have changed is built ahead, as the folder menu closes.
    if (EntryCommandMayChangeUnseen(verb)) {
        MarkKeptMenuStale();
        StartLauncherBuildAhead(window);
    }
}

}  // namespace

void ShowEntryContextMenu(HWND window, LPCITEMIDLIST list, POINT point, bool extendedVerbs, HMENU level)
{
    if (g_shown.menu)
        return;
    // Shell extensions in the menu (send to, copy to the clipboard) need COM and OLE.
    HRESULT ole = OleInitialize(nullptr);
    IContextMenu* contextMenu = SUCCEEDED(ole) ? EntryContextMenu(window, list) : nullptr;
    HMENU popup = contextMenu ? CreatePopupMenu() : nullptr;
    UINT flags = CMF_NORMAL | (extendedVerbs ? CMF_EXTENDEDVERBS : 0);
    if (popup && SUCCEEDED(contextMenu->QueryContextMenu(popup, 0, kFirstShellCommand, kLastShellCommand, flags))) {
        g_shown.menu = contextMenu;
        if (FAILED(contextMenu->QueryInterface(__uuidof(IContextMenu3), reinterpret_cast<void**>(&g_shown.menu3))))
            g_shown.menu3 = nullptr;
        if (FAILED(contextMenu->QueryInterface(__uuidof(IContextMenu2), reinterpret_cast<void**>(&g_shown.menu2))))
            g_shown.menu2 = nullptr;
        if (level && HasOwnOrder(level)) {
            InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, kRestoreOrderCommand, kTextRestoreOrder);
            InsertMenuW(popup, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        }
        // Over the open folder menu, which stays open beneath it.
        UINT chosen = TrackPopupMenu(popup, TPM_RECURSE | TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0,
                                     window, nullptr);
        // Back to the shell's order: the folder menu stays open (or is shown again) in it.
        if (chosen == kRestoreOrderCommand) {
            ForgetMenuOrder(level);
            RepaintMenu(level);
            chosen = 0;
        }
        if (chosen) {
            InvokeEntryCommand(window, contextMenu, chosen - kFirstShellCommand);
            EndOurMenu();
        } else if (g_tracking.menu && !InMenuMode()) {
            // Where ending the inner menu also ends the one beneath it (Wine's menus), the
            // folder menu is shown again, as it would have stayed: wake its loop to end.
            g_tracking.showAgain = true;
            PostMessageW(window, WM_NULL, 0, 0);
        }
        if (g_shown.menu3)
            g_shown.menu3->Release();
        if (g_shown.menu2)
            g_shown.menu2->Release();
        g_shown = {};
    }
    if (popup)
        DestroyMenu(popup);
    if (contextMenu)
        contextMenu->Release();
    if (SUCCEEDED(ole)) {
        // What "Copy" or "Cut" put on the clipboard is rendered now: it must outlive OLE
        // on this thread.
        OleFlushClipboard();
        OleUninitialize();
    }
}

bool ForwardToEntryContextMenu(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (!g_shown.menu2 && !g_shown.menu3)
        return false;
    switch (message) {
    case WM_INITMENUPOPUP:
        if (IsLauncherMenu(reinterpret_cast<HMENU>(wParam)))
            return false;
        break;
    case WM_DRAWITEM: {
        // A menu item's "window" is its menu: the folder menu's own items are drawn by it.
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlType != ODT_MENU || IsLauncherMenu(reinterpret_cast<HMENU>(dis->hwndItem)))
            return false;
        break;
    }
    case WM_MEASUREITEM:
        // The folder menu's items were measured when it opened; only the context menu's are
        // measured while it is shown.
        if (reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlType != ODT_MENU)
            return false;
        break;
    case WM_MENUCHAR:
        if (IsLauncherMenu(reinterpret_cast<HMENU>(lParam)))
            return false;
        break;
    default:
        return false;
    }
    *result = 0;
    if (g_shown.menu3) {
        LRESULT answer = 0;
        if (SUCCEEDED(g_shown.menu3->HandleMenuMsg2(message, wParam, lParam, &answer)))
            *result = answer;
    } else {
        g_shown.menu2->HandleMenuMsg(message, wParam, lParam);
    }
    // Owner-drawn items report handled; a menu character without an answer is ignored.
    if (message == WM_DRAWITEM || message == WM_MEASUREITEM)
        *result = TRUE;
    return true;
}
