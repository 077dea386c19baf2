// Tray clicks: the main menu, or a folder menu tracked at the cursor and its choice opened.
#include "launcher/tray_click.h"

#include <shellapi.h>

#include "core/app_state.h"
#include "core/platform_calls.h"
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

#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "SHELLEXECUTEINFOA");
#endif

namespace {

// A launcher click that came while the launcher was being built ahead: shown when the
// build arrives, unless another menu was asked for first.
enum class PendingClick { None, Mouse, Keyboard };
PendingClick g_pendingClick = PendingClick::None;

// One menu of ours at a time, and none after quit: a second menu could not be tracked while
// one is (the launcher's Down key would move the open menu's highlight instead), and one
// built while the launcher's is open would free what that one is drawing from.
bool MayOpenMenu()
{
    return !g_app.menuOpen && !g_app.quitting;
}

void ShowMainTrayMenu(HWND window)
{
    if (!MayOpenMenu())
        return;
    g_app.menuOpen = true;
    POINT point = {};
    GetCursorPos(&point);
    SetForegroundWindow(window);
    TrackPopupMenu(g_app.mainTrayMenu, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0,
                   window, nullptr);
    g_app.menuOpen = false;
}

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

LRESULT OnTrayNotify(HWND window, WPARAM, LPARAM lParam)
{
    switch (TrayActionFor(lParam)) {
    case TrayAction::MainMenu:
        g_pendingClick = PendingClick::None;
        ShowMainTrayMenu(window);
        break;
    case TrayAction::Launcher:
        ShowFolderMenu(window, FolderMode::Items);
        break;
    case TrayAction::Desktop:
        ShowFolderMenu(window, FolderMode::Desktop);
        break;
    case TrayAction::Nothing:
        break;
    }
    return 0;
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

void OpenIdList(LPCITEMIDLIST list, const char* verb)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = GetDesktopWindow();
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    info.lpIDList = const_cast<LPITEMIDLIST>(list);
    // A declined elevation prompt fails the call with ERROR_CANCELLED; like the shell's own
    // launches, that says nothing more.
    g_platform.ShellExecuteExA(&info);
}
