// Resource and control ids shared by the resource script and the code.
#pragma once

// Icons and textures
#define IDI_EMBLEM 104       // shown in the notice and About dialogs
#define IDR_TGA_RING 101     // ring band texture, 984 x 525
#define IDR_TGA_CYLINDER 107 // cylinder band texture, 2048 x 128

// Dialogs
#define IDD_ABOUT 100
#define IDD_CONTROL_MENU 105
#define IDD_SETTINGS 2003
#define IDD_FRAME_RATE_NOTICE 2005

// Settings dialog controls
#define IDC_ABOUT 16
#define IDC_ENABLE_MODULE1 1002
#define IDC_ENABLE_MODULE2 1003
#define IDC_ENABLE_MODULE5 1004
#define IDC_ENABLE_MODULE3 1005
#define IDC_ENABLE_MODULE4 1007
#define IDC_PREVIEW_FRAME 1008
#define IDC_PREVIEW_MODULE1 1024
#define IDC_PREVIEW_MODULE2 1025
#define IDC_PREVIEW_MODULE3 1026
#define IDC_PREVIEW_MODULE4 1027
#define IDC_PREVIEW_MODULE5 1028
#define IDC_PREVIEW_LAST 1033 // preview buttons run 1024 to here; module m's is 1023 + m
#define IDC_CYCLE_SPIN 1034
#define IDC_CYCLE_TIME 1035
#define IDC_ENABLE_ALL 1046
#define IDC_DISABLE_ALL 1047
#define IDC_ENABLE_SOUND 1049
#define IDC_SLOW_MACHINE 110 // command the dialog posts itself after a failed probe

// Low-frame-rate notice controls
#define IDC_REMOVE_SOLMIR 1047
#define IDC_FRAME_RATE_TEXT 1051

// About dialog controls
#define IDC_SEND_MAIL 1039
#define IDC_VISIT_WEB 1040
