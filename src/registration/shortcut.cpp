// Writing a shortcut (.lnk) file through the shell link object.
#include "registration/shortcut.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "core/owners.h"
#include "settings/exe_paths.h"

namespace {

// One ANSI text in wide form; value is null for a null text.
struct WideField {
    wchar_t text[INFOTIPSIZE];
    const wchar_t* value;
    bool ok;
    explicit WideField(const char* ansi) : text(), value(nullptr), ok(true)
    {
        if (ansi) {
            ok = AnsiToWide(ansi, text, INFOTIPSIZE) != FALSE;
            value = text;
        }
    }
};

}  // namespace

HRESULT CreateShortcutFile(const char* linkPath, const char* target, const char* description,
                           const char* arguments, const char* workingDirectory, const char* iconPath,
                           int iconIndex, int showCommand)
{
    // The texts go through the wide link object, converted here from the program's own
    // code page: the ANSI object may convert with another one (Wine's takes the locale's,
    // not the UTF-8 of the manifest), giving a target that names another file.
    WideField fields[] = {WideField(target), WideField(description), WideField(arguments),
                          WideField(workingDirectory), WideField(iconPath)};
    wchar_t widePath[MAX_PATH];
    // A path that does not convert whole would name another file: save nothing then.
    if (!AnsiToWide(linkPath, widePath, MAX_PATH))
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    for (const WideField& field : fields) {
        if (!field.ok)
            return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    }

    ComPtr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW), link.putVoid());
    if (FAILED(hr))
        return hr;
    ComPtr<IPersistFile> file;
    hr = link->QueryInterface(__uuidof(IPersistFile), file.putVoid());
    if (FAILED(hr))
        return hr;
    // A null text leaves its field as a new link has it, empty: Wine's wide object does
    // not take null for every one of them.
    if (fields[0].value)
        link->SetPath(fields[0].value);
    if (fields[1].value)
        link->SetDescription(fields[1].value);
    if (fields[2].value)
        link->SetArguments(fields[2].value);
    if (fields[3].value)
        link->SetWorkingDirectory(fields[3].value);
    if (fields[4].value)
        link->SetIconLocation(fields[4].value, iconIndex);
    link->SetShowCmd(showCommand);
    hr = file->Save(widePath, TRUE);
    return hr;
}
