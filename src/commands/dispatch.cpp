// The main menu's commands: the settings they read, the question they ask, the action.
#include "commands/dispatch.h"

#include "core/platform_calls.h"
#include "core/texts.h"
#include "tray/tray_icon.h"
#include "commands/power.h"
#include "commands/shell_actions.h"
#include "registration/drop_dialog.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"

namespace {

// Read when the command runs, never cached: a change takes effect at the next command.
unsigned ReadCommandSetting(CommandSetting setting)
{
    switch (setting) {
    case CommandSetting::ExitMessage:
        return ReadSetting(kSectionExitRead, kKeyMessage, 0);
    case CommandSetting::FolderView:
        return ReadSetting(kSectionMyComputer, kKeyFolderView, 0);
    case CommandSetting::None:
        break;
    }
    return 0;
}

// The results are not examined: only log off reports its own failure.
void RunCommand(HWND window, const CommandPlan& plan)
{
    switch (plan.action) {
    case CommandAction::PowerOff:
        PowerOffSystem(FALSE);
        break;
    case CommandAction::Quit:
        QuitApp(window);
        break;
    case CommandAction::Reboot:
        RebootSystem(FALSE);
        break;
    case CommandAction::LogOff:
        LogOffUser(window);
        break;
    case CommandAction::CdOpen:
        OpenCdDoor();
        break;
    case CommandAction::CdClose:
        CloseCdDoor();
        break;
    case CommandAction::Hibernate:
        HibernateSystem();
        break;
    case CommandAction::OpenFolder:
        OpenSpecialFolder(plan.verb, plan.folder);
        break;
    case CommandAction::ScreenSaver:
        StartScreenSaver(window);
        break;
    case CommandAction::Standby:
        StandbySystem();
        break;
    case CommandAction::MinimizeAll:
        MinimizeAllWindows();
        break;
    case CommandAction::SettingsDialog:
        ShowSettingsDialog(window);
        break;
    case CommandAction::DropDialog:
        ShowDropDialog(window);
        break;
    case CommandAction::None:
        break;
    }
}

}  // namespace

CommandPlan CurrentPlan(unsigned id)
{
    return PlanCommand(id, ReadCommandSetting(SettingFor(id)));
}

void OnCommand(HWND window, WPARAM wParam, LPARAM)
{
    CommandPlan plan = CurrentPlan(LOWORD(wParam));
    if (plan.action == CommandAction::None)
        return;
    if (plan.question &&
        g_platform.MessageBoxW(window, plan.question, kCaptionConfirm, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    RunCommand(window, plan);
}
