#include "tune/window_events.h"

#include <cstddef>

namespace ql::tune {

namespace {

constexpr std::size_t kNotAStop = kFocusOrder.size();

std::size_t StopIndex(std::string_view control) {
  for (std::size_t i = 0; i < kFocusOrder.size(); ++i) {
    if (control == kFocusOrder[i]) return i;
  }
  return kNotAStop;
}

bool IsPushButton(std::string_view control) {
  if (FindPreset(control) || control == kPresetHelpButton) return true;
  for (const GradientButtonDef& button : kBasicToolbar) {
    if (control == button.name) return true;
  }
  return false;
}

// The fine-tuner of a parameter field: 1 for Edit1, 2 for Edit2, 3 for Edit3; 0 for others.
int FineTunerOfField(std::string_view control) {
  if (control == "Edit1") return 1;
  if (control == "Edit2") return 2;
  if (control == "Edit3") return 3;
  return 0;
}

}  // namespace

std::string_view NextFocus(std::string_view current, bool backward, WindowFocus& window) {
  const std::size_t count = kFocusOrder.size();
  const std::size_t at = StopIndex(current);
  for (std::size_t step = 1; step <= count; ++step) {
    std::size_t index = 0;
    if (at == kNotAStop) {
      index = backward ? count - step : step - 1;
    } else {
      index = backward ? (at + count - step) % count : (at + step) % count;
    }
    if (window.CanTakeFocus(kFocusOrder[index])) return kFocusOrder[index];
  }
  return {};
}

bool WindowEvents::KeyDown(std::string_view control, Key key, bool shift) {
  switch (key) {
    case Key::kTab: {
      const std::string_view next = NextFocus(control, shift, window_);
      if (!next.empty() && next != control) window_.SetFocusTo(next);
      return true;
    }
    case Key::kUp:
    case Key::kDown:
      if (const int tuner = FineTunerOfField(control); tuner != 0) {
        FineTunerClicked(tuner, key == Key::kUp ? Arrow::kUp : Arrow::kDown);
        return true;
      }
      return false;
    case Key::kReturn:
      if (IsPushButton(control)) {
        window_.Press(control);
        return true;
      }
      return false;
    case Key::kOther:
      return false;
  }
  return false;
}

void WindowEvents::FocusLeft(std::string_view control, bool toControlOfWindow) {
  if (control == "Edit3" && toControlOfWindow) model_.Edit3Exit();
}

void WindowEvents::FineTunerClicked(int fineTuner, Arrow arrow) {
  switch (fineTuner) {
    case 1:
      model_.UpDown1Click(arrow);
      break;
    case 2:
      model_.UpDown2Click(arrow);
      break;
    case 3:
      model_.UpDown3Click(arrow);
      break;
    default:
      break;
  }
}

}  // namespace ql::tune
