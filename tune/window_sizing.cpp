#include "tune/window_sizing.h"

#include <cstdint>

namespace ql::tune {

namespace {

constexpr int kTitleAreaStep = 3;

// value * numerator / denominator, rounded to the nearest, in 64 bits; a denominator of 0
// scales to 0.
int Scale(int value, int numerator, int denominator) {
  if (denominator <= 0) return 0;
  const std::int64_t product = std::int64_t{value} * numerator;
  const std::int64_t half = denominator / 2;
  const std::int64_t rounded =
      product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  return static_cast<int>(rounded);
}

}  // namespace

std::optional<Size> TitleAreaSizing(TitleAreaPart part, bool autoSizerChecked, Size current,
                                    Size defaults) {
  if (autoSizerChecked) return std::nullopt;
  switch (part) {
    case TitleAreaPart::kDRLabel1:
      return Size{current.width + kTitleAreaStep, current.height + kTitleAreaStep};
    case TitleAreaPart::kNetGradient1:
    case TitleAreaPart::kNetGradient2:
      return Size{current.width - kTitleAreaStep, current.height - kTitleAreaStep};
    case TitleAreaPart::kImage1:
    case TitleAreaPart::kImage2:
      return defaults;
  }
  return std::nullopt;
}

Rect ScaleRect(Rect designed, Size designedPanel, Size panel) {
  const int left = Scale(designed.left, panel.width, designedPanel.width);
  const int top = Scale(designed.top, panel.height, designedPanel.height);
  const int right = Scale(designed.left + designed.width, panel.width, designedPanel.width);
  const int bottom = Scale(designed.top + designed.height, panel.height, designedPanel.height);
  return {left, top, right - left, bottom - top};
}

int ScaleFontHeight(int designedHeight, Size designedPanel, Size panel) {
  int scaled = Scale(designedHeight, panel.height, designedPanel.height);
  if (scaled == 0) scaled = designedHeight < 0 ? -1 : 1;
  return scaled;
}

}  // namespace ql::tune
