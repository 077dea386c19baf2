// What each main-menu command does: which question it asks first and which action it
// runs with which arguments. Platform-free, so the table is checked natively as well.
#pragma once

// The settings a command reads at the moment it runs.
enum class CommandSetting { None, ExitMessage, FolderView };

enum class CommandAction {
    None,
    PowerOff,        // PowerOffSystem(not forced)
    Quit,            // QuitApp(window)
    Reboot,          // RebootSystem(not forced)
    LogOff,          // LogOffUser(window)
    CdOpen,          // OpenCdDoor()
    CdClose,         // CloseCdDoor()
    Hibernate,       // HibernateSystem()
    OpenFolder,      // OpenSpecialFolder(verb, folder)
    ScreenSaver,     // StartScreenSaver(window)
    Standby,         // StandbySystem()
    MinimizeAll,     // MinimizeAllWindows()
    SettingsDialog,  // ShowSettingsDialog(window)
    DropDialog,      // ShowDropDialog(window)
};

// The shell's special-folder ids the menu opens (CSIDL_DRIVES, CSIDL_PERSONAL).
constexpr int kFolderMyComputer = 17;
constexpr int kFolderDocuments = 5;

struct CommandPlan {
    const wchar_t* question;  // asked with OK and Cancel first; null: runs at once
    CommandAction action;
    const char* verb;         // OpenFolder only, else null
    int folder;               // OpenFolder only, else 0
};

// The setting the command with this id needs, read just before PlanCommand.
CommandSetting SettingFor(unsigned id);

// The plan for a command id; settingValue is the value of SettingFor(id) (0 when None).
// Ids without a command give {null, None}.
CommandPlan PlanCommand(unsigned id, unsigned settingValue);
