// A small helper for the run script and the screenshots: fills a demo items folder with
// shortcuts, clicks Morvek's tray icon by putting the pointer on it and sending its tray
// callback, sends it main menu commands, and waits for and drives its dialogs and popup
// menus.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Through the wide link object: the ANSI one converts with the locale's code page, which
// need not be this program's.
HRESULT MakeShortcut(const std::wstring& link, const wchar_t* target)
{
    IShellLinkW* shellLink = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&shellLink));
    if (FAILED(hr))
        return hr;
    shellLink->SetPath(target);
    IPersistFile* file = nullptr;
    hr = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
        hr = file->Save(link.c_str(), TRUE);
        file->Release();
    }
    shellLink->Release();
    return hr;
}

std::wstring Wide(const char* text)
{
    wchar_t buffer[MAX_PATH * 3] = {};
    MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, MAX_PATH * 3);
    return buffer;
}

struct Shortcut {
    const wchar_t* name;
    const wchar_t* target;
};

int MakeShortcuts(const char* folder, const Shortcut* shortcuts, size_t count)
{
    std::wstring items = Wide(folder) + L"\\items";
    CreateDirectoryW(items.c_str(), nullptr);
    CoInitialize(nullptr);
    int failures = 0;
    for (size_t i = 0; i < count; ++i) {
        if (FAILED(MakeShortcut(items + L"\\" + shortcuts[i].name + L".lnk", shortcuts[i].target)))
            ++failures;
    }
    CoUninitialize();
    return failures ? 1 : 0;
}

int MakeItems(const char* folder)
{
    const Shortcut shortcuts[] = {
        {L"メモ帳", L"C:\\windows\\notepad.exe"},
        {L"レジストリ エディタ", L"C:\\windows\\regedit.exe"},
        {L"マインスイーパ", L"C:\\windows\\system32\\winemine.exe"},
        {L"コマンド プロンプト", L"C:\\windows\\system32\\cmd.exe"},
        {L"Windows フォルダ", L"C:\\windows"},
    };
    return MakeShortcuts(folder, shortcuts, sizeof(shortcuts) / sizeof(shortcuts[0]));
}

// Names from outside any one code page: Western, Korean, Greek, an emoji (a surrogate
// pair) and a long Japanese name.
int MakeWorldItems(const char* folder)
{
    const Shortcut shortcuts[] = {
        {L"Café", L"C:\\windows\\notepad.exe"},
        {L"한국어", L"C:\\windows\\regedit.exe"},
        {L"Ελληνικά", L"C:\\windows\\system32\\winemine.exe"},
        {L"\U0001F600", L"C:\\windows\\system32\\cmd.exe"},
        {L"とても長い名前のショートカットも一文字も欠けずに表示されます", L"C:\\windows"},
    };
    return MakeShortcuts(folder, shortcuts, sizeof(shortcuts) / sizeof(shortcuts[0]));
}

HWND WaitForMorvek(DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (HWND window = FindWindowA("Morvek", nullptr))
            return window;
        Sleep(50);
    }
    return nullptr;
}

// The middle of Morvek's icon in the notification area: the pointer goes there before a
// simulated click, so the menu opens beside the icon, where a person would see it.
bool TrayIconCenter(HWND morvek, POINT* center)
{
    NOTIFYICONIDENTIFIER icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = morvek;
    icon.uID = 1;
    RECT rect;
    if (Shell_NotifyIconGetRect(&icon, &rect) == S_OK) {
        center->x = (rect.left + rect.right) / 2;
        center->y = (rect.top + rect.bottom) / 2;
        return true;
    }
    // Wine's taskbar does not answer that. It draws its first icon (Morvek's, the only one
    // in the demo) in the last slot at its right end: a small icon with 2 pixels each side.
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (!taskbar || !IsWindowVisible(taskbar) || !GetWindowRect(taskbar, &rect))
        return false;
    center->x = rect.right - (GetSystemMetrics(SM_CXSMICON) + 4) / 2;
    center->y = (rect.top + rect.bottom) / 2;
    return true;
}

int Click(const char* button)
{
    HWND window = WaitForMorvek(20000);
    if (!window) {
        fprintf(stderr, "Morvek's tray window did not appear\n");
        return 1;
    }
    LPARAM message = WM_LBUTTONUP;
    if (strcmp(button, "right") == 0)
        message = WM_RBUTTONDOWN;
    else if (strcmp(button, "middle") == 0)
        message = WM_MBUTTONUP;
    POINT icon;
    if (!TrayIconCenter(window, &icon)) {
        fprintf(stderr, "the tray icon was not found: clicking at the screen's bottom right\n");
        icon.x = GetSystemMetrics(SM_CXSCREEN) - 10;
        icon.y = GetSystemMetrics(SM_CYSCREEN) - 10;
    }
    SetCursorPos(icon.x, icon.y);
    PostMessageA(window, WM_USER, 1, message);
    return 0;
}

