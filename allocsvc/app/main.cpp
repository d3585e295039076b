// QlAllSrv.exe: the service program of QlAlloc. Started by the service control manager; run by
// hand it finds no dispatcher to talk to and ends at once.
#include "allocsvc/alloc_service.h"
#include "allocsvc/app/win32_progress_dialog.h"
#include "win32/win32_machine.h"

int main() {
  try {
    ql::win32::Win32Machine machine;
    ql::Platform platform = machine.platform();
    ql::alloc::Win32ProgressDialog dialog(::GetModuleHandleA(nullptr), platform.threads);
    ql::alloc::AllocService service(platform, dialog);
    return service.RunProgram();
  } catch (...) {
    // The program's answer is 0 in every case.
    return 0;
  }
}
