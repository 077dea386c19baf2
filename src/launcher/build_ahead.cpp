// Building the launcher menu ahead of the click. What makes it correct: the build thread
// touches nothing the window thread writes. It gets its look, an index into the kept
// records (which stay untouched, since nothing frees the kept menu while a build runs) and
// the count of changes announced when it started, and hands everything back by one posted
// message; only the window thread makes menus, keeps or frees. The window keeps the thread's
// handle and learns from its end whether the post was made: a refused post (a full queue)
// frees the build on the thread, and the window then counts it as ended. The watch on items
// is made (and so armed) before the build's listing is taken, so any change after that raises
// the count, and a build whose count is behind is kept but not valid: the next click builds
// anew and the quiet time starts another build ahead. An icon that comes late (icon_fetch.h)
// comes in a posted message too; while a build runs it is held, since the build reads the
// kept records it would go into, and put in when the build comes back.
#include "launcher/build_ahead.h"

#include <objbase.h>

#include "core/app_state.h"
#include "core/platform_calls.h"
#include "launcher/folder_collect.h"
#include "launcher/folder_listing.h"
#include "launcher/icon_pixels.h"
#include "launcher/kept_menu.h"
#include "launcher/launcher_records.h"
#include "launcher/launcher_state.h"
#include "launcher/owner_draw.h"
#include "launcher/rebuild_cause.h"
#include "launcher/record_reuse.h"

namespace {

// The build thread's exit code when its result was posted.
constexpr DWORD kPosted = 1;

// One build, from the window thread to the build thread and back.
struct AheadBuild {
    HWND window;
    MenuLook look;
    RecordReuse reuse;
    LONG changesAtStart;
    unsigned iconChangesAtStart;  // the shell's announcements of changed icons when it began
    CollectResult result;
    LaunchEntry* head;
    LauncherRecord* records;
    BYTE* listing;
    SIZE_T listingSize;
};

struct AheadState {
    bool asked;        // a build ahead was asked for since start
    bool running;      // a build thread holds a build
    bool again;        // build again once the running build or the open menu is done
    bool quiet;        // a change waits for the folder to stay quiet until quietFrom + kQuietMs
    DWORD quietFrom;
    AheadBuild* held;  // came back while a folder menu was open
    HANDLE thread;     // the last build thread, until its end is seen
    LateIcon* late;    // icons that came while a build ran
};
AheadState g_ahead;

void FreeAheadBuild(AheadBuild* build)
{
    FreeLaunchEntries(build->head);
    FreeLauncherRecords(build->records);
    if (build->listing)
        HeapFree(GetProcessHeap(), 0, build->listing);
    FreeRecordReuse(&build->reuse);
    HeapFree(GetProcessHeap(), 0, build);
}

DWORD WINAPI BuildThread(void* parameter)
{
    auto* build = static_cast<AheadBuild*>(parameter);
    // The shell's folders and icon lookups want an apartment of their own on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    QuietErrorBoxes quiet;
    build->listing = ListItemsFolder(&build->listingSize);
    build->result = CollectFolder(FolderMode::Items, &build->head, &build->records, build->look.iconShow,
                                  build->reuse.slots ? &build->reuse : nullptr, build->look.submenus);
    // Refused (a full queue, or the window gone): nobody else will free the build, and the
    // thread's exit code tells the window so.
    bool posted = g_platform.PostMessageW(build->window, kLauncherBuilt, 0, reinterpret_cast<LPARAM>(build));
    if (!posted)
        FreeAheadBuild(build);
    if (SUCCEEDED(com))
        CoUninitialize();
    return posted ? kPosted : 0;
}

// The icons held while the build ran, put into what the window holds and into records (the
// build that came back, or null).
void PutHeldLateIcons(LauncherRecord* records)
{
    while (LateIcon* icon = g_ahead.late) {
        g_ahead.late = icon->next;
        if (!g_app.quitting)
            PutLateIcon(*icon, records);
        HeapFree(GetProcessHeap(), 0, icon);
    }
}

void StartQuiet()
{
    g_ahead.quiet = true;
    g_ahead.quietFrom = GetTickCount();
}

void Keep(AheadBuild* build)
{
    const KeptMenu& keptMenu = g_launcher.keptMenu;
    if (build->result == CollectResult::Done && build->listing && keptMenu.change) {
        // A mark the shell made during the build still holds for what it built.
        if (KeepCollected(build->head, build->records, build->look, build->listing, build->listingSize,
                          build->changesAtStart, build->iconChangesAtStart)) {
            RenderLauncherNames(keptMenu.records, keptMenu.look);
            build->head = nullptr;
            build->records = nullptr;
            build->listing = nullptr;
        }
    } else if (build->result != CollectResult::Done) {
        // The folder is gone or could not be listed: nothing kept; the click says so.
        FreeKeptMenu(false);
    }
    FreeAheadBuild(build);
    if (keptMenu.menu && keptMenu.builtAtChanges != keptMenu.changesSeen)
        StartQuiet();
}

}  // namespace

