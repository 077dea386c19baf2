// Folder listings and change notifications, for the kept menus' validity.
#include "launcher/folder_listing.h"

#include <shlobj.h>
#include <winioctl.h>

#include <cstring>

#include "core/owners.h"
#include "core/platform_calls.h"
#include "settings/exe_paths.h"

namespace {

constexpr char kItemsPattern[] = "items\\*";
constexpr DWORD kChangeFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                                FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;

// One entry of a listing, followed by its name's UTF-16 units.
struct ListedEntry {
    DWORD attributes;
    FILETIME creation;
    FILETIME lastWrite;
    DWORD sizeHigh;
    DWORD sizeLow;
    DWORD nameLength;
};

// A growing block on the process heap.
struct Buffer {
    BYTE* data;
    SIZE_T size;
    SIZE_T capacity;
};

bool Append(Buffer* buffer, const void* bytes, SIZE_T count)
{
    if (buffer->size + count > buffer->capacity) {
        SIZE_T capacity = buffer->capacity * 2 + count + 4096;
        void* grown = buffer->data ? HeapReAlloc(GetProcessHeap(), 0, buffer->data, capacity)
                                   : HeapAlloc(GetProcessHeap(), 0, capacity);
        if (!grown)
            return false;
        buffer->data = static_cast<BYTE*>(grown);
        buffer->capacity = capacity;
    }
    memcpy(buffer->data + buffer->size, bytes, count);
    buffer->size += count;
    return true;
}

constexpr int kDesktopFolders[kDesktopFolderCount] = {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY};

// What a desktop folder's part of the listing starts with: its path's length (0 when it is
// missing) and its listing's size, followed by the path and the listing.
struct DesktopPart {
    DWORD pathLength;
    DWORD listingSize;
};

bool WidePath(const char* relative, wchar_t* wide)
{
    char path[kPathBytes];
    return MakeExePath(path, relative) && AnsiToWide(path, wide, MAX_PATH);
}

}  // namespace

