#include "tune/app/window_painting.h"

// After windows.h (through main_window.h), which it builds on.
#include <commctrl.h>

#include <algorithm>

#include "tune/app/main_window.h"

namespace ql::tune::app {

namespace {

constexpr int kStatusPanels = 24;
constexpr int kStatusPanelWidth = 50;
constexpr int kGradientSteps = 64;

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps) {
  const auto mix = [&](int a, int b) { return a + (b - a) * step / std::max(1, steps - 1); };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

// The advanced toolbar's pictures: a small emblem per button, greyed when disabled.
void DrawGlyph(HDC dc, const RECT& rect, int index, bool disabled) {
  static constexpr COLORREF kColours[] = {
      RGB(0, 0, 160),   RGB(160, 0, 0),  RGB(0, 128, 0),  RGB(128, 0, 128),
      RGB(0, 128, 128), RGB(192, 96, 0), RGB(160, 0, 0),  RGB(0, 0, 0),
      RGB(0, 96, 192),  RGB(96, 96, 96), RGB(192, 0, 96), RGB(64, 64, 64),
      RGB(0, 160, 64),  RGB(96, 96, 96), RGB(0, 64, 160), RGB(128, 64, 0)};
  const COLORREF colour = disabled ? RGB(128, 128, 128) : kColours[index % 16];
  static constexpr const char* kLetters[] = {"E", "R", "i", "C", "S", "F", "X", "D",
                                             "+", "-", "T", "t", "?", "_", "O", "o"};
  RECT inner{rect.left + 4, rect.top + 4, rect.right - 4, rect.bottom - 4};
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(dc, &inner, brush);
  ::DeleteObject(brush);
  RECT text = inner;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, disabled ? RGB(192, 192, 192) : kWhite);
  ::DrawTextA(dc, kLetters[index % 16], 1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

// A horizontal gradient in 64 bands, filled band by band.
void FillGradient(HDC dc, const RECT& rect, COLORREF from, COLORREF to) {
  const int width = rect.right - rect.left;
  for (int i = 0; i < kGradientSteps; ++i) {
    RECT band = rect;
    band.left = rect.left + width * i / kGradientSteps;
    band.right = rect.left + width * (i + 1) / kGradientSteps;
    if (band.right <= band.left) continue;
    HBRUSH brush = ::CreateSolidBrush(Blend(from, to, i, kGradientSteps));
    ::FillRect(dc, &band, brush);
    ::DeleteObject(brush);
  }
}

void DrawTextIn(HDC dc, const std::string& text, RECT rect, HFONT font, COLORREF colour,
                UINT format) {
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colour);
  ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
  ::SelectObject(dc, old);
}

void MainWindow::PaintTitleBar() {
  HDC dc = ::GetWindowDC(hwnd_);
  if (dc == nullptr) return;
  RECT window;
  ::GetWindowRect(hwnd_, &window);
  const int frameX = ::GetSystemMetrics(SM_CXFRAME);
  const int frameY = ::GetSystemMetrics(SM_CYFRAME);
  const int caption = ::GetSystemMetrics(SM_CYCAPTION) - 1;
  const int buttons = 3 * ::GetSystemMetrics(SM_CXSIZE) + 4;
  const int icon = ::GetSystemMetrics(SM_CXSIZE) + 2;
  RECT bar{frameX + icon, frameY, window.right - window.left - frameX - buttons, frameY + caption};
  if (bar.right > bar.left) {
    FillGradient(dc, bar, kBlack, kSilver);
    RECT text = bar;
    text.left += 4;
    const std::string title = MainWindowCaption();
    DrawTextIn(dc, title, text, fonts_[static_cast<int>(FontRole::kButton)],
               active_ ? kWhite : kSilver, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  ::ReleaseDC(hwnd_, dc);
}

void MainWindow::OnDrawItem(DRAWITEMSTRUCT& item) {
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  RECT rect = item.rcItem;
  const auto id = static_cast<WORD>(item.CtlID);
  if (imageButtons_.count(id) != 0) {
    const bool down = commands_.groups().IsDown(id) || pressed;
    ::FillRect(item.hDC, &rect, ::GetSysColorBrush(down ? COLOR_3DLIGHT : COLOR_BTNFACE));
    int index = 0;
    for (const CommandItem& entry : kAdvancedToolbar) {
      if (entry.id == id) break;
      if (entry.id != 0) ++index;
    }
    DrawGlyph(item.hDC, rect, index, (item.itemState & ODS_DISABLED) != 0);
    ::DrawEdge(item.hDC, &rect, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    return;
  }
  // A gradient button of the basic toolbar.
  FillGradient(item.hDC, rect, kBlack, kSilver);
  char text[64] = {};
  ::GetWindowTextA(item.hwndItem, text, static_cast<int>(sizeof text));
  RECT textRect = rect;
  if (pressed) ::OffsetRect(&textRect, 1, 1);
  DrawTextIn(item.hDC, text, textRect, fonts_[static_cast<int>(FontRole::kButton)], kWhite,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::DrawEdge(item.hDC, &rect, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = rect;
    ::InflateRect(&focus, -4, -4);
    ::DrawFocusRect(item.hDC, &focus);
  }
}

void MainWindow::PaintPanel(HWND window, const Panel& panel) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window, &paint);
  RECT rect;
  ::GetClientRect(window, &rect);
  HFONT font = fonts_[static_cast<int>(panel.font)];
  switch (panel.look) {
    case Look::kCaptionBar: {
      FillGradient(dc, rect, kBlack, kSilver);
      RECT text = rect;
      text.left += 4;
      text.top += 5;
      DrawTextIn(dc, panel.text, text, font, kWhite, DT_LEFT | DT_TOP | DT_SINGLELINE);
      break;
    }
    case Look::kNetGradient:
      FillGradient(dc, rect, kBlack, ::GetSysColor(COLOR_BTNFACE));
      DrawTextIn(dc, panel.text, rect, font, kWhite, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      break;
    case Look::kTitleLabel:
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      DrawTextIn(dc, panel.text, rect, font, RGB(0, 0, 128),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      break;
    case Look::kImage: {
      FillGradient(dc, rect, RGB(0, 0, 96), RGB(0, 128, 192));
      RECT disc = rect;
      ::InflateRect(&disc, -(rect.right / 4), -(rect.bottom / 5));
      HBRUSH brush = ::CreateSolidBrush(kSilver);
      HGDIOBJ old = ::SelectObject(dc, brush);
      ::Ellipse(dc, disc.left, disc.top, disc.right, disc.bottom);
      ::SelectObject(dc, old);
      ::DeleteObject(brush);
      DrawTextIn(dc, "Q", disc, fonts_[static_cast<int>(FontRole::kButton)], RGB(0, 0, 96),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      break;
    }
    case Look::kStatusBar:
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      for (int i = 0; i < kStatusPanels; ++i) {
        RECT cell{i * kStatusPanelWidth, 0, (i + 1) * kStatusPanelWidth, rect.bottom};
        ::DrawEdge(dc, &cell, BDR_RAISEDINNER, BF_RECT);
      }
      break;
    case Look::kDock:
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      DrawTextIn(dc, panel.text, rect, font, ::GetSysColor(COLOR_GRAYTEXT),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      ::DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
      break;
    case Look::kToolbar: {
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      RECT grip{2, 2, 5, rect.bottom - 2};
      ::DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
      ::DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
      break;
    }
    case Look::kRaised:
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      ::DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
      break;
    case Look::kBevel: {
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      ::DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
      RECT inner = rect;
      ::InflateRect(&inner, -3, -3);
      ::DrawEdge(dc, &inner, BDR_SUNKENOUTER, BF_RECT);
      break;
    }
    case Look::kFrame:
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      ::DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
      break;
    case Look::kPlain:
      ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      break;
  }
  ::EndPaint(window, &paint);
}

}  // namespace ql::tune::app