void StartLauncherBuildAhead(HWND window)
{
    // After quit nothing new is built (the process ends with the thread mid-build).
    if (g_app.quitting)
        return;
    SendLateIconsTo(window, kLauncherIconCame);
    g_ahead.asked = true;
    if (g_ahead.running || g_launcher.folderMenuOpen) {
        g_ahead.again = true;
        return;
    }
    g_ahead.again = false;
    // A click may have built the launcher since this build was asked for (the change it
    // was asked for came before the click): built again, the menu would be the same, and
    // the submenus the click filled would go.
    MenuLook look = ReadMenuLook();
    if (KeptMenuValid(look))
        return;
    // Taken in (this build's listing comes after it), and watched anew.
    ItemsChangeSeen();
    if (!RenewItemsWatch())
        return;
    auto* build = static_cast<AheadBuild*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(AheadBuild)));
    if (!build)
        return;
    const KeptMenu& keptMenu = g_launcher.keptMenu;
    build->window = window;
    build->look = look;
    build->changesAtStart = keptMenu.changesSeen;
    build->iconChangesAtStart = g_launcher.iconChanges;
    MakeKeptRecordReuse(&build->reuse, keptMenu, g_launcher.iconChanges, build->look.iconShow);
    HANDLE thread = CreateThread(nullptr, 0, BuildThread, build, 0, nullptr);
    if (!thread) {
        FreeRecordReuse(&build->reuse);
        HeapFree(GetProcessHeap(), 0, build);
        return;
    }
    // The thread before it posted its build (it was taken in): its end tells nothing more.
    if (g_ahead.thread)
        CloseHandle(g_ahead.thread);
    g_ahead.thread = thread;
    g_ahead.running = true;
}

void FreeLauncherAtQuit()
{
    // A build running reads the kept records: they are left to the process's end.
    if (!g_launcher.folderMenuOpen && !g_ahead.running)
        FreeKeptMenu(true);
}

bool LauncherBuildRunning()
{
    return g_ahead.running;
}

bool LauncherBuildPending()
{
    return !g_ahead.asked || g_ahead.running || g_ahead.quiet || g_ahead.again;
}

void OnLauncherBuilt(HWND window, LPARAM lParam, bool clickWaiting)
{
    auto* build = reinterpret_cast<AheadBuild*>(lParam);
    g_ahead.running = false;
    PutHeldLateIcons(build->records);
    // Quit came while it was built: it is freed, not kept (what was kept is freed by now, or
    // as the open menu closes).
    if (g_app.quitting) {
        FreeAheadBuild(build);
        FreeLauncherAtQuit();
        return;
    }
    if (g_launcher.folderMenuOpen) {
        g_ahead.held = build;
        return;
    }
    Keep(build);
    PreparePlatformMenus(window);
    // A waiting click is answered first; the next build follows its menu.
    if (g_ahead.again && !clickWaiting)
        StartLauncherBuildAhead(window);
}

void AfterFolderMenuClosed(HWND window)
{
    if (g_ahead.held) {
        AheadBuild* held = g_ahead.held;
        g_ahead.held = nullptr;
        if (!g_app.quitting)
            Keep(held);
        else
            FreeAheadBuild(held);
    }
    if (g_ahead.again)
        StartLauncherBuildAhead(window);
}

HANDLE LauncherWatchHandle()
{
    return g_launcher.keptMenu.change;
}

DWORD LauncherQuietWait()
{
    if (!g_ahead.quiet)
        return INFINITE;
    DWORD passed = GetTickCount() - g_ahead.quietFrom;
    return passed >= kQuietMs ? 0 : kQuietMs - passed;
}

HANDLE LauncherBuildThreadHandle()
{
    return g_ahead.thread;
}

void OnLauncherBuildThreadEnded(HWND window)
{
    DWORD code = kPosted;
    if (!GetExitCodeThread(g_ahead.thread, &code))
        code = 0;
    CloseHandle(g_ahead.thread);
    g_ahead.thread = nullptr;
    // Posted: its message is on the way. Refused: the thread freed the build, and the next
    // click (or the build asked for meanwhile) does not wait for it.
    if (code == kPosted || !g_ahead.running)
        return;
    g_ahead.running = false;
    PutHeldLateIcons(nullptr);
    if (g_app.quitting)
        FreeLauncherAtQuit();
    else if (g_ahead.again)
        StartLauncherBuildAhead(window);
}

void OnLauncherIconCame(LPARAM lParam)
{
    auto* icon = reinterpret_cast<LateIcon*>(lParam);
    if (g_ahead.running) {
        icon->next = g_ahead.late;
        g_ahead.late = icon;
        return;
    }
    if (!g_app.quitting)
        PutLateIcon(*icon, g_ahead.held ? g_ahead.held->records : nullptr);
    HeapFree(GetProcessHeap(), 0, icon);
}

void OnLauncherWatchSignalled()
{
    ItemsChangeSeen();
    StartQuiet();
}

void OnLauncherSourceChanged()
{
    MarkKeptMenuStale();
    StartQuiet();
}

void OnLauncherIconsChanged()
{
    DropIconPixels();
    OnLauncherSourceChanged();
}

void OnLauncherLookChanged()
{
    // Read into each look from now on: a kept menu's look no longer matches.
    ++g_launcher.lookChanges;
    StartQuiet();
}

void OnLauncherSettingChanged(UINT action, const wchar_t* section)
{
    MenuChange change = SettingChange(action, section);
    if (change == MenuChange::Look)
        OnLauncherLookChanged();
    else if (change == MenuChange::Names)
        OnLauncherSourceChanged();
}

void OnLauncherQuiet(HWND window)
{
    g_ahead.quiet = false;
    StartLauncherBuildAhead(window);
}
