// A small helper for the run script and the screenshots: fills a demo items folder with
// shortcuts, and clicks Morvek's tray icon by sending its tray callback.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

HRESULT MakeShortcut(const std::string& link, const std::string& target)
{
    IShellLinkA* shellLink = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&shellLink));
    if (FAILED(hr))
        return hr;
    shellLink->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    hr = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        hr = file->Save(wide, TRUE);
        file->Release();
    }
    shellLink->Release();
    return hr;
}

std::string Ansi(const wchar_t* wide)
{
    char buffer[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, MAX_PATH, nullptr, nullptr);
    return buffer;
}

int MakeItems(const char* folder)
{
    std::string items = std::string(folder) + "\\items";
    CreateDirectoryA(items.c_str(), nullptr);
    struct {
        const wchar_t* name;
        const char* target;
    } const shortcuts[] = {
        {L"メモ帳", "C:\\windows\\notepad.exe"},
        {L"レジストリ エディタ", "C:\\windows\\regedit.exe"},
        {L"マインスイーパ", "C:\\windows\\system32\\winemine.exe"},
        {L"コマンド プロンプト", "C:\\windows\\system32\\cmd.exe"},
        {L"Windows フォルダ", "C:\\windows"},
    };
    CoInitialize(nullptr);
    int failures = 0;
    for (const auto& s : shortcuts) {
        std::string link = items + "\\" + Ansi(s.name) + ".lnk";
        if (FAILED(MakeShortcut(link, s.target)))
            ++failures;
    }
    CoUninitialize();
    return failures ? 1 : 0;
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
    SetCursorPos(900, 700);
    PostMessageA(window, WM_USER, 1, message);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "items") == 0)
        return MakeItems(argv[2]);
    if (argc == 3 && strcmp(argv[1], "click") == 0)
        return Click(argv[2]);
    if (argc == 2 && strcmp(argv[1], "wait") == 0)
        return WaitForMorvek(20000) ? 0 : 1;
    fprintf(stderr, "usage: morvek_demo items FOLDER | click left|right|middle | wait\n");
    return 2;
}
