// The two message boxes every command of the tuning engine reports through: the information
// box for the checks' messages and fixed texts, and the error box for the errors a handler
// does not catch itself.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"
#include "platform/ui.h"

namespace ql::tune {

// Caption of both boxes and of the taskbar entry.
inline constexpr char kApplicationTitle[] = "Quillon Tuning Engine 5.0 ++ HXM Model";

// The error box's text: a full stop is added unless the text already ends in one or in a
// character that sorts before it; an empty text stays empty.
[[nodiscard]] std::string ErrorBoxText(std::string_view message);

class MessageBoxes {
 public:
  explicit MessageBoxes(Ui& ui) : ui_(ui) {}

  // The window the boxes belong to; none until the window sets it.
  void SetOwner(WindowRef owner) { owner_ = owner; }
  [[nodiscard]] WindowRef owner() const { return owner_; }

  // Modal, application title as caption, no icon, one OK button.
  void Information(std::string_view text);
  // Modal, application title as caption, error icon, one OK button.
  void Error(std::string_view message);

 private:
  Ui& ui_;
  WindowRef owner_ = kNoWindow;
};

}  // namespace ql::tune
