// Recorders of what the program's code asks of the platform (message boxes, icon lookups,
// fonts and brushes), one of each at a time, and counts of what the system holds.
#pragma once
#include "files.h"

struct RecordedBox {
    HWND owner;
    std::wstring text, caption;
    UINT type;
    int shortcutsSeen;  // .lnk files in TestItemsDir() when it came up
};

// The program's message boxes (g_platform.MessageBoxW), answered by onBox (IDOK when unset)
// from inside the box as a person would; duringNextBox runs inside the next box only.
struct BoxRecorder {
    std::vector<RecordedBox> shown;
    std::function<int(const RecordedBox&)> onBox;
    std::function<void()> duringNextBox;
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
};

int CountShortcuts(const std::string& folder = TestItemsDir());

// The launcher's icon lookups (g_platform.SHGetFileInfoA, any thread); with stall, each one
// (or each of a path ending in stallOnly) is held until Release.
struct IconFetches {
    explicit IconFetches(bool stall = false, const char* stallOnly = nullptr);
    ~IconFetches();
    long Count() const { return fetches; }
    UINT FlagsSeen() const { return static_cast<UINT>(flags); }  // every flag any lookup asked with
    void Release();  // lets stalled lookups, and later ones, go on
    static inline volatile LONG fetches = 0;
    static inline volatile LONG flags = 0;
};

// The shell's small icon of a path both ways the launcher could hold it: its index in the
// system image list as the launcher fetches it (-1: none), and an icon the caller destroys.
int SmallIconIndexOf(const std::string& path);
HICON SmallIconHandleOf(const std::string& path);

// The fonts and brushes made through the program's CreateFontIndirectA and CreateSolidBrush.
struct GdiCreations {
    std::vector<HGDIOBJ> fonts;
    std::vector<HGDIOBJ> brushes;
    GdiCreations();
    ~GdiCreations();
    std::vector<HGDIOBJ> Alive() const;  // those the system still knows
};

inline bool GdiObjectDeleted(HGDIOBJ object) { return GetObjectType(object) == 0; }
int ThreadsOfProcess();
