// Resource ids of QlAllSrv.exe; shared by the .rc and the code.
#pragma once

// Progress dialog shown while the buffer is set up. Both its controls are static (-1).
#define IDD_PROGRESS 101
#define IDC_STATIC (-1)
