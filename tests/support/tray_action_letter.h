// A tray click's action as one letter, for the tables of expected actions in the in-process
// tests: L launcher, D desktop, M main menu, - nothing. Platform-free.
#pragma once
#include "launcher/click_route.h"

inline char Letter(TrayAction action)
{
    switch (action) {
    case TrayAction::Launcher: return 'L';
    case TrayAction::Desktop: return 'D';
    case TrayAction::MainMenu: return 'M';
    case TrayAction::Nothing: return '-';
    }
    return '?';
}
