// Resource and control ids: the one list that the resource scripts and the program both read.
// Skin images are numbered in src/skin/skin_images.h, which generates their script.
#pragma once

#define IDI_MAINFRAME 128
#define IDI_PLATFORM 155

// The skinned toolkit (res/skin_ui.rc).
#define IDD_MESSAGE_BOX 130
#define IDC_MSG_BTN1 5000
#define IDC_MSG_BTN2 5001
// Hidden: the box's text for screen readers (the box paints it itself).
#define IDC_MSG_TEXT 5002

#define IDD_UPDATE_PROGRESS 156
#define IDC_UPDATE_PROGRESS 1000

// Game client download (CDownGameDlg); its buttons are IDOK and IDCANCEL.
#define IDD_DOWN_GAME 163
#define IDC_DOWN_GAME_TEXT 1024
#define IDC_DOWN_GAME_PROGRESS 1025

// The main window (res/gamewnd_ui.rc).
#define IDD_TESSALY3_DIALOG 102
#define IDC_BTN_HIDE 1001
#define IDC_BTN_SOUND 1002
#define IDC_BTN_MENU 1003
#define IDC_BTN_HALL 1004
#define IDC_LBL_OTHER_ACCOUNT 1005

// The add-account prompt (res/gamewnd_ui.rc); its buttons keep the dialog's own ids 1 and 2.
#define IDD_ADD_ACCOUNT 161
#define IDC_ADD_ACCOUNT_YES 1
#define IDC_ADD_ACCOUNT_NO 2
#define IDC_ADD_ACCOUNT_TEXT 1023

#define IDD_FAVORITE 159

// The notice pop-up (res/extras_ui.rc).
#define IDD_POPINFO 160
#define IDC_POP_PICTURE 1019
#define IDC_POP_TITLE 1020
#define IDC_POP_CONTENT 1021
#define IDC_POP_MORE 1022
// The settings dialog (res/hotkeys_ui.rc); OK and Cancel keep the dialog's ids 1 and 2.
#define IDD_SETTINGS 158
#define IDC_LBL_BOSS 1006
#define IDC_EDIT_BOSS 1007
#define IDC_LBL_BOSS_EXAMPLE 1008
#define IDC_LBL_SWITCH 1009
#define IDC_EDIT_SWITCH 1010
#define IDC_LBL_SWITCH_EXAMPLE 1011
#define IDC_GRP_SWITCH 1012
#define IDC_GRP_SOUND 1013
#define IDC_EDIT_SOUND 1014
#define IDC_LBL_SOUND_EXAMPLE 1015
#define IDC_LBL_SOUND 1016
#define IDC_GRP_BOSS 1017

// The login window's background and page (res/login_ui.rc).
#define IDD_LOGIN 157
#define IDC_FAVORITE_NAME 1018

// Caption buttons that CDlgEx makes itself.
#define IDC_SKIN_CLOSE 50000
#define IDC_SKIN_MIN 50001
#define IDC_SKIN_MAX 50002
