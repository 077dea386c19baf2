// Special folders, the CD-ROM tray, the screen saver and minimise-all.
#include "commands/shell_actions.h"

#include <shlobj.h>
#include <shellapi.h>

#include "core/owners.h"
#include "core/platform_calls.h"
#include "commands/command_plan.h"
#include "shell/idlist.h"

static_assert(kFolderMyComputer == CSIDL_DRIVES && kFolderDocuments == CSIDL_PERSONAL,
              "the menu's folder ids are the shell's");

namespace {

// The taskbar's own command for minimising all windows.
constexpr WPARAM kTaskbarMinimizeAll = 415;

}  // namespace

bool OpenSpecialFolder(const char* verb, int csidl)
{
    ComPtr<IShellFolder> desktop;
    AutoIdList list;
    LPITEMIDLIST located = nullptr;
    if (SHGetDesktopFolder(desktop.put()) != S_OK ||
        SHGetSpecialFolderLocation(GetDesktopWindow(), csidl, &located) != S_OK)
        return false;
    list.reset(located);
    OpenIdList(list.get(), verb);
    return true;
}

void OpenCdDoor()
{
    // Stop a playing audio CD before the tray moves.
    g_platform.mciSendStringA("stop cdaudio", nullptr, 0, nullptr);
    g_platform.mciSendStringA("close cdaudio", nullptr, 0, nullptr);
    g_platform.mciSendStringA("set cdaudio door open", nullptr, 0, nullptr);
}

void CloseCdDoor()
{
    g_platform.mciSendStringA("set cdaudio door closed", nullptr, 0, nullptr);
}

void StartScreenSaver(HWND window)
{
    BOOL active = FALSE;
    if (SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, SPIF_UPDATEINIFILE) && active == TRUE)
        SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

void MinimizeAllWindows()
{
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar)
        PostMessageA(taskbar, WM_COMMAND, kTaskbarMinimizeAll, 0);
}
