// Pactview: shows the licence agreement in one modal dialog and answers by the exit code
// whether the user accepted it (0) or not (1). It is started by a setup procedure, takes no
// arguments, shows no message of its own and keeps no settings.
#include <windows.h>

#include "agree/agreement.h"
#include "agree/app/resource.h"

namespace {

// What the dialog needs from the start-up routine; it lives on WinMain's stack for the whole
// modal run.
struct AgreementDialog {
  HICON icon = nullptr;
};

INT_PTR CALLBACK AgreementDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* self = reinterpret_cast<const AgreementDialog*>(lparam);
      if (self->icon != nullptr) {
        SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(self->icon));
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(self->icon));
      }
      // The whole text in one call, so the field never shows part of it.
      SetWindowTextA(GetDlgItem(dialog, IDC_AGREEMENT_TEXT), ql::agree::kAgreementText);
      // TRUE: the dialog manager puts the focus on the first tab stop, "Yes, I accept", so
      // Enter right after start accepts.
      return TRUE;
    }
    case WM_COMMAND:
      // Both buttons end the dialog with their own id; Esc, the close box and Alt+F4 arrive
      // here as IDCANCEL through the dialog manager.
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  AgreementDialog agreement;
  // A shared icon from the module's resources: the system frees it with the module.
  agreement.icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PACTVIEW));

  // No owner window: the dialog is the program's main window and has its own task-bar
  // button. A template that cannot be loaded or a window that cannot be created gives -1
  // (or 0), which counts as a refusal like Cancel.
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_AGREEMENT), nullptr,
                                         AgreementDialogProc, reinterpret_cast<LPARAM>(&agreement));
  return ql::agree::ExitCodeForResult(result);
}
