#include "tune/controls.h"

#include <algorithm>

#include "tune/number_text.h"

namespace ql::tune {

void FineTuner::SetPosition(std::int32_t value) {
  position_ = std::clamp(LowSigned16(value), min_, max_);
}

void FineTuner::Move(Arrow arrow) {
  // Computed in 32 bits so that a step past 32767 stops at the top instead of wrapping.
  const std::int32_t moved =
      arrow == Arrow::kUp ? std::int32_t{position_} + step_ : std::int32_t{position_} - step_;
  position_ = static_cast<std::int16_t>(std::clamp<std::int32_t>(moved, min_, max_));
}

void TrackBar::SetPosition(std::int32_t value) { position_ = std::clamp(value, kMin, kMax); }

}  // namespace ql::tune
