// Resource identifiers of QlStats.exe, shared by the .rc and the program. The numbers are
// fixed: the UI robot and the tests find the controls by them.
#pragma once

// About box
#define IDD_ABOUTBOX 100

// Strings
#define IDS_ABOUTBOX 101

// Monitor window
#define IDD_QLSTATS_DIALOG 102
#define IDC_RUNSTOP 1000
#define IDC_READS 1001
#define IDC_HITRATE 1002
#define IDC_WRITES 1003
#define IDC_WRITEBEHIND 1004
#define IDC_SAMPLINGRATE 1005

// Icons
#define IDI_QLSTATS 128

// System-menu command of the About entry
#define IDM_ABOUTBOX 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
