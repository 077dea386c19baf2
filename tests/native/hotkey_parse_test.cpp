// The launcher hotkey's text as a person writes it, natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>

#include "settings/hotkey_parse.h"

namespace {

// "off", "bad", or the modifier flags and the virtual key in hex: "3 4c" is Ctrl+Alt+L.
std::string Parse(const char* text)
{
    HotKeyChord chord = {0xdead, 0xbeef};
    switch (ParseHotKey(text, &chord)) {
    case HotKeyText::Off:
        return chord.modifiers == 0xdead && chord.virtualKey == 0xbeef ? "off" : "off, yet written";
    case HotKeyText::Malformed:
        return chord.modifiers == 0xdead && chord.virtualKey == 0xbeef ? "bad" : "bad, yet written";
    case HotKeyText::Chord: {
        char out[32];
        snprintf(out, sizeof(out), "%x %x", chord.modifiers, chord.virtualKey);
        return out;
    }
    }
    return "?";
}

// Modifiers in any order and case, function keys 1 to 24, empty text off, anything else malformed.
TEST(HotKeyParse, ChordsFunctionKeysOffAndMalformed)
{
    const struct {
        const char* text;
        const char* expected;
    } rows[] = {
        {"Ctrl+Alt+L", "3 4c"},
        {"alt+ctrl+l", "3 4c"},
        {"Shift+Ctrl+Alt+Win+Z", "f 5a"},
        {"Win+Shift+A", "c 41"},
        {"\tCtrl + Alt+ L ", "3 4c"},  // blanks around the parts
        {"Ctrl+0", "2 30"},
        {"F1", "0 70"},       // a function key may stand alone
        {"Shift+F1", "4 70"},
        {"ctrl+f10", "2 79"},
        {"Ctrl+F24", "2 87"},
        {"Ctrl+F0", "bad"},
        {"Ctrl+F25", "bad"},
        {"Ctrl+F01", "bad"},
        {"Ctrl+F", "2 46"},   // the letter F
        {"", "off"},
        {"   ", "off"},
        {"L", "bad"},           // a bare letter or digit would be lost to typing
        {"Shift+L", "bad"},
        {"Ctrl+Alt+", "bad"},
        {"+L", "bad"},
        {"Ctrl++L", "bad"},
        {"Ctrl+Alt+L+", "bad"},
        {"Ctrl+Ctrl+L", "bad"},
        {"Control+L", "bad"},
        {"Ctrlx+L", "bad"},
        {"Ctrl+Alt+Delete", "bad"},
        {"Ctrl+Alt+\xef\xbc\xac", "bad"},  // a full-width L in UTF-8
        {"Ctrl+Alt+\x82\x6b", "bad"},      // the same in Shift-JIS
        {"Ctrl-Alt-L", "bad"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("\"") + row.text + "\"");
        EXPECT_EQ(row.expected, Parse(row.text));
    }
}

}  // namespace
