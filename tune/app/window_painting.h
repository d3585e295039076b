// The painting helpers the window's parts share: colours, the 64-step gradient and text.
#pragma once

#include <string>

#include "win32/win32_windows.h"

namespace ql::tune::app {

inline constexpr COLORREF kSilver = RGB(192, 192, 192);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kRedInk = RGB(255, 0, 0);

// A horizontal gradient in 64 bands, filled band by band.
void FillGradient(HDC dc, const RECT& rect, COLORREF from, COLORREF to);

void DrawTextIn(HDC dc, const std::string& text, RECT rect, HFONT font, COLORREF colour,
                UINT format);

}  // namespace ql::tune::app