int Command(const char* id)
{
    HWND window = WaitForMorvek(20000);
    if (!window) {
        fprintf(stderr, "Morvek's tray window did not appear\n");
        return 1;
    }
    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(atoi(id)), 0);
    return 0;
}

struct Found {
    const char* className;
    DWORD processId;  // 0: any
    HWND first;
    int count;
};

BOOL CALLBACK CountVisible(HWND window, LPARAM param)
{
    auto* found = reinterpret_cast<Found*>(param);
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (strcmp(name, found->className) == 0 && IsWindowVisible(window) &&
        (!found->processId || pid == found->processId)) {
        if (!found->first)
            found->first = window;
        ++found->count;
    }
    return TRUE;
}

// Visible top-level windows of a class; dialogs only those of Morvek's process.
Found FindVisible(const char* className)
{
    Found found = {className, 0, nullptr, 0};
    if (strcmp(className, "#32770") == 0) {
        HWND morvek = FindWindowA("Morvek", nullptr);
        if (!morvek)
            return found;
        GetWindowThreadProcessId(morvek, &found.processId);
    }
    EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits until exactly `count` windows of the class are visible (popup menus: at least).
int WaitFor(const char* className, int count, DWORD timeoutMs)
{
    bool menus = strcmp(className, "#32768") == 0;
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        int seen = FindVisible(className).count;
        if (menus ? seen >= count : seen == count)
            return 0;
        Sleep(50);
    }
    return 1;
}

int DialogButton(const char* id)
{
    HWND dialog = FindVisible("#32770").first;
    if (!dialog) {
        fprintf(stderr, "no dialog of Morvek is open\n");
        return 1;
    }
    PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(atoi(id)), 0);
    return 0;
}

// Keys for the open popup menu, by name: down, up, left, right, return, escape.
int MenuKeys(int count, char** names)
{
    HWND menu = FindVisible("#32768").first;
    if (!menu) {
        fprintf(stderr, "no popup menu is open\n");
        return 1;
    }
    SetForegroundWindow(menu);
    for (int i = 0; i < count; ++i) {
        struct {
            const char* name;
            WPARAM key;
        } const keys[] = {{"down", VK_DOWN}, {"up", VK_UP},         {"left", VK_LEFT},
                          {"right", VK_RIGHT}, {"return", VK_RETURN}, {"escape", VK_ESCAPE}};
        WPARAM key = 0;
        for (const auto& k : keys)
            if (strcmp(names[i], k.name) == 0)
                key = k.key;
        if (!key) {
            fprintf(stderr, "unknown key %s\n", names[i]);
            return 2;
        }
        PostMessageA(menu, WM_KEYDOWN, key, 0);
        PostMessageA(menu, WM_KEYUP, key, 0xC0000000);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "items") == 0)
        return MakeItems(argv[2]);
    if (argc == 3 && strcmp(argv[1], "world-items") == 0)
        return MakeWorldItems(argv[2]);
    if (argc == 3 && strcmp(argv[1], "click") == 0)
        return Click(argv[2]);
    if (argc == 2 && strcmp(argv[1], "wait") == 0)
        return WaitForMorvek(20000) ? 0 : 1;
    if (argc == 3 && strcmp(argv[1], "command") == 0)
        return Command(argv[2]);
    if (argc == 3 && strcmp(argv[1], "dialogs") == 0)
        return WaitFor("#32770", atoi(argv[2]), 20000);
    if (argc == 3 && strcmp(argv[1], "menus") == 0)
        return WaitFor("#32768", atoi(argv[2]), 5000);
    if (argc == 3 && strcmp(argv[1], "button") == 0)
        return DialogButton(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "keys") == 0)
        return MenuKeys(argc - 2, argv + 2);
    fprintf(stderr,
            "usage: morvek_demo items FOLDER | world-items FOLDER | click left|right|middle | wait | command ID\n"
            "       | dialogs N (wait until N of Morvek's dialogs are open) | button ID (in the open dialog)\n"
            "       | menus N (wait until N popup menus are open) | keys KEY... (down up left right return escape)\n");
    return 2;
}
