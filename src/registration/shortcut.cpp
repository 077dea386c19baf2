// Writing a shortcut (.lnk) file through the shell link object.
#include "registration/shortcut.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

HRESULT CreateShortcutFile(const char* linkPath, const char* target, const char* description,
                           const char* arguments, const char* workingDirectory, const char* iconPath,
                           int iconIndex, int showCommand)
{
    IShellLinkA* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link));
    if (FAILED(hr))
        return hr;
    IPersistFile* file = nullptr;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(hr)) {
        link->Release();
        return hr;
    }
    link->SetPath(target);
    link->SetDescription(description);
    link->SetArguments(arguments);
    link->SetWorkingDirectory(workingDirectory);
    link->SetIconLocation(iconPath, iconIndex);
    link->SetShowCmd(showCommand);

    wchar_t widePath[MAX_PATH];
    // A path that does not fit comes back unterminated: save nothing then.
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) > 0)
        hr = file->Save(widePath, TRUE);
    else
        hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

    file->Release();
    link->Release();
    return hr;
}
