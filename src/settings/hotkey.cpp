// Registering the launcher's hotkey from the settings file.
#include "settings/hotkey.h"

#include "core/platform_calls.h"
#include "core/texts.h"
#include "settings/hotkey_parse.h"
#include "settings/settings_file.h"

namespace {

// The message names the value as the file holds it.
void ReportHotKey(const wchar_t* format, const char* value)
{
    wchar_t wideValue[256];
    if (MultiByteToWideChar(CP_ACP, 0, value, -1, wideValue, ARRAYSIZE(wideValue)) <= 0)
        wideValue[0] = L'\0';
    // wsprintfW writes at most 1024 characters.
    wchar_t text[1024];
    wsprintfW(text, format, wideValue);
    g_platform.MessageBoxW(nullptr, text, kCaptionError, MB_OK | MB_ICONWARNING);
}

}  // namespace

void RegisterLauncherHotKey(HWND window)
{
    char value[256];
    ReadSettingText(kSectionHotKey, kKeyLauncher, value, sizeof(value));
    HotKeyChord chord = {};
    switch (ParseHotKey(value, &chord)) {
    case HotKeyText::Off:
        break;
    case HotKeyText::Malformed:
        ReportHotKey(kTextHotKeyMalformed, value);
        break;
    case HotKeyText::Chord:
        if (!RegisterHotKey(window, kLauncherHotKeyId, chord.modifiers, chord.virtualKey))
            ReportHotKey(kTextHotKeyTaken, value);
        break;
    }
}

void UnregisterLauncherHotKey(HWND window)
{
    UnregisterHotKey(window, kLauncherHotKeyId);
}
