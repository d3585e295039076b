// Resource and control identifiers of QlTune.exe, shared by the .rc and the program. The
// numbers are fixed: the UI robot and the tests find the controls by them. Menu items,
// toolbar buttons and preset buttons take their identifiers from tune/commands.h.
#pragma once

// Icons
#define IDI_QLTUNE 100

// System information window
#define IDD_SYSINFO 200
#define IDC_SYSINFO_VERSION 2001
#define IDC_SYSINFO_GENERAL 2002
#define IDC_SYSINFO_MEMORY 2003
#define IDC_SYSINFO_PROCESSORS 2004
#define IDC_SYSINFO_DRIVES 2005
#define IDC_SYSINFO_DISK 2006

// Main window controls
#define IDC_EDIT1 3001
#define IDC_EDIT2 3002
#define IDC_EDIT3 3003
#define IDC_LABEL5 3005
#define IDC_LABEL6 3006
#define IDC_STATICTEXT1 3007
#define IDC_TRACKBAR1 3008
#define IDC_UPDOWN1 3011
#define IDC_UPDOWN2 3012
#define IDC_UPDOWN3 3013
#define IDC_AUTOSIZER 3020
#define IDC_DRLABEL1 3021
#define IDC_LABEL1 3022
#define IDC_STATICTEXT2 3023
#define IDC_LINK 3024
#define IDC_IMAGE1 3031
#define IDC_NETGRADIENT1 3032
#define IDC_NETGRADIENT2 3033
#define IDC_IMAGE2 3034
#define IDC_TOOLBAR971 3041
#define IDC_TOOLBAR 3042
#define IDC_ADVANCED_DOCK 3043
#define IDC_BASIC_DOCK 3044
#define IDC_STATUSBAR 3045
#define IDC_RESIZER 3046
#define IDC_MAINPANEL 3047
#define IDC_CAPTION_PAGESIZE 3051
#define IDC_CAPTION_MINLRU 3052
#define IDC_CAPTION_MAXLRU 3053
