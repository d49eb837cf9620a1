// Window ids of the main window (dialog template 102) and of the About box
// (template 100), kept from the dialog templates.
#pragma once

enum : int {
    IDC_STOP = 1000,
    IDC_CONVERT_ALL = 1001,
    IDC_ADD_FILES = 1002,
    IDC_REMOVE_SELECTED = 1003,
    IDC_FILE_LIST = 1006,
    IDC_BROWSE = 1008,
    IDC_REMOVE_ALL = 1011,
    IDC_OUTPUT_FOLDER = 1017,
    IDC_ABOUT_TEXT = 1020,
    IDC_ABOUT_ICON = 1021,
    IDC_SAVE_IN_SOURCE = 1026,
    IDC_CUSTOMIZE = 1027,
    IDC_CONVERT_SELECTED = 1028,
    IDC_ADD_FOLDER = 1029,
    IDC_HELP = 1030,
    IDC_PROGRESS = 1031,
    IDC_OUTPUT_LABEL = 1033,
    IDC_HOME_LINK = 1036,
    IDC_PANEL_PLACEHOLDER = 1038,
    IDC_PAGE_SETUP = 1040,  // not in template 102: opens the page setup dialog
};

// Menu commands of the window's context menu (and of the system menu on
// Windows, where they must be multiples of 16 below 0xF000).
enum : int {
    IDM_ABOUTBOX = 0x0010,
    IDM_PAGE_SETUP = 0x0020,
};
