// Light, dark and high-contrast colours for the launcher menus, and the system's own
// switch for dark popup menus where it exists.
#include "launcher/menu_theme.h"

#include "core/live_counts.h"
#include "core/platform_calls.h"

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

constexpr DWORD kFirstBuildWithDarkMenus = 18362;
// SetPreferredAppMode: the system's menus light, or following the app theme.
constexpr int kAppModeDefault = 0;
constexpr int kAppModeAllowDark = 1;

HBRUSH g_darkBrush;

// Zero but for its id, which is no item's (launcher ids are 16-bit).
LauncherRecord g_darkSeparator;

// Looked up at the first click.
bool g_darkMenusLooked;
DarkMenuCalls g_darkMenus;
bool g_lastDark;

bool HasDarkMenuEntryPoints()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    // The manifest names Windows 10 as supported, so the version is not the one of an
    // older system pretended.
    return g_platform.GetVersionExA(&version) && version.dwMajorVersion == 10 &&
           version.dwBuildNumber >= kFirstBuildWithDarkMenus;
}

}  // namespace

bool ReadDarkMenuTheme()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    if ((SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON)) ||
        !HasDarkMenuEntryPoints())
        return false;
    DWORD light = 1;
    DWORD size = sizeof(light);
    if (RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, kAppsUseLightTheme, RRF_RT_REG_DWORD, nullptr, &light,
                     &size) != ERROR_SUCCESS)
        return false;
    return light == 0;
}

void CaptureMenuColours(MenuLook* look)
{
    look->dark = ReadDarkMenuTheme();
    if (look->dark) {
        look->highlight = kDarkMenuHighlight;
        look->highlightText = kDarkMenuText;
    }
}

void ApplyMenuBackground(HMENU menu, const MenuLook& look)
{
    if (look.dark && !g_darkBrush) {
        g_darkBrush = CreateSolidBrush(kDarkMenuBackground);
        if (g_darkBrush)
            ++g_live.brushes;
    }
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    // Null is the system's own menu background: a light menu stays as it always was.
    info.hbrBack = look.dark ? g_darkBrush : nullptr;
    SetMenuInfo(menu, &info);
}

ULONG_PTR DarkSeparatorData()
{
    g_darkSeparator.id = 0xFFFFFFFFu;
    return reinterpret_cast<ULONG_PTR>(&g_darkSeparator);
}

void ApplySeparatorLook(HMENU menu, UINT position, const MenuLook& look)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info) || !(info.fType & MFT_SEPARATOR))
        return;
    bool drawn = (info.fType & MFT_OWNERDRAW) != 0;
    if (drawn == look.dark)
        return;
    info.fType = look.dark ? MFT_SEPARATOR | MFT_OWNERDRAW : MFT_SEPARATOR;
    info.dwItemData = look.dark ? DarkSeparatorData() : 0;
    SetMenuItemInfoW(menu, position, TRUE, &info);
}

DarkMenuCalls LookUpDarkMenuCalls()
{
    DarkMenuCalls calls = {};
    HMODULE uxtheme =
        HasDarkMenuEntryPoints() ? LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) : nullptr;
    if (!uxtheme)
        return calls;
    calls.setPreferredAppMode = reinterpret_cast<int(WINAPI*)(int)>(reinterpret_cast<void*>(
        g_platform.GetProcAddress(uxtheme, MAKEINTRESOURCEA(kOrdinalSetPreferredAppMode))));
    calls.flushMenuThemes = reinterpret_cast<void(WINAPI*)()>(reinterpret_cast<void*>(
        g_platform.GetProcAddress(uxtheme, MAKEINTRESOURCEA(kOrdinalFlushMenuThemes))));
    // Both or neither: one without the other would leave the menus half themed.
    if (!calls.setPreferredAppMode || !calls.flushMenuThemes)
        calls = {};
    return calls;
}

void FollowSystemMenuTheme(bool dark)
{
    bool first = !g_darkMenusLooked;
    if (first) {
        g_darkMenusLooked = true;
        g_darkMenus = LookUpDarkMenuCalls();
    }
    if (g_darkMenus.setPreferredAppMode && (first || dark != g_lastDark)) {
        g_darkMenus.setPreferredAppMode(dark ? kAppModeAllowDark : kAppModeDefault);
        g_darkMenus.flushMenuThemes();
    }
    g_lastDark = dark;
}

void FreeMenuThemeBrush()
{
    if (g_darkBrush) {
        DeleteObject(g_darkBrush);
        --g_live.brushes;
        g_darkBrush = nullptr;
    }
}
