// Every resource, command and control id of the program, as the decimal numbers it uses.
#pragma once

#define IDI_MORVEK 101
#define IDR_TRAYMENU 102
#define IDD_SETTINGS 104
#define IDD_DROP 106

// Main tray menu commands.
#define IDM_SHUTDOWN 40002
#define IDM_QUIT 40003
#define IDM_REBOOT 40005
#define IDM_LOGOFF 40006
#define IDM_CD_OPEN 40007
#define IDM_CD_CLOSE 40008
#define IDM_HIBERNATE 40009
#define IDM_FIND 40010
#define IDM_EXPLORER 40017
#define IDM_SCREENSAVER 40018
#define IDM_STANDBY 40019
#define IDM_MYCOMPUTER 40020
#define IDM_MINIMIZE_ALL 40022
#define IDM_SETTINGS 40023
#define IDM_ADD_SHORTCUT 40025

// Settings dialog controls.
#define IDC_FOLDERVIEW 1000
#define IDC_ICONSHOW 1006
#define IDC_EXITMESSAGE 1011
#define IDC_SAVE 1012
#define IDC_CLOSE 1013
#define IDC_KEY_CTRL 1014
#define IDC_KEY_MIDDLE 1015
#define IDC_KEY_SHIFT 1016
#define IDC_SAVE_CLOSE 1017

// Drop dialog controls.
#define IDC_DROP_CLOSE 8
#define IDC_OPEN_ITEMS 1018

// Version block language: Japanese, Unicode.
#define MORVEK_LANGUAGE 0x411
