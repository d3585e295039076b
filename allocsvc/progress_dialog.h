// The small "initializing" dialog the allocator service shows on the interactive desktop
// while it works. The service core decides when it appears and when it goes; the program
// shell owns the window, its thread and its template (dialog 101).
#pragma once

#include <cstdint>

namespace ql::alloc {

inline constexpr int kProgressDialogId = 101;
inline constexpr char kProgressDialogCaption[] = "Norvane Systems Quillon-NT";
inline constexpr char kProgressDialogText[] = "Quillon-NT is initializing.\nPlease wait.";

// Shows and removes the progress dialog. Show() starts the dialog on a thread of its own
// (modal, no owner window) and returns at once; TakeDown() removes it if it is still there
// (the user may have closed it already) and never waits for the user.
class ProgressDialogHost {
 public:
  virtual ~ProgressDialogHost() = default;

  // False when the dialog's thread could not be started; the service goes on without it.
  virtual bool Show() = 0;

  virtual void TakeDown() = 0;
};

// What the dialog procedure does with a message.
struct DialogReply {
  bool handled = false;    // the procedure's answer: TRUE or FALSE
  bool endDialog = false;  // end the modal dialog with result 0
};

enum class DialogMessage { kInitDialog, kCommand, kOther };

// The dialog's behaviour: the initialisation message is answered TRUE; a command whose whole
// parameter is IDOK (1) or IDCANCEL (2) — what Enter and Escape produce — ends the dialog;
// everything else is left to the default handling. Closing it never touches the sequence.
DialogReply ProgressDialogProcedure(DialogMessage message, std::uintptr_t wParam);

}  // namespace ql::alloc
