// The launcher's face: everything the rooms above it (the tray window, the tray) ask of the
// launcher. Each is defined by the launcher unit named beside it; all run on the window thread.
#pragma once
#include <windows.h>

#include "launcher/click_route.h"
#include "launcher/menu_focus.h"

// build_ahead: the launcher menu built ahead of the click, on a thread of its own.
// Posted by the build thread to the window; lParam is the finished build.
constexpr UINT kLauncherBuilt = WM_APP + 8;
// Posted by an icon lookup that answered after its build stopped waiting; lParam is the icon.
constexpr UINT kLauncherIconCame = WM_APP + 9;
// kLauncherIconCame: the icon goes into the records waiting for it (the kept menus' among
// them, without a rebuild), and an open menu is drawn again; while a build runs, once it is back.
void OnLauncherIconCame(LPARAM icon);
// Starts a build now unless one runs or a folder menu is open (it then follows them);
// nothing when items can't be watched (nothing would be kept: the click builds).
void StartLauncherBuildAhead(HWND window);
// A build is running or still to come (before the first was asked for, in a quiet time,
// after an open menu): the program is not idle yet.
bool LauncherBuildPending();
// For the message loop: the watch on items to wait on (null: none), and how long to wait
// before a quiet folder is built anew (INFINITE while nothing changed).
HANDLE LauncherWatchHandle();
DWORD LauncherQuietWait();
// For the message loop: the build thread to wait on (null: none), and its end seen: a build
// whose post was refused counts as ended, so no click waits for it.
HANDLE LauncherBuildThreadHandle();
void OnLauncherBuildThreadEnded(HWND window);
// The watch fired (or a wait on it failed): build again once the folder is quiet.
void OnLauncherWatchSignalled();
// The quiet time passed.
void OnLauncherQuiet(HWND window);
// At quit: frees what the launcher keeps (the kept menus, their change notifications, the
// dark menu background) now, or, while a folder menu is open or a build runs, when it ends.
void FreeLauncherAtQuit();

// The shell announced changed icons or associations, or changed what it shows of entries:
// the next click of either menu builds anew, and the launcher is built ahead once quiet.
void OnLauncherSourceChanged();
// The shell announced changed icons: the icons' kept pixels are taken again, and as above.
void OnLauncherIconsChanged();
// WM_SETTINGCHANGE (action its wParam, section its lParam's text or null): a change of look
// builds both menus anew once quiet, reusing every entry's name and icon; a change of the
// shell's state as OnLauncherSourceChanged; anything else (a policy refresh, the environment,
// the wallpaper) changes nothing the menus show and leaves them kept.
void OnLauncherSettingChanged(UINT action, const wchar_t* section);
// WM_SYSCOLORCHANGE, WM_THEMECHANGED: a change of look, as above.
void OnLauncherLookChanged();

// tray_click: the folder menus at a click or the hotkey.
// What a tray mouse message asks for, by the setting and the keys held now.
TrayAction TrayActionFor(LPARAM lParam);
// The launcher (TrayAction::Launcher) or the desktop list (TrayAction::Desktop) at the
// cursor; any other action only forgets a launcher click still waiting for its build.
void OnLauncherTrayAction(HWND window, TrayAction action);
// WM_HOTKEY: the launcher's hotkey opens the launcher at the mouse pointer with its first
// item selected, so the arrows and Return work at once. Returns 0.
LRESULT OnLauncherHotKey(HWND window, WPARAM id);
// kLauncherBuilt: kept, and shown at once for a launcher click that came while it was being
// built and is still wanted (tray_click.cpp). Returns 0.
LRESULT OnLauncherBuiltMessage(HWND window, LPARAM build);
// A folder menu is being built or tracked.
bool LauncherMenuOpen();
// A launcher click held for the build under way waits this long at most.
constexpr DWORD kHeldClickMs = 1000;
// For the message loop: how long until a held click's time is up (INFINITE: none held), and
// that time up: the click, if still wanted, is answered with a launcher built for it.
DWORD LauncherHeldClickWait();
void OnLauncherHeldClickDue(HWND window);

// folder_menu: whether the menu's items are launcher records.
bool IsLauncherMenu(HMENU menu);
// owner_draw: each item's record is found from its item data.
void MeasureLauncherItem(HWND window, MEASUREITEMSTRUCT* mis);
void DrawLauncherItem(HWND window, DRAWITEMSTRUCT* dis);
// submenu (WM_INITMENUPOPUP): a folder's submenu about to open is filled, or checked and kept.
void OnLauncherMenuPopup(HMENU popup);
// type_ahead: the answer to WM_MENUCHAR for a launcher menu (lParam).
LRESULT OnLauncherMenuChar(HWND window, WPARAM wParam, LPARAM lParam);

// entry_menu: the shell's context menu on an entry of an open folder menu.
// Posted to the folder menu's window when a key or the right button asks for it.
constexpr UINT kShowEntryContextMenu = WM_APP + 20;
void OnShowEntryContextMenu(HWND window);
// While the shell's context menu is shown, the owner's menu messages (WM_INITMENUPOPUP,
// WM_MEASUREITEM, WM_DRAWITEM, WM_MENUCHAR) for its items go to it: true when this message
// was the context menu's, with its answer in *result.
bool ForwardToEntryContextMenu(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
