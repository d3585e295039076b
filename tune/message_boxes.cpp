#include "tune/message_boxes.h"

namespace ql::tune {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  // Compared as unsigned characters, so letters of the upper half of the code page count as
  // sorting after the full stop.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

void MessageBoxes::Information(std::string_view text) {
  (void)ui_.MessageBox(owner_, text, kApplicationTitle, mb::kOk);
}

void MessageBoxes::Error(std::string_view message) {
  (void)ui_.MessageBox(owner_, ErrorBoxText(message), kApplicationTitle, mb::kOk | mb::kIconHand);
}

}  // namespace ql::tune
