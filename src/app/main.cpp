// Morvek's entry: one copy at a time, the main tray menu, the hidden tray window and the
// message loop.
#include <windows.h>
#include <objbase.h>

#include "core/app_state.h"
#include "core/instance_guard.h"
#include "core/platform_calls.h"
#include "core/texts.h"
#include "app/tray_window.h"
#include "launcher/launcher.h"
#include "resources/resource.h"
#include "settings/hotkey.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictLibrarySearch();
    g_app.instanceMutex = CreateMutexA(nullptr, TRUE, kMutexName);
    if (OtherCopyRuns(g_app.instanceMutex != nullptr, GetLastError())) {
        g_platform.MessageBoxW(nullptr, kTextAlreadyRunning, kCaptionError, MB_OK);
        return 0;
    }

    g_app.menuResource = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAYMENU));
    if (!g_app.menuResource)
        return -3;
    g_app.mainTrayMenu = GetSubMenu(g_app.menuResource, 0);

    // The shell's folders, shortcuts and icon handlers built here at a click (the desktop
    // list, a submenu, a launcher that can't be built ahead) may be COM objects.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    // Without its window the program could never be reached, yet it would hold the
    // mutex and turn away every new copy: say so and end.
    HWND window = CreateTrayWindow(instance);
    if (!window) {
        g_platform.MessageBoxW(nullptr, kTextNoWindow, kCaptionError, MB_OK | MB_ICONERROR);
        ReleaseMutex(g_app.instanceMutex);
        CloseHandle(g_app.instanceMutex);
        return 1;
    }
    RegisterLauncherHotKey(window);

    // Built ahead once the icon is up, so the first click finds the launcher ready.
    StartLauncherBuildAhead(window);

    int exitCode = 0;
    while (TrayLoopStep(window, INFINITE, &exitCode)) {
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
