// A stand-in for Morvek that launcher_bench can click: the same hidden window class and
// tray icon, and on a left click a popup of as many owner-drawn items as the items folder
// holds, with no shell call at all. Its click-to-menu time is what showing and painting
// the popup costs by itself.
#include <windows.h>
#include <shellapi.h>

namespace {

int CountItems()
{
    WIN32_FIND_DATAA data;
    int count = 0;
    HANDLE find = FindFirstFileA("items\\*.lnk", &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            ++count;
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return count;
}

NOTIFYICONDATAA TrayRecord(HWND window)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 1;
    return record;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_USER:
        if (lParam == WM_LBUTTONUP) {
            HMENU menu = CreatePopupMenu();
            for (int i = 0, count = CountItems(); i < count; ++i)
                AppendMenuA(menu, MF_OWNERDRAW, 2000 + i, nullptr);
            POINT point = {};
            GetCursorPos(&point);
            SetForegroundWindow(window);
            TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, point.x, point.y, 0, window,
                           nullptr);
            DestroyMenu(menu);
        }
        return 0;
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        item->itemWidth = 120;
        item->itemHeight = 20;
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        HBRUSH brush = CreateSolidBrush(GetBkColor(item->hDC));
        FillRect(item->hDC, &item->rcItem, brush);
        DeleteObject(brush);
        DrawTextA(item->hDC, "entry 0000", 10, &item->rcItem, DT_BOTTOM | DT_NOPREFIX);
        return TRUE;
    }
    case WM_DESTROY: {
        NOTIFYICONDATAA record = TrayRecord(window);
        Shell_NotifyIconA(NIM_DELETE, &record);
        PostQuitMessage(0);
        return 0;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Morvek";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "Morvek", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    NOTIFYICONDATAA record = TrayRecord(window);
    record.uFlags = NIF_MESSAGE | NIF_ICON;
    record.uCallbackMessage = WM_USER;
    record.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    Shell_NotifyIconA(NIM_ADD, &record);
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
