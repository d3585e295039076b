// Resource ids of Pactview, shared by pactview.rc and the program. The numbers are fixed: a
// setup procedure and the integration tests find the dialog and its field by them.
#pragma once

// Program icon (large and small icon of the dialog).
#define IDI_PACTVIEW 128

// Agreement dialog. The buttons use the standard IDOK (1) and IDCANCEL (2).
#define IDD_AGREEMENT 102
#define IDC_AGREEMENT_TEXT 1008

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
