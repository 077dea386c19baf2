// The main menu's table: question and action for every command id.
#include "commands/command_plan.h"

#include "core/texts.h"
#include "resources/resource.h"

CommandSetting SettingFor(unsigned id)
{
    switch (id) {
    case IDM_QUIT:
        return CommandSetting::ExitMessage;
    case IDM_MYCOMPUTER:
        return CommandSetting::FolderView;
    default:
        return CommandSetting::None;
    }
}

CommandPlan PlanCommand(unsigned id, unsigned settingValue)
{
    switch (id) {
    case IDM_SHUTDOWN:
        return {kAskShutdown, CommandAction::PowerOff, nullptr, 0};
    case IDM_QUIT:
        // Quitting asks only when the user chose so in the settings.
        return {settingValue != 0 ? kAskQuit : nullptr, CommandAction::Quit, nullptr, 0};
    case IDM_REBOOT:
        return {kAskReboot, CommandAction::Reboot, nullptr, 0};
    case IDM_LOGOFF:
        return {kAskLogOff, CommandAction::LogOff, nullptr, 0};
    case IDM_CD_OPEN:
        return {nullptr, CommandAction::CdOpen, nullptr, 0};
    case IDM_CD_CLOSE:
        return {nullptr, CommandAction::CdClose, nullptr, 0};
    case IDM_HIBERNATE:
        return {kAskHibernate, CommandAction::Hibernate, nullptr, 0};
    case IDM_FIND:
        return {nullptr, CommandAction::OpenFolder, "find", kFolderMyComputer};
    case IDM_EXPLORER:
        return {nullptr, CommandAction::OpenFolder, "explore", kFolderDocuments};
    case IDM_SCREENSAVER:
        return {nullptr, CommandAction::ScreenSaver, nullptr, 0};
    case IDM_STANDBY:
        return {nullptr, CommandAction::Standby, nullptr, 0};
    case IDM_MYCOMPUTER:
        // With the folder view chosen, My Computer opens with the folder tree beside it.
        return {nullptr, CommandAction::OpenFolder, settingValue != 0 ? "explore" : "open",
                kFolderMyComputer};
    case IDM_MINIMIZE_ALL:
        return {nullptr, CommandAction::MinimizeAll, nullptr, 0};
    case IDM_SETTINGS:
        return {nullptr, CommandAction::SettingsDialog, nullptr, 0};
    case IDM_ADD_SHORTCUT:
        return {nullptr, CommandAction::DropDialog, nullptr, 0};
    default:
        return {nullptr, CommandAction::None, nullptr, 0};
    }
}
