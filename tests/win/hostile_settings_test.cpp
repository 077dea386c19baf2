// Settings files well-formed and hostile (garbage, signs, binary bytes, 100 KB lines, a folder in the file's
// place): each user acts on a value as GetPrivateProfileIntA reads it; reading never changes the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/app_state.h"
#include "commands/dispatch.h"
#include "commands/command_plan.h"
#include "launcher/tray_click.h"
#include "resources/resource.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace {

constexpr UINT kAsFileSays = 0xDEADBEEF;  // no fixed value: whatever the platform's rule gives

UINT PlatformRead(const char* section, const char* key, INT defaultValue)
{
    return GetPrivateProfileIntA(section, key, defaultValue, TestSettingsPath().c_str());
}

struct Row {
    const char* name;
    std::string file;
    UINT iconShow, key, message, folderView;  // as read with the program's defaults 1, 0, 0, 0
    UINT submenus = 0;                        // on only for a plain 1, read as text: "1x" is not 1
};

class HostileSettings : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override
    {
        HoldKey(0);
        Clean();
    }
    static void Clean()
    {
        SetFileAttributesA(TestSettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(TestSettingsPath().c_str());
        RemoveDirectoryA(TestSettingsPath().c_str());
    }
};

TEST_F(HostileSettings, EveryReaderFollowsTheProfileRulesAndEveryUserActsOnTheValue)
{
    const std::string noNul("\x01\x02\x1b\x7f\x80\x9f\xe0\xfc\xff garbage\r\n");
    const std::string binary("\x01\x02\x7f\x80\xff\x00\xfe garbage \x00\x00\r\n", 18);
    const Row rows[] = {
        {"all set, middle button",
         "[MyComputer]\nFolderView=1\n[Icon]\nIconShow=1\n[Exit]\nMessage=1\n[DeskTopShow]\nKey=1\n", 1, 1, 1, 1},
        {"all clear, shift",
         "[MyComputer]\nFolderView=0\n[Icon]\nIconShow=0\n[Exit]\nMessage=0\n[DeskTopShow]\nKey=2\n", 0, 2, 0, 0},
        {"alt set by hand", "[DeskTopShow]\nKey=3\n", 1, 3, 0, 0},
        {"ctrl written out", "[DeskTopShow]\nKey=0\n[Exit]\nMessage=1\n", 1, 0, 1, 0},
        {"sections and keys in another case", "[icon]\r\niconshow=0\r\n[DESKTOPSHOW]\r\nkey=3\r\n", 0, 3, 0, 0},
        {"submenus on", "[Launcher]\r\nSubmenus=1\r\n", 1, 0, 0, 0, 1},
        {"submenus off", "[Launcher]\r\nSubmenus=0\r\n", 1, 0, 0, 0, 0},
        {"submenus 2", "[Launcher]\r\nSubmenus=2\r\n", 1, 0, 0, 0, 0},
        {"submenus 1x", "[Launcher]\r\nSubmenus=1x\r\n", 1, 0, 0, 0, 0},
        {"submenus empty", "[Launcher]\r\nSubmenus=\r\n", 1, 0, 0, 0, 0},
        {"another key in [Launcher]", "[Launcher]\r\nLauncher=1\r\n", 1, 0, 0, 0, 0},
        {"submenus in another section", "[HotKey]\r\nSubmenus=1\r\n", 1, 0, 0, 0, 0},
        {"words instead of numbers",
         "[Icon]\r\nIconShow=yes\r\n[DeskTopShow]\r\nKey=ctrl\r\n[EXIT]\r\nMessage=on\r\n"
         "[MyComputer]\r\nFolderView=true\r\n",
         0, 0, 0, 0},
        {"digits then garbage, spaces around",
         "[Icon]\r\nIconShow=12abc\r\n[DeskTopShow]\r\nKey=  2  \r\n[Exit]\r\nMessage= 3x\r\n", 12, 2, 3, 0},
        {"negative numbers",
         "[Icon]\r\nIconShow=-1\r\n[DeskTopShow]\r\nKey=-1\r\n[Exit]\r\nMessage=-5\r\n"
         "[MyComputer]\r\nFolderView=-0\r\n",
         0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFBu, 0},
        {"numbers past 32 bits",
         "[Icon]\r\nIconShow=99999999999999999999999\r\n[DeskTopShow]\r\nKey=4294967297\r\n"
         "[Exit]\r\nMessage=18446744073709551616\r\n",
         kAsFileSays, kAsFileSays, kAsFileSays, 0},
        {"control and high bytes between the lines",
         noNul + "[Icon]\r\n" + noNul + "IconShow=0\r\n" + noNul + "[DeskTopShow]\r\nKey=1\r\n" + noNul, 0, 1, 0,
         0},
        // Zero bytes may make the platform take the file for UTF-16: no fixed values then.
        {"binary bytes with zeros between the lines",
         binary + "[Icon]\r\n" + binary + "IconShow=0\r\n" + binary + "[DeskTopShow]\r\nKey=1\r\n" + binary,
         kAsFileSays, kAsFileSays, kAsFileSays, kAsFileSays},
        {"binary bytes only", binary + binary + binary, kAsFileSays, kAsFileSays, kAsFileSays, kAsFileSays},
        {"a 100 KB line before the sections",
         std::string(100 * 1024, 'x') + "\r\n[Icon]\r\nIconShow=0\r\n[DeskTopShow]\r\nKey=3\r\n", 0, 3, 0, 0},
        {"a 100 KB value and a 100 KB section name",
         "[Icon]\r\nIconShow=" + std::string(100 * 1024, '7') + "\r\n[" + std::string(100 * 1024, 'S') +
             "]\r\nKey=1\r\n[DeskTopShow]\r\nKey=2\r\n[Exit]\r\nMessage=" + std::string(100 * 1024, '0') + "\r\n",
         kAsFileSays, 2, kAsFileSays, 0},
        {"a 100 KB key name", "[Icon]\r\n" + std::string(100 * 1024, 'k') + "=0\r\nIconShow=0\r\n", 0, 0, 0, 0},
        {"keys outside any section", "IconShow=0\r\nKey=1\r\nMessage=1\r\nFolderView=1\r\n", 1, 0, 0, 0},
        {"keys in another section", "[Other]\r\nIconShow=0\r\nKey=1\r\nMessage=1\r\nFolderView=1\r\n", 1, 0, 0, 0},
        {"sections without keys", "[Icon]\r\n[DeskTopShow]\r\n[Exit]\r\n[MyComputer]\r\n", 1, 0, 0, 0},
        {"empty values", "[Icon]\r\nIconShow=\r\n[DeskTopShow]\r\nKey=\r\n[Exit]\r\nMessage=\r\n",
         kAsFileSays, kAsFileSays, kAsFileSays, 0},
        {"unclosed section name", "[Icon\r\nIconShow=0\r\n[DeskTopShow]\r\nKey=1\r\n", kAsFileSays, 1, 0, 0},
        {"empty file", "", 1, 0, 0, 0},
        {"folder view on", "[MyComputer]\r\nFolderView=1\r\n", 1, 0, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clean();
        ASSERT_TRUE(WriteTextFile(TestSettingsPath(), row.file));
        // The readers: the platform's rule, and the fixed value where the row gives one.
        const UINT iconShow = PlatformRead(kSectionIcon, kKeyIconShow, 1);
        const UINT key = PlatformRead(kSectionDesktop, kKeyDesktopKey, 0);
        const UINT message = PlatformRead(kSectionExitRead, kKeyMessage, 0);
        const UINT folderView = PlatformRead(kSectionMyComputer, kKeyFolderView, 0);
        const struct {
            const char* name;
            UINT expected, read;
        } fixed[] = {{"IconShow", row.iconShow, iconShow}, {"Key", row.key, key}, {"Message", row.message, message},
                     {"FolderView", row.folderView, folderView}};
        for (const auto& value : fixed)
            EXPECT_TRUE(value.expected == kAsFileSays || value.expected == value.read)
                << value.name << ": expected " << value.expected << ", read " << value.read;
        EXPECT_EQ(iconShow, ReadIconShow());
        EXPECT_EQ(key, ReadDesktopKey());
        EXPECT_EQ(row.submenus, ReadSubmenus());
        // Click routing: a plain left click is always the launcher; the middle button
        // lists the desktop only for Key 1; the modifier held lists it only for 0, 2, 3.
        HoldKey(0);
        EXPECT_EQ(TrayAction::Launcher, TrayActionFor(WM_LBUTTONUP));
        EXPECT_EQ(key == 1 ? TrayAction::Desktop : TrayAction::Nothing, TrayActionFor(WM_MBUTTONUP));
        for (int modifier : {VK_CONTROL, VK_SHIFT, VK_MENU}) {
            HoldKey(modifier);
            bool named = (key == 0 && modifier == VK_CONTROL) || (key == 2 && modifier == VK_SHIFT) ||
                         (key == 3 && modifier == VK_MENU);
            EXPECT_EQ(named ? TrayAction::Desktop : TrayAction::Launcher, TrayActionFor(WM_LBUTTONUP))
                << "modifier " << modifier << ", key " << key;
        }
        HoldKey(0);
        // The commands: quit asks for any non-zero "Message"; My Computer explores for any
        // non-zero "FolderView".
        EXPECT_EQ(message != 0, CurrentPlan(IDM_QUIT).question != nullptr);
        EXPECT_STREQ(folderView ? "explore" : "open", CurrentPlan(IDM_MYCOMPUTER).verb);
        EXPECT_TRUE(ReadFileBytes(TestSettingsPath()) == row.file) << "the file changed on reading";
        // The settings dialog shows any non-zero value as a ticked box and a key outside
        // 0..2 as no radio button; closing without saving writes nothing.
        HWND dialog = OpenDialog(IDD_SETTINGS, SettingsDlgProc);
        ASSERT_TRUE(dialog);
        const UINT dialogFolderView = PlatformRead(kSectionMyComputer, kKeyFolderView, 1);
        EXPECT_EQ(dialogFolderView ? BST_CHECKED : BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_FOLDERVIEW));
        EXPECT_EQ(iconShow ? BST_CHECKED : BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_ICONSHOW));
        EXPECT_EQ(message ? BST_CHECKED : BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_EXITMESSAGE));
        const int radios[] = {IDC_KEY_CTRL, IDC_KEY_MIDDLE, IDC_KEY_SHIFT};
        for (UINT value = 0; value < 3; ++value)
            EXPECT_EQ(key == value ? BST_CHECKED : BST_UNCHECKED, IsDlgButtonChecked(dialog, radios[value]));
        SendDlgItemMessageA(dialog, IDC_CLOSE, BM_CLICK, 0, 0);
        DestroyWindow(dialog);
        EXPECT_TRUE(ReadFileBytes(TestSettingsPath()) == row.file) << "closing without saving changed the file";
        // A save over the hostile file leaves one that reads back as saved.
        dialog = OpenDialog(IDD_SETTINGS, SettingsDlgProc);
        ASSERT_TRUE(dialog);
        SendDlgItemMessageA(dialog, IDC_KEY_MIDDLE, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDC_SAVE, BM_CLICK, 0, 0);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ICONSHOW), ReadIconShow());
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_EXITMESSAGE), ReadSetting(kSectionExitRead, kKeyMessage, 0));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FOLDERVIEW), ReadSetting(kSectionMyComputer, kKeyFolderView, 0));
        EXPECT_EQ(1u, ReadDesktopKey());
        DestroyWindow(dialog);
        EXPECT_EQ(nullptr, g_app.settingsDialog);
    }
}

TEST_F(HostileSettings, AFolderInTheFilesPlaceGivesDefaultsAndSavesFailQuietly)
{
    ASSERT_TRUE(CreateDirectoryA(TestSettingsPath().c_str(), nullptr));
    EXPECT_EQ(1u, ReadIconShow());
    EXPECT_EQ(0u, ReadDesktopKey());
    EXPECT_EQ(nullptr, CurrentPlan(IDM_QUIT).question);
    EXPECT_STREQ("open", CurrentPlan(IDM_MYCOMPUTER).verb);
    EXPECT_FALSE(WriteSetting(kSectionIcon, kKeyIconShow, "0"));

    HWND dialog = OpenDialog(IDD_SETTINGS, SettingsDlgProc);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_FOLDERVIEW));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_ICONSHOW));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_KEY_CTRL));
    SendDlgItemMessageA(dialog, IDC_ICONSHOW, BM_CLICK, 0, 0);
    SendDlgItemMessageA(dialog, IDC_SAVE_CLOSE, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "a failed save still closes the dialog";
    DestroyWindow(dialog);
    EXPECT_EQ(1u, ReadIconShow()) << "nothing was written anywhere the reader looks";
    EXPECT_TRUE(GetFileAttributesA(TestSettingsPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
