// Recorders of what the program's code asks of the platform (message boxes, icon lookups,
// fonts and brushes) and counts of what the system holds. One of each at a time; each puts
// the platform calls back when it ends.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "files.h"

struct RecordedBox {
    HWND owner;
    std::wstring text, caption;
    UINT type;
    int shortcutsSeen;  // .lnk files in TestItemsDir() when it came up
};

// Records the program's message boxes (g_platform.MessageBoxW) in shown, answered by onBox
// (IDOK when unset) from inside the box as a person would; duringNextBox runs inside the
// next box only.
struct BoxRecorder {
    std::vector<RecordedBox> shown;
    std::function<int(const RecordedBox&)> onBox;
    std::function<void()> duringNextBox;
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
};

// The .lnk files in a folder.
int CountShortcuts(const std::string& folder = TestItemsDir());

// Counts the launcher's icon lookups (g_platform.SHGetFileInfoA, on any thread); with stall,
// holds each one (or each of a path ending in stallOnly) until Release.
struct IconFetches {
    explicit IconFetches(bool stall = false, const char* stallOnly = nullptr);
    ~IconFetches();
    long Count() const;
    UINT FlagsSeen() const;  // every flag any lookup asked with
    void Release();          // lets stalled lookups, and later ones, go on
};

// The shell's small icon of a path both ways the launcher could hold it: its index in the
// system's small image list as the launcher fetches it (-1: none), and an icon of its own
// (the caller destroys it; null: none).
int SmallIconIndexOf(const std::string& path);
HICON SmallIconHandleOf(const std::string& path);

// Every font and brush the test program makes through CreateFontIndirectA and
// CreateSolidBrush (its own imports redirected) while it lives.
struct GdiCreations {
    std::vector<HGDIOBJ> fonts;
    std::vector<HGDIOBJ> brushes;
    GdiCreations();
    ~GdiCreations();
    std::vector<HGDIOBJ> Alive() const;  // those the system still knows
};

// The system no longer knows the object (a deleted font or brush).
bool GdiObjectDeleted(HGDIOBJ object);

// The threads this process has now.
int ThreadsOfProcess();
