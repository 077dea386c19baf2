// The tray click decision.
#include "launcher/click_route.h"

unsigned DesktopModifierKey(unsigned desktopKey)
{
    switch (desktopKey) {
    case 0:
        return kKeyControl;
    case 2:
        return kKeyShift;
    case 3:
        return kKeyAlt;
    default:
        return 0;
    }
}

TrayAction RouteTrayClick(unsigned mouseMessage, unsigned desktopKey, bool modifierDown)
{
    switch (mouseMessage) {
    case kMouseRightDown:
        return TrayAction::MainMenu;
    case kMouseLeftUp:
        return modifierDown ? TrayAction::Desktop : TrayAction::Launcher;
    case kMouseMiddleUp:
        return desktopKey == 1 ? TrayAction::Desktop : TrayAction::Nothing;
    default:
        return TrayAction::Nothing;
    }
}
