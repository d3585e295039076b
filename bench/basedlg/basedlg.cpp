// The start-up baseline of the benchmarks: the smallest dialog program, built like the
// product's programs (ANSI, static runtime, a dialog template from the resources), so the
// time to its first window is what Wine itself needs to start a window program.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

constexpr int kDialogId = 100;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam) == IDOK ? 0 : 1);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(
      DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialogId), nullptr, DialogProc, 0));
}
