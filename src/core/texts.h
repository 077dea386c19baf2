// Every fixed text the program shows to the user, exactly as it is shown (typos included).
// Message boxes take them through the wide calls so they read right on any code page.
#pragma once

// Captions.
constexpr wchar_t kCaptionError[] = L"Morvek Error";
constexpr wchar_t kCaptionConfirm[] = L"確認 by Morvek";
constexpr wchar_t kCaptionShortcutMade[] = L"Morevk からのメッセージ";
constexpr wchar_t kCaptionShortcutFailed[] = L"失敗";

// Start-up.
constexpr wchar_t kTextAlreadyRunning[] = L"すでに起動しています．";
constexpr wchar_t kTextNoWindow[] = L"ウィンドウを作成できなかったため、Morvekを起動できません．";

// Launcher.
constexpr wchar_t kTextNoItemsFolder[] = L"BindToObject Error\nitemsフォルダの有無を確認してください";
// The first item of a folder's submenu: opens the folder itself.
constexpr wchar_t kTextOpenThisFolder[] = L"このフォルダを開く";
// The first command of an entry's own menu where its menu level has the user's order: back
// to the shell's.
constexpr wchar_t kTextRestoreOrder[] = L"元の順序に戻す";

// The launcher's hotkey at start; %s is the value of [HotKey] Launcher as written.
constexpr wchar_t kTextHotKeyMalformed[] =
    L"ホットキー「%s」を読み取れません．ホットキーなしで続けます．\n\n"
    L"setting1.ini の [HotKey] の Launcher には、Ctrl+Alt+L のように\n"
    L"Ctrl・Alt・Shift・Win と、英字・数字・F1～F24 のどれか一つを + でつないで書きます．\n"
    L"英字と数字には Ctrl・Alt・Win のどれかを添えてください．";
constexpr wchar_t kTextHotKeyTaken[] =
    L"ホットキー「%s」はほかのプログラムが使っているため登録できません．ホットキーなしで続けます．";

// Main menu confirmations.
constexpr wchar_t kAskShutdown[] = L"シャットダウンしますか？";
constexpr wchar_t kAskQuit[] = L"Morvekを終了しますか？";
constexpr wchar_t kAskReboot[] = L"再起動しますか？";
constexpr wchar_t kAskLogOff[] = L"ログオフしますか？";
constexpr wchar_t kAskHibernate[] = L"休止状態にしますか？";

// Power.
constexpr wchar_t kTextLogOffRefused[] = L"ログオフは拒否されました。";

// Drop dialog.
constexpr wchar_t kTextShortcutMade[] = L"ショートカットが作成されました．";
constexpr wchar_t kTextShortcutFailed[] = L"ショートカットを作成できませんでした．";

// Tray tip (ANSI: the tray record holds a char array).
constexpr char kTrayTip[] = "Morvek ver1.4";
