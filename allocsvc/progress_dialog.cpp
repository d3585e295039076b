#include "allocsvc/progress_dialog.h"

namespace ql::alloc {

namespace {
constexpr std::uintptr_t kIdOk = 1;
constexpr std::uintptr_t kIdCancel = 2;
}  // namespace

DialogReply ProgressDialogProcedure(DialogMessage message, std::uintptr_t wParam) {
  switch (message) {
    case DialogMessage::kInitDialog:
      return {true, false};
    case DialogMessage::kCommand:
      // The whole parameter, not only its low word: only the plain commands that Enter and
      // Escape send close the dialog.
      if (wParam == kIdOk || wParam == kIdCancel) return {true, true};
      return {false, false};
    case DialogMessage::kOther:
      break;
  }
  return {false, false};
}

}  // namespace ql::alloc
