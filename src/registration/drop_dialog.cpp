// The drop dialog: every file or folder dropped on it becomes a shortcut in the items
// folder, each confirmed or reported as failed by its own message box.
#include "registration/drop_dialog.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstring>

#include "core/app_state.h"
#include "core/center_window.h"
#include "core/dialog_dpi.h"
#include "core/one_dialog.h"
#include "core/platform_calls.h"
#include "core/texts.h"
#include "registration/shortcut.h"
#include "resources/resource.h"
#include "settings/exe_paths.h"

namespace {

constexpr char kShortcutExtension[] = ".lnk";

// The executable's directory, "items\", the dropped file's base name and ".lnk". A path
// Windows would not take is refused (FALSE), never cut to another name.
BOOL MakeShortcutPath(const char* dropped, char* link)
{
    char baseName[kSplitPartMax + 1];
    SplitPath(dropped, nullptr, nullptr, baseName, nullptr);
    if (!MakeExePath(link, kItemsFolderPrefix))
        return FALSE;
    size_t used = strlen(link);
    size_t baseLength = strlen(baseName);
    if (used + baseLength + strlen(kShortcutExtension) >= static_cast<size_t>(kPathBytes)) {
        link[0] = '\0';
        return FALSE;
    }
    memcpy(link + used, baseName, baseLength);
    memcpy(link + used + baseLength, kShortcutExtension, sizeof(kShortcutExtension));
    if (!FitsMaxPath(link)) {
        link[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

// The dropped file's name in the system code page, when it names that file: the name
// must fit and must convert back to exactly the name the shell holds. Where the code
// page lacks a character of it, the ANSI form carries a substitute ('?', or a look-alike
// such as 'e' for 'é') and names a file that does not exist, or another one.
BOOL DroppedFileName(HDROP drop, UINT index, char* file)
{
    wchar_t wide[MAX_PATH];
    wchar_t back[MAX_PATH];
    // A name that does not fit would come back cut, naming another file; an empty one
    // (length 0) names none.
    if (DragQueryFileW(drop, index, nullptr, 0) >= MAX_PATH || !DragQueryFileW(drop, index, wide, MAX_PATH))
        return FALSE;
    if (DragQueryFileA(drop, index, nullptr, 0) >= static_cast<UINT>(kPathBytes) ||
        !DragQueryFileA(drop, index, file, kPathBytes))
        return FALSE;
    return AnsiToWide(file, back, MAX_PATH) && lstrcmpW(wide, back) == 0;
}

void ReportShortcut(HWND dialog, bool made)
{
    // The success box has no owner, so the dialog takes further drops while it is open.
    if (made)
        g_platform.MessageBoxW(nullptr, kTextShortcutMade, kCaptionShortcutMade, MB_OK);
    else
        g_platform.MessageBoxW(dialog, kTextShortcutFailed, kCaptionShortcutFailed, MB_OK);
}

// A further drop may arrive while a box of this one is open and run nested inside it:
// everything stays in this call's locals.
void HandleDrop(HWND dialog, HDROP drop)
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char file[kPathBytes];
        char link[kPathBytes];
        if (!DroppedFileName(drop, i, file) || !MakeShortcutPath(file, link)) {
            ReportShortcut(dialog, false);
            continue;
        }
        if (FAILED(CoInitialize(nullptr)))
            continue;
        HRESULT hr = CreateShortcutFile(link, file, nullptr, nullptr, nullptr, nullptr, 0, SW_SHOWNORMAL);
        ReportShortcut(dialog, hr == S_OK);
        CoUninitialize();
    }
    DragFinish(drop);
}

}  // namespace

void OpenItemsFolder()
{
    char path[kPathBytes];
    wchar_t widePath[MAX_PATH];
    // Wide, as the shortcuts are saved: the shell's ANSI entry reads the path in the
    // system's code page, which need not be the program's own (UTF-8) nor hold the name.
    if (!MakeExePath(path, kItemsFolderPrefix) || !AnsiToWide(path, widePath, MAX_PATH))
        return;
    ShellExecuteW(nullptr, nullptr, widePath, nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR CALLBACK DropDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = FALSE;
    if (OneDialogMessage(dialog, &g_app.dropDialog, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_INITDIALOG:
        DragAcceptFiles(dialog, TRUE);
        CenterOnDesktop(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DROP_CLOSE:
            CloseOneDialog(dialog, &g_app.dropDialog, wParam);
            return TRUE;
        case IDC_OPEN_ITEMS:
            OpenItemsFolder();
            return TRUE;
        }
        return FALSE;
    case WM_DROPFILES:
        HandleDrop(dialog, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    }
    return FALSE;
}

void ShowDropDialog(HWND owner)
{
    ShowOneDialog(owner, &g_app.dropDialog, IDD_DROP, DropDlgProc);
}
