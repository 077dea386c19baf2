// Shared helpers for the tests that run under Wine.
#include "test_support.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <shlwapi.h>

#include <vector>

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

namespace {
// Wide, so that names the test program's code page can't hold go too.
void RemoveTreeW(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeW(child);
            else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}
}  // namespace

void RemoveTree(const std::string& path)
{
    RemoveTreeW(Wide(path));
}

std::string MakeScratchDir(const std::string& name)
{
    std::string base = MORVEK_TEST_TMP;
    CreateDirectoryA(base.c_str(), nullptr);
    std::string dir = base + "\\" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

std::string ReadTextFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string TestExeDir()
{
    char path[MAX_PATH * 3];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH * 3);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// Shortcuts go through the wide link object: the ANSI one may convert with the locale's
// code page rather than the program's.
HRESULT MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments)
{
    HRESULT init = CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) {
        link->SetPath(Wide(target).c_str());
        link->SetArguments(Wide(arguments).c_str());
        IPersistFile* file = nullptr;
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        if (SUCCEEDED(hr)) {
            hr = file->Save(Wide(linkPath).c_str(), TRUE);
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}

bool MorvekProcess::Start(const std::string& folder, const char* builtExe)
{
    Stop();
    dir = folder;
    std::string exe = folder + "\\Morvek.exe";
    if (!CopyFileA(builtExe, exe.c_str(), FALSE))
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + exe + "\"";
    return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info) != FALSE;
}

namespace {
struct FindArgs {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM param)
{
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (args->processId && pid != args->processId)
        return TRUE;
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (args->className && lstrcmpW(name, args->className) != 0)
        return TRUE;
    if (args->caption && WindowTextW(window) != args->caption)
        return TRUE;
    args->found = window;
    return FALSE;
}
}  // namespace

HWND FindTopWindow(const wchar_t* className, const wchar_t* caption, DWORD processId)
{
    FindArgs args = {processId, className, caption, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

HWND MorvekProcess::TrayWindow() const
{
    if (!info.hProcess)
        return nullptr;
    return FindTopWindow(L"Morvek", nullptr, info.dwProcessId);
}

bool MorvekProcess::WaitForTrayWindow(DWORD timeoutMs) const
{
    return WaitFor([&] { return TrayWindow() != nullptr; }, timeoutMs);
}

bool MorvekProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!info.hProcess || WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(info.hProcess, exitCode);
    return true;
}

void MorvekProcess::Stop()
{
    if (!info.hProcess)
        return;
    if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    info = {};
}

std::wstring WindowTextW(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring MessageBoxTextOf(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowTextW(text) : std::wstring();
}

HWND FindPopupMenuWindow()
{
    HWND menu = FindWindowW(L"#32768", nullptr);
    return (menu && IsWindowVisible(menu)) ? menu : nullptr;
}

std::wstring Wide(const std::string& ansi)
{
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> buffer(n > 0 ? n : 1);
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, buffer.data(), n);
    return buffer.data();
}

std::string Ansi(const std::wstring& wide)
{
    int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> buffer(n > 0 ? n : 1);
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, buffer.data(), n, nullptr, nullptr);
    return buffer.data();
}

std::vector<std::string> ShellOrder(const std::string& path)
{
    std::vector<std::string> names;
    IShellFolder* desktop = nullptr;
    if (SHGetDesktopFolder(&desktop) != S_OK)
        return names;
    LPITEMIDLIST list = nullptr;
    IShellFolder* folder = nullptr;
    IEnumIDList* items = nullptr;
    if (desktop->ParseDisplayName(nullptr, nullptr, &Wide(path)[0], nullptr, &list, nullptr) == S_OK &&
        desktop->BindToObject(list, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)) == S_OK &&
        folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK) {
        LPITEMIDLIST child = nullptr;
        while (items->Next(1, &child, nullptr) == S_OK) {
            STRRET name = {};
            wchar_t text[MAX_PATH] = {};
            if (folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name) == S_OK)
                StrRetToBufW(&name, child, text, MAX_PATH);
            names.push_back(Ansi(text));
            CoTaskMemFree(child);
        }
    }
    if (items)
        items->Release();
    if (folder)
        folder->Release();
    CoTaskMemFree(list);
    desktop->Release();
    return names;
}

std::string ShortcutTarget(const std::string& linkPath)
{
    std::string target;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (file->Load(Wide(linkPath).c_str(), STGM_READ) == S_OK) {
            wchar_t path[MAX_PATH] = L"\xdead";
            if (link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK)
                target = Ansi(path);
        }
        file->Release();
    }
    link->Release();
    return target;
}
