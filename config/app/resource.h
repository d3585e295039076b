// Resource ids of QlConfig, shared by the .rc and the code. The numbers are fixed: the
// templates, bitmaps and controls are found by them.
#pragma once

// Welcome page (CPage1).
#define IDD_WELCOME 129
#define IDB_WELCOME 131

// Options page (COptDlg).
#define IDD_OPTIONS 132
#define IDB_DRIVE_IMAGES 129
#define IDC_DRIVE_LIST 1000
#define IDC_SUMMARY 1002
#define IDC_LAZY_ON 1004
#define IDC_LAZY_OFF 1005

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
