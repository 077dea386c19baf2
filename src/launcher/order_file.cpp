// Reading and saving the order file beside the executable. Its text is UTF-8 whatever the
// ANSI code page, so the file is opened by its wide path and its bytes read as they stand.
// A save never leaves the file half-written: the whole text goes to "order1.txt.tmp", which
// then replaces the file in one move. A file that could not be read is moved aside first,
// to "order1.txt.unreadable" (or "-2", "-3" ... when taken), so nothing a person wrote is
// lost. A folder is written relative to the executable's folder when it lies inside it.
#include "launcher/order_file.h"

#include <cwchar>

#include "settings/exe_paths.h"

namespace {

constexpr size_t kPathUnits = MAX_PATH + 32;  // a MAX_PATH path and a suffix
constexpr int kAsideTries = 99;

void* Allocate(size_t bytes)
{
    return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
}

void Release(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

// The order file's wide path followed by suffix; false when it can't be built.
bool OrderFilePath(wchar_t* path, const wchar_t* suffix)
{
    char ansi[kPathBytes];
    if (!MakeExePath(ansi, kOrderFileName) || !AnsiToWide(ansi, path, MAX_PATH))
        return false;
    size_t length = wcslen(path);
    if (length + wcslen(suffix) >= kPathUnits)
        return false;
    wcscpy(path + length, suffix);
    return true;
}

// A folder as the file names it: relative to exeDir when inside it, ending in '\'.
bool FolderKey(const wchar_t* path, const wchar_t* exeDir, wchar_t* key)
{
    size_t length = wcslen(path), dirLength = wcslen(exeDir);
    // Paths ignore case, and the module's path and the shell's may be spelled differently.
    if (dirLength > 0 && length > dirLength &&
        CompareStringOrdinal(path, static_cast<int>(dirLength), exeDir, static_cast<int>(dirLength), TRUE) == CSTR_EQUAL) {
        path += dirLength;
        length -= dirLength;
    }
    bool slash = length > 0 && path[length - 1] == L'\\';
    if (length + 2 > kPathUnits)
        return false;
    wmemcpy(key, path, length);
    if (!slash)
        key[length++] = L'\\';
    key[length] = L'\0';
    return true;
}

bool ExeDirWide(wchar_t* exeDir)
{
    char ansi[kPathBytes];
    exeDir[0] = L'\0';
    return GetExeDir(ansi) && AnsiToWide(ansi, exeDir, MAX_PATH);
}

// The key of a caller's folder (system code page) and of a folder line (UTF-8).
bool CallerKey(const char* folderPath, const wchar_t* exeDir, wchar_t* key)
{
    wchar_t wide[MAX_PATH];
    return AnsiToWide(folderPath, wide, MAX_PATH) && FolderKey(wide, exeDir, key);
}

bool StoredKey(OrderName path, const wchar_t* exeDir, wchar_t* key)
{
    wchar_t wide[kPathUnits];
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.bytes, static_cast<int>(path.length),
                                    wide, kPathUnits - 1);
    if (path.length >= kPathUnits || units <= 0)
        return false;
    wide[units] = L'\0';
    return FolderKey(wide, exeDir, key);
}

bool FolderIs(const OrderFolder& folder, const wchar_t* key, const wchar_t* exeDir)
{
    wchar_t stored[kPathUnits];
    return StoredKey(folder.path, exeDir, stored) && CompareStringOrdinal(stored, -1, key, -1, TRUE) == CSTR_EQUAL;
}

// The first folder of store with this key, or folderCount.
size_t FindFolder(const OrderStore& store, const wchar_t* key, const wchar_t* exeDir)
{
    size_t f = 0;
    while (f < store.folderCount && !FolderIs(store.folders[f], key, exeDir))
        ++f;
    return f;
}

OrderFileStamp StampOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {true, (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow, info.ftLastWriteTime};
}

// Replaces store's folders with those of text (copied into the new block); false, with the
// store emptied, when the text is unreadable or memory runs out.
bool IndexOrderText(OrderStore& store, const char* text, size_t length)
{
    Release(store.block);
    store.block = nullptr;
    store.folders = nullptr;
    store.folderCount = 0;
    size_t folders = 0, names = 0;
    if (!ParseOrderText(text, length, nullptr, 0, nullptr, 0, &folders, &names))
        return false;
    if (folders == 0)
        return true;
    size_t folderBytes = folders * sizeof(OrderFolder), nameBytes = names * sizeof(OrderName);
    auto* block = static_cast<char*>(Allocate(folderBytes + nameBytes + length));
    if (!block)
        return false;
    auto* folderArray = reinterpret_cast<OrderFolder*>(block);
    auto* nameArray = reinterpret_cast<OrderName*>(block + folderBytes);
    char* copy = block + folderBytes + nameBytes;
    memcpy(copy, text, length);
    ParseOrderText(copy, length, folderArray, folders, nameArray, names, &folders, &names);
    store.block = block;
    store.folders = folderArray;
    store.folderCount = folders;
    return true;
}

// Moves the unreadable file to the first free aside name; true when it is gone.
bool SetAside(const wchar_t* path)
{
    for (int n = 1; n <= kAsideTries; ++n) {
        wchar_t suffix[32];
        if (n == 1)
            wcscpy(suffix, kOrderAsideSuffix);
        else
            wsprintfW(suffix, L"%s-%d", kOrderAsideSuffix, n);  // user32's: no C runtime printf in the exe
        wchar_t aside[kPathUnits];
        if (!OrderFilePath(aside, suffix))
            return false;
        if (MoveFileExW(path, aside, MOVEFILE_WRITE_THROUGH))
            return true;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return true;
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

bool WriteWhole(const wchar_t* path, const char* text, size_t length)
{
    wchar_t temp[kPathUnits];
    if (!OrderFilePath(temp, kOrderTempSuffix))
        return false;
    HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool written = true;
    for (size_t at = 0; written && at < length;) {
        DWORD part = 0;
        DWORD chunk = length - at > (1u << 20) ? (1u << 20) : static_cast<DWORD>(length - at);
        written = WriteFile(file, text + at, chunk, &part, nullptr) && part == chunk;
        at += part;
    }
    // On disk before the move makes it the file: a crash then leaves the old file or the new.
    written = FlushFileBuffers(file) && written;
    CloseHandle(file);
    if (written && MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temp);
    return false;
}

bool SaveFolderOrder(OrderStore& store, const char* folderPath, const OrderName* names, size_t count, bool forget)
{
    // A hand edit since, or a file that could not be opened a moment ago (an editor saving
    // it), is read again first.
    if (store.unreadable || OrderFileChanged(store))
        LoadOrderFile(store);
    wchar_t exeDir[kPathUnits], key[kPathUnits], path[kPathUnits];
    char keyUtf8[kPathUnits * 3];
    if (!ExeDirWide(exeDir) || !CallerKey(folderPath, exeDir, key) || !OrderFilePath(path, L"") ||
        WideCharToMultiByte(CP_UTF8, 0, key, -1, keyUtf8, sizeof(keyUtf8), nullptr, nullptr) <= 0)
        return false;
    size_t first = FindFolder(store, key, exeDir);
    if (forget && first == store.folderCount)
        return true;

    // The sections to write: the folder's own at its first place (or last, when new), a
    // later section of the same folder dropped.
    auto* sections = static_cast<OrderFolder*>(Allocate((store.folderCount + 1) * sizeof(OrderFolder)));
    if (!sections)
        return false;
    const OrderFolder own = {{keyUtf8, strlen(keyUtf8)}, names, count};
    size_t sectionCount = 0;
    for (size_t f = 0; f < store.folderCount; ++f) {
        if (f == first && !forget)
            sections[sectionCount++] = own;
        else if (f < first || !FolderIs(store.folders[f], key, exeDir))
            sections[sectionCount++] = store.folders[f];
    }
    if (first == store.folderCount)
        sections[sectionCount++] = own;
    size_t length = WriteOrderText(sections, sectionCount, nullptr, 0);
    char* text = length <= kOrderTextMax ? static_cast<char*>(Allocate(length)) : nullptr;
    if (text)
        WriteOrderText(sections, sectionCount, text, length);
    Release(sections);
    if (!text)
        return false;

    bool indexed = IndexOrderText(store, text, length);
    bool saved = false;
    if (indexed && (!store.unreadable || SetAside(path))) {
        store.unreadable = false;
        saved = WriteWhole(path, text, length);
        store.stamp = ReadOrderFileStamp();
    }
    Release(text);
    return saved;
}

}  // namespace

OrderFileStamp ReadOrderFileStamp()
{
    OrderFileStamp stamp = {};
    wchar_t path[kPathUnits];
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (OrderFilePath(path, L"") && GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.lastWrite = data.ftLastWriteTime;
    }
    return stamp;
}

bool SameOrderFileStamp(const OrderFileStamp& a, const OrderFileStamp& b)
{
    if (!a.exists || !b.exists)
        return a.exists == b.exists;
    return a.size == b.size && CompareFileTime(&a.lastWrite, &b.lastWrite) == 0;
}

bool LoadOrderFile(OrderStore& store)
{
    IndexOrderText(store, nullptr, 0);
    store.unreadable = false;
    store.stamp = {};
    wchar_t path[kPathUnits];
    if (!OrderFilePath(path, L""))
        return true;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        store.unreadable = true;
        store.stamp = ReadOrderFileStamp();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    char* text = nullptr;
    size_t length = 0;
    bool read = GetFileInformationByHandle(file, &info);
    if (read) {
        store.stamp = StampOf(info);
        // Too big a file is not read at all.
        read = store.stamp.size <= kOrderTextMax;
    }
    if (read) {
        length = static_cast<size_t>(store.stamp.size);
        text = static_cast<char*>(Allocate(length));
        DWORD got = 0;
        read = text && ReadFile(file, text, static_cast<DWORD>(length), &got, nullptr) && got == length;
    }
    CloseHandle(file);
    store.unreadable = !(read && IndexOrderText(store, text, length));
    Release(text);
    return !store.unreadable;
}

bool OrderFileChanged(const OrderStore& store)
{
    return !SameOrderFileStamp(store.stamp, ReadOrderFileStamp());
}

const OrderFolder* FindFolderOrder(const OrderStore& store, const char* folderPath)
{
    wchar_t exeDir[kPathUnits], key[kPathUnits];
    if (store.folderCount == 0 || !ExeDirWide(exeDir) || !CallerKey(folderPath, exeDir, key))
        return nullptr;
    size_t found = FindFolder(store, key, exeDir);
    return found < store.folderCount ? &store.folders[found] : nullptr;
}

void ApplyFolderOrder(const OrderStore& store, const char* folderPath, const OrderName* shell, size_t count,
                      size_t* order)
{
    const OrderFolder* stored = FindFolderOrder(store, folderPath);
    auto* scratch = stored ? static_cast<size_t*>(Allocate(count * sizeof(size_t))) : nullptr;
    if (!scratch) {
        for (size_t i = 0; i < count; ++i)
            order[i] = i;
        return;
    }
    ApplyOrder(shell, count, stored->names, stored->count, order, scratch);
    Release(scratch);
}

bool SetFolderOrder(OrderStore& store, const char* folderPath, const OrderName* names, size_t count)
{
    return SaveFolderOrder(store, folderPath, names, count, false);
}

bool ForgetFolderOrder(OrderStore& store, const char* folderPath)
{
    return SaveFolderOrder(store, folderPath, nullptr, 0, true);
}

void FreeOrderStore(OrderStore& store)
{
    Release(store.block);
    store = {};
}

BOOL WideToOrderName(const wchar_t* wide, char* utf8, int bytes)
{
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, utf8, bytes, nullptr, nullptr) > 0)
        return TRUE;
    if (bytes > 0)
        utf8[0] = '\0';
    return FALSE;
}
