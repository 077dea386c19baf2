// Which announcements and commands make the kept launcher menus be built anew.
#include "launcher/rebuild_cause.h"

namespace {

template <typename Char>
Char Lower(Char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

// An ASCII comparison without regard to case; text may hold anything.
template <typename Char>
bool SameWord(const Char* text, const char* word)
{
    for (; *word; ++text, ++word) {
        if (Lower(*text) != static_cast<Char>(Lower(*word)))
            return false;
    }
    return *text == 0;
}

template <typename Char>
bool OneOf(const Char* text, const char* const* words, int count)
{
    for (int i = 0; i < count; ++i) {
        if (SameWord(text, words[i]))
            return true;
    }
    return false;
}

// "WindowMetrics" is the section SystemParametersInfo names for both metrics.
const char* const kLookSections[] = {"ImmersiveColorSet", "WindowMetrics"};
const char* const kNameSections[] = {"ShellState"};

// Opening, showing, copying, printing: the entry stays as it is. Deleting, renaming, cutting
// and making a shortcut beside it change the folder, which its watch sees.
const char* const kUnseenNothingVerbs[] = {
    "open",  "opennew", "openas",     "explore", "find",       "opencontaining", "properties",
    "copy",  "copyaspath", "runas",   "runasuser", "print",    "printto",        "edit",
    "delete", "rename", "cut",        "link",
};

}  // namespace

MenuChange SettingChange(unsigned action, const wchar_t* section)
{
    if (action == kSpiSetNonClientMetrics || action == kSpiSetIconMetrics || action == kSpiSetHighContrast)
        return MenuChange::Look;
    if (!section || !*section)
        return action == 0 ? MenuChange::Look : MenuChange::Nothing;
    if (OneOf(section, kLookSections, sizeof(kLookSections) / sizeof(kLookSections[0])))
        return MenuChange::Look;
    if (OneOf(section, kNameSections, sizeof(kNameSections) / sizeof(kNameSections[0])))
        return MenuChange::Names;
    return MenuChange::Nothing;
}

bool EntryCommandMayChangeUnseen(const char* verb)
{
    return !verb || !*verb ||
           !OneOf(verb, kUnseenNothingVerbs, sizeof(kUnseenNothingVerbs) / sizeof(kUnseenNothingVerbs[0]));
}
