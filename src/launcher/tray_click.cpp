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
// build arrives, while the user still waits for it. It is not wanted any more once another
// window came to the front or a key was pressed (it went to another window), nor later than
// kHeldClickMs after the click: a menu opening then would take keys meant for another
// window. A click still wanted when that time is up is answered at once with a launcher
// built for it (kept nowhere: the build under way is kept when it comes).
enum class PendingClick { None, Mouse, Keyboard };
struct HeldClick {
    PendingClick kind;
    DWORD at;         // GetTickCount() at the click
    HWND foreground;  // the foreground window at the click
    bool keyPressed;  // a key went down since the click
    HHOOK keys;       // sees the keys while the click is held
};
HeldClick g_held;

// A key that goes down now (not one held since before, which repeats): the user is typing
// elsewhere. The system has not yet updated the key's state when it calls the hook.
LRESULT CALLBACK KeyWhileHeld(int code, WPARAM message, LPARAM lParam)
{
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) &&
        GetAsyncKeyState(static_cast<int>(key->vkCode)) >= 0)
        g_held.keyPressed = true;
    return CallNextHookEx(nullptr, code, message, lParam);
}

void Hold(bool fromKeyboard)
{
    if (g_held.kind == PendingClick::None)
        g_held.keys = SetWindowsHookExW(WH_KEYBOARD_LL, KeyWhileHeld, GetModuleHandleW(nullptr), 0);
    g_held.kind = fromKeyboard ? PendingClick::Keyboard : PendingClick::Mouse;
    g_held.at = GetTickCount();
    g_held.foreground = GetForegroundWindow();
    g_held.keyPressed = false;
}

void ForgetHeldClick()
{
    if (g_held.keys)
        UnhookWindowsHookEx(g_held.keys);
    g_held = {};
}

// The held click is still wanted (held no longer than kHeldClickMs is the caller's to judge).
// Another window in front counts only where the user did something since the click: a
// window in front at the click may go by itself (a message box just closed), and the
// foreground then passes on without the user going anywhere.
bool HeldClickWanted()
{
    if (g_held.kind == PendingClick::None || g_held.keyPressed)
        return false;
    LASTINPUTINFO input = {sizeof(input), 0};
    bool inputSince = !GetLastInputInfo(&input) || static_cast<LONG>(input.dwTime - g_held.at) > 0;
    return GetForegroundWindow() == g_held.foreground || !inputSince;
}

// overBuild: answers a held click whose time is up with a launcher built for it alone.
void ShowFolderMenu(HWND window, FolderMode mode, bool fromKeyboard = false, bool overBuild = false)
{
    if (!MayOpenMenu() || g_launcher.folderMenuOpen)
        return;
    // The build under way finishes sooner than a build started now, and keeps the window
    // free meanwhile: the launcher opens when it arrives.
    bool building = mode == FolderMode::Items && LauncherBuildRunning();
    if (building && !overBuild) {
        Hold(fromKeyboard);
        return;
    }
    ForgetHeldClick();
    g_app.menuOpen = true;
    g_launcher.folderMenuOpen = true;
    LaunchEntry* head = nullptr;
    SetForegroundWindow(window);
    // The settings and the look are read once, here: the menu is built (or chosen from what
    // is kept), measured and drawn with the same values, and opens where they were read.
    const POINT point = CaptureMenuLook();
    bool kept = false;
    // While a build runs the kept menu is read by it and stays as it is: this menu is the
    // click's own, without the kept records.
    HMENU menu = building ? BuildFolderMenu(&head, mode, g_launcher.menuLook)
                 : mode == FolderMode::Items ? LauncherMenu(&head, &kept)
                                             : DesktopMenu(&head, &kept);
    if (menu) {
        // The theme is part of the look: a kept menu takes this click's background too.
        ApplyMenuBackground(menu, g_launcher.menuLook);
        FollowSystemMenuTheme(g_launcher.menuLook.dark);
        // A Down already waiting when tracking starts selects the first item, as a menu
        // opened from the keyboard has it.
        if (fromKeyboard)
            PostMessageW(window, WM_KEYDOWN, VK_DOWN, kOpeningDownLParam);
        FolderChoice chosen = TrackFolderMenu(menu, head, window, point);
        // An entry of the menu itself, or of a folder's submenu at any depth.
        LPCITEMIDLIST list = nullptr;
        if (chosen.id)
            list = EntryListOfId(menu, head, chosen.id);
        if (list)
            OpenIdList(list, chosen.elevated ? kVerbRunAs : nullptr);
        if (!kept)
            FreeFolderMenu(menu, head);
        else if (KeptMenu* keptMenu = KeptMenuOf(menu))
            CloseSubmenuWatches(keptMenu->records);
    }
    g_launcher.folderMenuOpen = false;
    g_app.menuOpen = false;
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
        ForgetHeldClick();
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
    if (g_held.kind != PendingClick::None && (g_app.quitting || !HeldClickWanted()))
        ForgetHeldClick();
    bool waiting = g_held.kind != PendingClick::None;
    OnLauncherBuilt(window, build, waiting);
    if (waiting && !LauncherBuildRunning())
        ShowFolderMenu(window, FolderMode::Items, g_held.kind == PendingClick::Keyboard);
    return 0;
}

DWORD LauncherHeldClickWait()
{
    if (g_held.kind == PendingClick::None)
        return INFINITE;
    DWORD passed = GetTickCount() - g_held.at;
    return passed >= kHeldClickMs ? 0 : kHeldClickMs - passed;
}

void OnLauncherHeldClickDue(HWND window)
{
    if (g_held.kind == PendingClick::None || LauncherHeldClickWait() != 0)
        return;
    if (g_app.quitting || !HeldClickWanted()) {
        ForgetHeldClick();
        return;
    }
    ShowFolderMenu(window, FolderMode::Items, g_held.kind == PendingClick::Keyboard, true);
}