// The listing in the order the file system gives it, "." (the folder itself) included and
// ".." (its parent) left out. A subfolder's times are left out too: its last write changes
// with what happens inside it (a log written there), which this folder's menu does not show,
// and so does the creation time Wine gives a folder (its inode's change time).
BYTE* ListFolder(const wchar_t* pattern, SIZE_T* size)
{
    WIN32_FIND_DATAW data;
    AutoFindHandle find(FindFirstFileExW(pattern, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH));
    // Before Windows 7 neither the basic level nor the large fetch is known.
    if (!find && GetLastError() == ERROR_INVALID_PARAMETER)
        find.reset(FindFirstFileExW(pattern, FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find)
        return nullptr;
    Buffer buffer = {};
    bool ok = true;
    do {
        if (lstrcmpW(data.cFileName, L"..") == 0)
            continue;
        bool subfolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && lstrcmpW(data.cFileName, L".") != 0;
        ListedEntry entry = {data.dwFileAttributes, subfolder ? FILETIME{} : data.ftCreationTime,
                             subfolder ? FILETIME{} : data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow,
                             static_cast<DWORD>(lstrlenW(data.cFileName))};
        ok = Append(&buffer, &entry, sizeof(entry)) &&
             Append(&buffer, data.cFileName, entry.nameLength * sizeof(wchar_t));
    } while (ok && FindNextFileW(find.get(), &data));
    if (ok && GetLastError() != ERROR_NO_MORE_FILES)
        ok = false;
    if (!ok || !buffer.data) {
        if (buffer.data)
            HeapFree(GetProcessHeap(), 0, buffer.data);
        return nullptr;
    }
    *size = buffer.size;
    return buffer.data;
}

BYTE* ListItemsFolder(SIZE_T* size)
{
    wchar_t pattern[MAX_PATH];
    return WidePath(kItemsPattern, pattern) ? ListFolder(pattern, size) : nullptr;
}

// SHGetFolderPath without CSIDL_FLAG_CREATE fails for a folder that is not there.
bool DesktopFolderPath(size_t which, wchar_t* path)
{
    return SUCCEEDED(SHGetFolderPathW(nullptr, kDesktopFolders[which], nullptr, SHGFP_TYPE_CURRENT, path)) &&
           GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

BYTE* ListDesktopFolders(const HANDLE* watches, SIZE_T* size)
{
    Buffer buffer = {};
    bool ok = true;
    for (size_t which = 0; ok && which < kDesktopFolderCount; ++which) {
        wchar_t pattern[MAX_PATH + 2];
        DesktopPart part = {};
        BYTE* listing = nullptr;
        SIZE_T listingSize = 0;
        if (DesktopFolderPath(which, pattern)) {
            part.pathLength = static_cast<DWORD>(lstrlenW(pattern));
            lstrcatW(pattern, L"\\*");
            listing = watches[which] ? ListFolder(pattern, &listingSize) : nullptr;
            part.listingSize = static_cast<DWORD>(listingSize);
            ok = listing != nullptr;
        }
        ok = ok && Append(&buffer, &part, sizeof(part)) &&
             Append(&buffer, pattern, part.pathLength * sizeof(wchar_t)) &&
             (!listing || Append(&buffer, listing, listingSize));
        if (listing)
            HeapFree(GetProcessHeap(), 0, listing);
    }
    if (!ok && buffer.data)
        HeapFree(GetProcessHeap(), 0, buffer.data);
    *size = buffer.size;
    return ok ? buffer.data : nullptr;
}

HANDLE WatchFolder(const wchar_t* folder, BOOL subtree)
{
    HANDLE change = g_platform.FindFirstChangeNotificationW(folder, subtree, kChangeFilter);
    return change == INVALID_HANDLE_VALUE ? nullptr : change;
}

HANDLE WatchItemsFolderTop()
{
    wchar_t folder[MAX_PATH];
    return WidePath(kItemsFolderName, folder) ? WatchFolder(folder, FALSE) : nullptr;
}

bool ChangeSeen(HANDLE* watch)
{
    if (!*watch || WaitForSingleObject(*watch, 0) == WAIT_TIMEOUT)
        return false;
    if (!FindNextChangeNotification(*watch))
        CloseWatch(watch);
    return true;
}

void CloseWatch(HANDLE* watch)
{
    if (*watch)
        FindCloseChangeNotification(*watch);
    *watch = nullptr;
}

namespace {

// REPARSE_DATA_BUFFER's head for symbolic links and junctions (the driver kit's ntifs.h).
struct ReparseHead {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
};
constexpr DWORD kSymlinkRelative = 1;
constexpr int kMaxLinkHops = 8;

using SetThreadErrorModeCall = BOOL(WINAPI*)(DWORD mode, DWORD* previous);

SetThreadErrorModeCall ThreadErrorModeCall()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<SetThreadErrorModeCall>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadErrorMode")))
                  : nullptr;
}

// The folder a junction or symbolic link names, in long form, into target; false when the
// file system does not say (then the final path answers).
bool LinkTarget(HANDLE link, wchar_t* target, int size)
{
    alignas(DWORD) BYTE data[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
    DWORD got = 0;
    if (!DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, data, sizeof(data), &got, nullptr) ||
        got < sizeof(ReparseHead))
        return false;
    auto* head = reinterpret_cast<const ReparseHead*>(data);
    const BYTE* names = data + sizeof(ReparseHead);
    if (head->tag == IO_REPARSE_TAG_SYMLINK) {
        // A relative link stays on the volume of the link itself.
        if (*reinterpret_cast<const DWORD*>(names) & kSymlinkRelative)
            return lstrcpynW(target, L"", size) != nullptr;
        names += sizeof(DWORD);
    } else if (head->tag != IO_REPARSE_TAG_MOUNT_POINT) {
        return false;
    }
    int length = head->substituteLength / sizeof(wchar_t);
    if (names + head->substituteOffset + head->substituteLength > data + got || length + 1 > size)
        return false;
    CopyMemory(target, names + head->substituteOffset, head->substituteLength);
    target[length] = L'\0';
    // \??\C:\... and \??\UNC\server\... are the long forms' native spelling.
    if (length > 4 && target[0] == L'\\' && target[1] == L'?' && target[2] == L'?' && target[3] == L'\\')
        target[1] = L'\\';
    return true;
}

bool ReachesTheNetwork(const wchar_t* path, int hops)
{
    if (OnTheNetwork(path))
        return true;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE link = CreateFileW(path, 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (link == INVALID_HANDLE_VALUE)
        return false;
    wchar_t target[MAX_PATH + 64];
    bool read = LinkTarget(link, target, ARRAYSIZE(target));
    CloseHandle(link);
    if (read)
        return target[0] && hops > 0 && ReachesTheNetwork(target, hops - 1);
    // Where the link cannot be read (Wine), the path it ends at.
    HANDLE folder = CreateFileW(path, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    DWORD length = GetFinalPathNameByHandleW(folder, target, ARRAYSIZE(target), FILE_NAME_NORMALIZED);
    CloseHandle(folder);
    return length > 0 && length < ARRAYSIZE(target) && OnTheNetwork(target);
}

}  // namespace

bool OnTheNetwork(const wchar_t* path)
{
    // The long forms: \\?\UNC\server\... and \\?\C:\...
    if (path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?' && path[3] == L'\\') {
        path += 4;
        if ((path[0] | 0x20) == L'u' && (path[1] | 0x20) == L'n' && (path[2] | 0x20) == L'c' && path[3] == L'\\')
            return true;
    } else if (path[0] == L'\\' && path[1] == L'\\') {
        return true;
    }
    wchar_t root[] = {path[0], L':', L'\\', 0};
    return path[0] && path[1] == L':' && g_platform.GetDriveTypeW(root) == DRIVE_REMOTE;
}

bool FolderReachesTheNetwork(const wchar_t* path)
{
    return ReachesTheNetwork(path, kMaxLinkHops);
}

QuietErrorBoxes::QuietErrorBoxes() : previous(0), set(false)
{
    if (SetThreadErrorModeCall call = ThreadErrorModeCall())
        set = call(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous) != FALSE;
}

QuietErrorBoxes::~QuietErrorBoxes()
{
    if (set)
        ThreadErrorModeCall()(previous, nullptr);
}
