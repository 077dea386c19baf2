// Tray clicks and the hotkey: a folder menu tracked at the cursor and its choice opened, on the
// window thread.
#include "launcher/tray_click.h"

#include "core/app_state.h"
#include "launcher/build_ahead.h"
#include "launcher/entry_menu.h"
#include "launcher/folder_menu.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher_state.h"
#include "launcher/menu_theme.h"
#include "launcher/owner_draw.h"
#include "launcher/submenu.h"
#include "settings/hotkey.h"
#include "settings/settings_file.h"
#include "shell/idlist.h"

namespace {

// A launcher click that came while the launcher was being built ahead: shown when the
// build arrives, unless another menu was asked for first.
enum class PendingClick { None, Mouse, Keyboard };
PendingClick g_pendingClick = PendingClick::None;

void ShowFolderMenu(HWND window, FolderMode mode, bool fromKeyboard = false)
{
    if (!MayOpenMenu() || g_launcher.folderMenuOpen)
        return;
    // The build under way finishes sooner than a build started now, and keeps the window
    // free meanwhile: the launcher opens when it arrives.
    if (mode == FolderMode::Items && LauncherBuildRunning()) {
        g_pendingClick = fromKeyboard ? PendingClick::Keyboard : PendingClick::Mouse;
        return;
    }
    g_pendingClick = PendingClick::None;
    IMalloc* allocator = nullptr;
    if (SHGetMalloc(&allocator) != S_OK)
        return;
    g_app.menuOpen = true;
    g_launcher.folderMenuOpen = true;
    LaunchEntry* head = nullptr;
    SetForegroundWindow(window);
    POINT point = {};
    GetCursorPos(&point);
    // The settings and the look are read once, here: the menu is built (or chosen from what
    // is kept), measured and drawn with the same values.
    CaptureMenuLook();
    bool kept = false;
    HMENU menu = mode == FolderMode::Items ? LauncherMenu(&head, allocator, &kept)
                                           : DesktopMenu(&head, allocator, &kept);
    if (menu) {
        // The theme is part of the look: a kept menu takes this click's background too.
        ApplyMenuBackground(menu, g_launcher.menuLook);
        FollowSystemMenuTheme(g_launcher.menuLook.dark);
        // A Down already waiting when tracking starts selects the first item, as a menu
        // opened from the keyboard has it.
        if (fromKeyboard)
            PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
        FolderChoice chosen = TrackFolderMenu(menu, head, window, point);
        // An entry of the menu itself, or of a folder's submenu at any depth.
        LPCITEMIDLIST list = nullptr;
        if (chosen.id)
            list = EntryListOfId(menu, head, chosen.id);
        if (list)
            OpenIdList(list, chosen.elevated ? kVerbRunAs : nullptr);
        if (!kept)
            FreeFolderMenu(menu, head, allocator);
        else if (KeptMenu* keptMenu = KeptMenuOf(menu))
            CloseSubmenuWatches(keptMenu->records);
    }
    g_launcher.folderMenuOpen = false;
    g_app.menuOpen = false;
    allocator->Release();
    // Quit came while this click was going on (inside the menu, or a message of the build):
    // what is kept and the watches go now, whether or not a menu was built (a build still
    // running reads the kept records: they go when it ends).
    if (g_app.quitting)
        FreeLauncherAtQuit();
    AfterFolderMenuClosed(window);
}

}  // namespace

bool IsDesktopModifierDown()
{
    unsigned key = DesktopModifierKey(ReadDesktopKey());
    return key != 0 && GetKeyState(static_cast<int>(key)) < 0;
}

TrayAction TrayActionFor(LPARAM lParam)
{
    auto message = static_cast<UINT>(lParam);
    bool modifierDown = message == WM_LBUTTONUP && IsDesktopModifierDown();
    UINT desktopKey = message == WM_MBUTTONUP ? ReadDesktopKey() : 0;
    return RouteTrayClick(message, desktopKey, modifierDown);
}

void OnLauncherTrayAction(HWND window, TrayAction action)
{
    if (action == TrayAction::Launcher)
        ShowFolderMenu(window, FolderMode::Items);
    else if (action == TrayAction::Desktop)
        ShowFolderMenu(window, FolderMode::Desktop);
    else if (action == TrayAction::MainMenu)
        g_pendingClick = PendingClick::None;
}

bool LauncherMenuOpen()
{
    return g_launcher.folderMenuOpen;
}

LRESULT OnLauncherHotKey(HWND window, WPARAM id)
{
    if (id == kLauncherHotKeyId)
        ShowFolderMenu(window, FolderMode::Items, true);
    return 0;
}

LRESULT OnLauncherBuiltMessage(HWND window, LPARAM build)
{
    bool waiting = g_pendingClick != PendingClick::None && !g_app.quitting;
    OnLauncherBuilt(window, build, waiting);
    if (waiting && !LauncherBuildRunning())
        ShowFolderMenu(window, FolderMode::Items, g_pendingClick == PendingClick::Keyboard);
    return 0;
}
