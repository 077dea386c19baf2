// What a changed system setting, or a command chosen from the shell's menu on an entry, means
// for the kept launcher menus: built anew or left alone. Platform-free.
#pragma once

enum class MenuChange {
    Nothing,  // nothing the menus show changed: they stay kept
    Look,     // the look changed (colours, metrics): built anew, every entry's name and icon reused
    Names,    // what the shell shows of entries may have changed: built anew, every entry asked again
};

// The values of the SystemParametersInfo actions a WM_SETTINGCHANGE names in its wParam.
constexpr unsigned kSpiSetDeskWallpaper = 0x0014;
constexpr unsigned kSpiSetNonClientMetrics = 0x002A;
constexpr unsigned kSpiSetIconMetrics = 0x002E;
constexpr unsigned kSpiSetHighContrast = 0x0043;

// A WM_SETTINGCHANGE: action its wParam, section the text its lParam names (null for none).
// The look: the colour set ("ImmersiveColorSet", the light or dark theme), the icon and
// non-client metrics (the menu font, the small icons' size), high contrast, and a change that
// names nothing at all. Names: the shell's own state ("ShellState": hidden extensions, hidden
// files). Everything else (a policy refresh, the environment, the wallpaper) changes nothing.
MenuChange SettingChange(unsigned action, const wchar_t* section);

// A command chosen from the shell's menu on an entry, by its canonical verb (null or empty
// when the command has none): true when what it changes may show in the menus where no
// watch sees it. False for the verbs that change nothing shown (open, copy, properties, ...)
// and for those whose change the watches on the folders see (delete, rename, cut, link).
bool EntryCommandMayChangeUnseen(const char* verb);
