// The progress dialog on the real desktop: dialog 101, modal, without owner, on a thread of
// its own, so that the service thread never waits for the user.
#pragma once

#include <atomic>

#include "allocsvc/progress_dialog.h"
#include "platform/threads.h"
#include "win32/win32_windows.h"

namespace ql::alloc {

class Win32ProgressDialog final : public ProgressDialogHost {
 public:
  Win32ProgressDialog(HINSTANCE instance, Threads& threads);
  Win32ProgressDialog(const Win32ProgressDialog&) = delete;
  Win32ProgressDialog& operator=(const Win32ProgressDialog&) = delete;
  ~Win32ProgressDialog() override;

  bool Show() override;
  void TakeDown() override;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::uint32_t Run();

  HINSTANCE instance_;
  Threads& threads_;
  Handle thread_ = kNullHandle;
  // Shared with the dialog's thread: the window once it exists, and whether it should go.
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> closeRequested_{false};
};

}  // namespace ql::alloc
