// The arithmetic of the tuning window's size: rolling up and unrolling, the title area's
// mouse-move sizing, and the resizer panel that scales every control in proportion to the
// panel's size.
#pragma once

#include <cstdint>
#include <optional>

namespace ql::tune {

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The main window as designed, recorded at creation as DefaultWidth and DefaultHeight.
inline constexpr Size kDesignedWindow{616, 437};
// The resizer panel as designed: the scale of every control inside it is 1 at this size.
inline constexpr Size kDesignedPanel{608, 382};

// Roll up asks for no height at all (the platform's minimum applies); Unroll for the
// default height. Neither touches the width.
[[nodiscard]] inline Size RolledUp(Size current) { return {current.width, 0}; }
[[nodiscard]] inline Size Unrolled(Size current, Size defaults) {
  return {current.width, defaults.height};
}

enum class TitleAreaPart { kImage1, kNetGradient1, kDRLabel1, kNetGradient2, kImage2 };

// What one mouse-move event over a part of the title area makes of the window's size: the
// title label grows it by 3 pixels each way, the gradient bars shrink it by 3, the images
// restore the default size. Nothing while the AutoSizer box is checked. No bound beyond the
// platform's own minimum and maximum.
[[nodiscard]] std::optional<Size> TitleAreaSizing(TitleAreaPart part, bool autoSizerChecked,
                                                  Size current, Size defaults);

// A control's designed bounds scaled from the designed panel size to the panel's size now.
// Edges are scaled, not width and height, so that neighbours stay flush.
[[nodiscard]] Rect ScaleRect(Rect designed, Size designedPanel, Size panel);

// A font's designed height (in the platform's sense: negative for a character height)
// scaled by the panel's vertical ratio, keeping its sign; never 0, which would mean "the
// default size" to the platform.
[[nodiscard]] int ScaleFontHeight(int designedHeight, Size designedPanel, Size panel);

}  // namespace ql::tune
