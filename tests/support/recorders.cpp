// Recorders of the platform calls and counts of what the system holds.
#include "recorders.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include "core/owners.h"
#include "core/platform_calls.h"
#include "launcher/icon_fetch.h"
#include "platform_swaps.h"

namespace {
BoxRecorder* g_boxRecorder;

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    BoxRecorder* recorder = g_boxRecorder;
    recorder->shown.push_back({owner, text ? text : L"", caption ? caption : L"", type,
                               CountShortcuts(TestItemsDir())});
    RecordedBox box = recorder->shown.back();
    std::function<void()> during = std::move(recorder->duringNextBox);
    recorder->duringNextBox = nullptr;
    if (during)
        during();
    return recorder->onBox ? recorder->onBox(box) : IDOK;
}

HANDLE g_iconRelease = nullptr;  // a manual-reset event each lookup waits for, or null
std::string g_stallOnly;          // "": every lookup waits

bool Stalls(LPCSTR path, UINT flags)
{
    if (g_stallOnly.empty())
        return true;
    char name[MAX_PATH] = {};
    if (!(flags & SHGFI_PIDL) || !SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(path), name))
        return false;
    size_t length = strlen(name);
    return length >= g_stallOnly.size() && g_stallOnly == name + length - g_stallOnly.size();
}

DWORD_PTR WINAPI CountedIconFetch(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags)
{
    InterlockedIncrement(&IconFetches::fetches);
    InterlockedOr(&IconFetches::flags, static_cast<LONG>(flags));
    if (g_iconRelease && Stalls(path, flags))
        WaitForSingleObject(g_iconRelease, 60000);
    return ::SHGetFileInfoA(path, attributes, info, size, flags);
}

GdiCreations* g_gdiCreations;
HFONT(WINAPI* g_createFontIndirectA)(const LOGFONTA*);
HBRUSH(WINAPI* g_createSolidBrush)(COLORREF);

HFONT WINAPI RecordCreateFontIndirectA(const LOGFONTA* logFont)
{
    HFONT font = g_createFontIndirectA(logFont);
    if (g_gdiCreations && font)
        g_gdiCreations->fonts.push_back(font);
    return font;
}

HBRUSH WINAPI RecordCreateSolidBrush(COLORREF colour)
{
    HBRUSH brush = g_createSolidBrush(colour);
    if (g_gdiCreations && brush)
        g_gdiCreations->brushes.push_back(brush);
    return brush;
}
}  // namespace

BoxRecorder::BoxRecorder()
{
    EXPECT_EQ(nullptr, g_boxRecorder) << "one BoxRecorder at a time";
    g_boxRecorder = this;
    g_platform.MessageBoxW = RecordBox;
}

BoxRecorder::~BoxRecorder()
{
    g_platform = RealPlatformCalls();
    g_boxRecorder = nullptr;
}

int CountShortcuts(const std::string& folder)
{
    int count = 0;
    WIN32_FIND_DATAA data;
    AutoFindHandle find(FindFirstFileA((folder + "\\*.lnk").c_str(), &data));
    if (find)
        do
            ++count;
        while (FindNextFileA(find.get(), &data));
    return count;
}

IconFetches::IconFetches(bool stall, const char* stallOnly)
{
    g_stallOnly = stallOnly ? stallOnly : "";
    fetches = 0;
    flags = 0;
    g_iconRelease = stall ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
    g_platform.SHGetFileInfoA = CountedIconFetch;
}

IconFetches::~IconFetches()
{
    Release();
    g_platform.SHGetFileInfoA = ::SHGetFileInfoA;
}

void IconFetches::Release()
{
    if (g_iconRelease)
        SetEvent(g_iconRelease);
}

int SmallIconIndexOf(const std::string& path)
{
    LPITEMIDLIST list = ILCreateFromPathW(Wide(path).c_str());
    int index = list ? FetchSmallIconIndex(list) : -1;
    ILFree(list);
    return index;
}

HICON SmallIconHandleOf(const std::string& path)
{
    SHFILEINFOA info = {};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON);
    return info.hIcon;
}

GdiCreations::GdiCreations()
{
    if (!g_createFontIndirectA) {
        g_createFontIndirectA = reinterpret_cast<decltype(g_createFontIndirectA)>(
            RedirectImport("gdi32.dll", "CreateFontIndirectA", reinterpret_cast<void*>(RecordCreateFontIndirectA)));
        g_createSolidBrush = reinterpret_cast<decltype(g_createSolidBrush)>(
            RedirectImport("gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(RecordCreateSolidBrush)));
    }
    EXPECT_TRUE(g_createFontIndirectA && g_createSolidBrush) << "the program's GDI imports were not found";
    EXPECT_EQ(nullptr, g_gdiCreations) << "one GdiCreations at a time";
    g_gdiCreations = this;
}

GdiCreations::~GdiCreations()
{
    g_gdiCreations = nullptr;
}

std::vector<HGDIOBJ> GdiCreations::Alive() const
{
    std::vector<HGDIOBJ> alive;
    for (const auto* list : {&fonts, &brushes})
        for (HGDIOBJ object : *list)
            if (!GdiObjectDeleted(object))
                alive.push_back(object);
    return alive;
}

int ThreadsOfProcess()
{
    AutoHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return -1;
    int threads = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    return threads;
}
