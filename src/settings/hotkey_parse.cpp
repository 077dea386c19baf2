// The hotkey value's parser.
#include "settings/hotkey_parse.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The part [begin, end) is name, without regard to ASCII case.
bool PartIs(const char* begin, const char* end, const char* name)
{
    for (; begin < end && *name; ++begin, ++name) {
        if (UpperAscii(*begin) != UpperAscii(*name))
            return false;
    }
    return begin == end && !*name;
}

unsigned ModifierOf(const char* begin, const char* end)
{
    if (PartIs(begin, end, "Ctrl"))
        return kHotKeyControl;
    if (PartIs(begin, end, "Alt"))
        return kHotKeyAlt;
    if (PartIs(begin, end, "Shift"))
        return kHotKeyShift;
    if (PartIs(begin, end, "Win"))
        return kHotKeyWin;
    return 0;
}

// The virtual key of a letter, a digit or F1 to F24, or 0.
unsigned KeyOf(const char* begin, const char* end)
{
    long length = end - begin;
    char first = UpperAscii(*begin);
    if (length == 1 && ((first >= 'A' && first <= 'Z') || (first >= '0' && first <= '9')))
        return static_cast<unsigned>(first);
    if ((length == 2 || length == 3) && first == 'F' && begin[1] >= '1' && begin[1] <= '9') {
        unsigned number = static_cast<unsigned>(begin[1] - '0');
        if (length == 3) {
            if (begin[2] < '0' || begin[2] > '9')
                return 0;
            number = number * 10 + static_cast<unsigned>(begin[2] - '0');
        }
        return number <= 24 ? kVirtualKeyF1 + number - 1 : 0;
    }
    return 0;
}

}  // namespace

HotKeyText ParseHotKey(const char* text, HotKeyChord* chord)
{
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    if (!*p)
        return HotKeyText::Off;

    unsigned modifiers = 0;
    for (;;) {
        while (IsBlank(*p))
            ++p;
        const char* begin = p;
        while (*p && *p != '+')
            ++p;
        const char* end = p;
        while (end > begin && IsBlank(end[-1]))
            --end;
        if (*p == '+') {
            unsigned modifier = ModifierOf(begin, end);
            if (!modifier || (modifiers & modifier))
                return HotKeyText::Malformed;
            modifiers |= modifier;
            ++p;
            continue;
        }
        if (begin == end)
            return HotKeyText::Malformed;
        unsigned key = KeyOf(begin, end);
        if (!key)
            return HotKeyText::Malformed;
        if (key < kVirtualKeyF1 && !(modifiers & (kHotKeyControl | kHotKeyAlt | kHotKeyWin)))
            return HotKeyText::Malformed;
        chord->modifiers = modifiers;
        chord->virtualKey = key;
        return HotKeyText::Chord;
    }
}
