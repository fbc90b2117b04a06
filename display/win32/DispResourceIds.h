#pragma once

// Identifiers of DispResources.dll, shared by DispResources.rc and the Win32 view. Plain
// macros: the resource compiler reads this file too.

// Dialog templates, menu and icon.
#define IDD_SAVE_EXTENSION 101
#define IDD_PRINT 102
#define IDD_DISPLAY 103
#define IDR_DISPLAY_MENU 104
#define IDI_DISPLAY 105
#define IDD_CONTRAST 107

// Controls.
#define IDC_SAVE_OVERLAY 1000
#define IDC_PRINT_OVERLAY 1001
#define IDC_GAIN_SLIDER 1002
#define IDC_OFFSET_SLIDER 1003
#define IDC_GAIN_EDIT 1004
#define IDC_OFFSET_EDIT 1005
#define IDC_APPLY 1006
#define IDC_INVERT 1007
#define IDC_AUTOMATIC 1008
#define IDC_IMAGE 1010

// Menu commands of the display window.
#define IDM_ZOOM25 40001
#define IDM_ZOOM50 40002
#define IDM_SAVE 40003
#define IDM_PRINT 40004
#define IDM_ZOOM75 40005
#define IDM_MINIMIZE 40006
#define IDM_NOTHING 40007
#define IDM_ONTOP 40008
#define IDM_HIDE 40009
#define IDM_ZOOM100 40010
#define IDM_ZOOM150 40011
#define IDM_ZOOM200 40012
#define IDM_RESTART_LEVELS 40013
#define IDM_NOTHING_ELSE 40014
#define IDM_CONTRAST 40015
