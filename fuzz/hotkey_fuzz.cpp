// Fuzzes the hotkey parser over arbitrary terminated byte strings: no read past the end,
// "off" exactly for blanks, and every chord it accepts is a real one that reads back the
// same from its own canonical spelling.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/hotkey_parse.h"

namespace {

std::string Spell(const HotKeyChord& chord)
{
    std::string text;
    if (chord.modifiers & kHotKeyControl)
        text += "Ctrl+";
    if (chord.modifiers & kHotKeyAlt)
        text += "Alt+";
    if (chord.modifiers & kHotKeyShift)
        text += "Shift+";
    if (chord.modifiers & kHotKeyWin)
        text += "Win+";
    if (chord.virtualKey >= kVirtualKeyF1)
        text += "F" + std::to_string(chord.virtualKey - kVirtualKeyF1 + 1);
    else
        text += static_cast<char>(chord.virtualKey);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A block of exactly the string's size, so the sanitizer sees any read past its end.
    size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    char* text = static_cast<char*>(malloc(length + 1));
    memcpy(text, data, length);
    text[length] = '\0';

    HotKeyChord chord = {};
    HotKeyText result = ParseHotKey(text, &chord);
    bool blanks = strspn(text, " \t") == length;
    if ((result == HotKeyText::Off) != blanks)
        abort();
    if (result == HotKeyText::Chord) {
        unsigned key = chord.virtualKey;
        bool letterOrDigit = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
        bool functionKey = key >= kVirtualKeyF1 && key < kVirtualKeyF1 + 24;
        if ((chord.modifiers & ~0xFu) || !(letterOrDigit || functionKey))
            abort();
        if (letterOrDigit && !(chord.modifiers & (kHotKeyControl | kHotKeyAlt | kHotKeyWin)))
            abort();
        HotKeyChord again = {};
        if (ParseHotKey(Spell(chord).c_str(), &again) != HotKeyText::Chord ||
            again.modifiers != chord.modifiers || again.virtualKey != chord.virtualKey)
            abort();
    }
    free(text);
    return 0;
}
