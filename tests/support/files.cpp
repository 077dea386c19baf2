// Files and folders for the tests under Wine.
#include "files.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <algorithm>

#include "core/owners.h"

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

std::wstring Repeat(const std::wstring& piece, int times)
{
    std::wstring out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::string MakeScratchDir(const std::string& name)
{
    CreateDirectoryA(MORVEK_TEST_TMP, nullptr);
    std::string dir = std::string(MORVEK_TEST_TMP) + "\\" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// Wide, so that names the test program's code page can't hold go too.
void RemoveTree(const std::wstring& path)
{
    for (const std::wstring& name : FilesIn(path)) {
        std::wstring child = path + L"\\" + name;
        if (GetFileAttributesW(child.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(child.c_str());
        }
    }
    RemoveDirectoryW(path.c_str());
}

std::set<std::wstring> FilesIn(const std::wstring& dir)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    AutoFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &data));
    if (!find)
        return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.insert(name);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

std::set<std::string> FilesIn(const std::string& dir)
{
    std::set<std::string> names;
    for (const std::wstring& name : FilesIn(Wide(dir)))
        names.insert(Ansi(name));
    return names;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    // A running Morvek may be reading the file (its settings): as an editor would, the
    // write is tried again for a while.
    AutoHandle file;
    WaitFor([&] {
        file.reset(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        return file || GetLastError() != ERROR_SHARING_VIOLATION;
    }, 2000);
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string ReadFileBytes(const std::string& path)
{
    AutoHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file)
        return "(missing)";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

std::string ReadTextFile(const std::string& path)
{
    std::string text = FileExists(path) ? ReadFileBytes(path) : "";
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

void RewriteKeepingTimes(const std::string& path, const char* content)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    WriteTextFile(path, content);
    AutoHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SetFileTime(file.get(), &data.ftCreationTime, &data.ftLastAccessTime, &data.ftLastWriteTime);
}

std::string TestExeDir()
{
    char path[MAX_PATH * 3];
    std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH * 3));
    return s.substr(0, s.find_last_of('\\') + 1);
}

namespace {
// The wide link object: the ANSI one may convert with the locale's code page, not the program's.
HRESULT OpenLink(ComPtr<IShellLinkW>& link, ComPtr<IPersistFile>& file)
{
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid());
    return SUCCEEDED(hr) ? link->QueryInterface(IID_IPersistFile, file.putVoid()) : hr;
}
}  // namespace

HRESULT MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments)
{
    HRESULT init = CoInitialize(nullptr);
    HRESULT hr;
    {
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> file;
        hr = OpenLink(link, file);
        if (SUCCEEDED(hr)) {
            link->SetPath(Wide(target).c_str());
            link->SetArguments(Wide(arguments).c_str());
            hr = file->Save(Wide(linkPath).c_str(), TRUE);
        }
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}

std::wstring ShortcutTarget(const std::wstring& linkPath)
{
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    wchar_t path[MAX_PATH] = L"\xdead";
    if (FAILED(OpenLink(link, file)) || file->Load(linkPath.c_str(), STGM_READ) != S_OK ||
        link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK)
        return L"";
    return path;
}

bool MakeTree(const std::string& root, const std::vector<std::string>& paths)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (const std::string& path : paths) {
        size_t arrow = path.find('>');
        bool ok;
        if (arrow != std::string::npos) {
            size_t bar = path.find('|');
            std::string target = path.substr(arrow + 1, bar - arrow - 1);
            if (target.find(':') == std::string::npos)
                target = root + "\\" + target;
            std::string arguments = bar == std::string::npos ? "" : path.substr(bar + 1);
            ok = MakeShortcut(root + "\\" + path.substr(0, arrow), target, arguments) == S_OK;
        } else if (path.back() == '\\') {
            ok = CreateDirectoryA((root + "\\" + path).c_str(), nullptr) != FALSE;
        } else {
            ok = WriteTextFile(root + "\\" + path, "x");
        }
        if (!ok)
            return false;
    }
    return true;
}

bool MakeItems(const std::vector<std::string>& paths, const std::string& items)
{
    RemoveTree(items);
    return MakeTree(items, paths);
}

std::vector<ShellEntry> ShellListing(const std::wstring& path)
{
    std::vector<ShellEntry> entries;
    ComPtr<IShellFolder> desktop, folder;
    ComPtr<IEnumIDList> items;
    if (SHGetDesktopFolder(desktop.put()) != S_OK)
        return entries;
    std::wstring copy = path;
    LPITEMIDLIST parsed = nullptr;
    if (path.empty()) {
        desktop->QueryInterface(IID_IShellFolder, folder.putVoid());
    } else if (desktop->ParseDisplayName(nullptr, nullptr, &copy[0], nullptr, &parsed, nullptr) == S_OK) {
        AutoIdList list(parsed);
        desktop->BindToObject(parsed, nullptr, IID_IShellFolder, folder.putVoid());
    }
    if (!folder || folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.put()) != S_OK)
        return entries;
    LPITEMIDLIST child = nullptr;
    while (items->Next(1, &child, nullptr) == S_OK) {
        AutoIdList owned(child);
        STRRET name = {};
        wchar_t text[1024] = {};
        if (folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name) == S_OK)
            StrRetToBufW(&name, child, text, 1024);
        auto* bytes = reinterpret_cast<const BYTE*>(child);
        entries.push_back({text, std::vector<BYTE>(bytes, bytes + ILGetSize(child))});
    }
    return entries;
}

std::vector<std::string> ShellOrder(const std::string& path)
{
    std::vector<std::string> names;
    for (const ShellEntry& entry : ShellListing(Wide(path)))
        names.push_back(Ansi(entry.name));
    return names;
}

std::string DesktopDir(int csidl)
{
    char path[MAX_PATH] = {};
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) << "no desktop folder " << csidl;
    return path;
}
