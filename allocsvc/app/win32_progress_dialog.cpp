#include "allocsvc/app/win32_progress_dialog.h"

#include "allocsvc/app/resource.h"

namespace ql::alloc {

namespace {

// Asks the dialog, from another thread, to end itself. EndDialog belongs on the dialog's own
// thread; a posted message gets it there.
constexpr UINT kCloseMessage = WM_APP + 1;

// How long a take-down waits for the dialog's thread to leave its modal loop before it
// terminates the thread instead. The loop answers a posted message at once.
constexpr std::uint32_t kTakeDownWaitMs = 1000;

}  // namespace

Win32ProgressDialog::Win32ProgressDialog(HINSTANCE instance, Threads& threads)
    : instance_(instance), threads_(threads) {}

Win32ProgressDialog::~Win32ProgressDialog() { TakeDown(); }

bool Win32ProgressDialog::Show() {
  if (thread_ != kNullHandle) return true;
  closeRequested_ = false;
  Status error = err::kSuccess;
  thread_ = threads_.CreateThread([this] { return Run(); }, &error);
  return thread_ != kNullHandle;
}

void Win32ProgressDialog::TakeDown() {
  if (thread_ == kNullHandle) return;
  // The flag first, then the window: the dialog's thread stores its window before it looks
  // at the flag, so one of the two sides always sees the other.
  closeRequested_ = true;
  if (HWND window = window_.load()) ::PostMessageA(window, kCloseMessage, 0, 0);
  if (threads_.WaitForSingleObject(thread_, kTakeDownWaitMs) != wait::kObject0) {
    threads_.TerminateThread(thread_, 0);
  }
  threads_.CloseHandle(thread_);
  thread_ = kNullHandle;
}

std::uint32_t Win32ProgressDialog::Run() {
  ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, &Procedure,
                    reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return 0;
}

INT_PTR CALLBACK Win32ProgressDialog::Procedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  DialogMessage kind = DialogMessage::kOther;
  switch (message) {
    case WM_INITDIALOG: {
      auto* self = reinterpret_cast<Win32ProgressDialog*>(lParam);
      self->window_ = window;
      if (self->closeRequested_) ::EndDialog(window, 0);
      kind = DialogMessage::kInitDialog;
      break;
    }
    case kCloseMessage:
      ::EndDialog(window, 0);
      return TRUE;
    case WM_COMMAND:
      kind = DialogMessage::kCommand;
      break;
    default:
      break;
  }
  const DialogReply reply = ProgressDialogProcedure(kind, static_cast<std::uintptr_t>(wParam));
  if (reply.endDialog) ::EndDialog(window, 0);
  return reply.handled ? TRUE : FALSE;
}

}  // namespace ql::alloc
