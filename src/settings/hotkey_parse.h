// Reading the launcher's hotkey as a person writes it in the settings file, "Ctrl+Alt+L":
// modifiers Ctrl, Alt, Shift and Win in any order and case, joined by '+', then one letter,
// digit or F1 to F24. Blanks around the parts are allowed. Platform-free.
#pragma once

// The modifier flags and virtual keys RegisterHotKey takes.
constexpr unsigned kHotKeyAlt = 0x0001;
constexpr unsigned kHotKeyControl = 0x0002;
constexpr unsigned kHotKeyShift = 0x0004;
constexpr unsigned kHotKeyWin = 0x0008;
constexpr unsigned kVirtualKeyF1 = 0x70;

struct HotKeyChord {
    unsigned modifiers;
    unsigned virtualKey;
};

enum class HotKeyText { Off, Chord, Malformed };

// Off for an empty value (or blanks only): no hotkey. Chord fills *chord. Anything else is
// Malformed, including a modifier named twice and a letter or digit with no modifier but
// Shift, which would take that key away from typing everywhere.
HotKeyText ParseHotKey(const char* text, HotKeyChord* chord);
