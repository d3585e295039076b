#include "tune/app/main_window.h"

// After windows.h (through main_window.h), which they build on.
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "tune/app/resource.h"
#include "tune/app/system_info_dialog.h"
#include "tune/presets.h"

namespace ql::tune::app {

namespace {

constexpr char kMainClass[] = "QlTuneMainWindow";
constexpr char kPanelClass[] = "QlTunePanel";
constexpr char kFloatClass[] = "QlTuneFloatingToolbar";

constexpr UINT kMsgTray = WM_APP + 2;
constexpr UINT kMsgClose = WM_APP + 3;
constexpr UINT_PTR kClockTimer = 1;
constexpr UINT kTrayId = 1;

constexpr int kStatusHeight = 8;
constexpr int kStatusPanels = 24;
constexpr int kStatusPanelWidth = 50;
constexpr int kGripWidth = 8;
constexpr int kSeparatorWidth = 8;
constexpr int kGradientSteps = 64;
constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

// The cursor that Windows NT 4.0 does not have yet; the arrow stands in for it there.
const char* const kHandCursor = MAKEINTRESOURCEA(32649);

constexpr char kAdvancedDockCaption[] =
    "Quillon-NT Tuning Engine 4.0++ Advanced Floating Toolbar Docking Area";
constexpr char kBasicDockCaption[] =
    "Quillon-NT Tuning Engine 4.0++ Basic Floating Toolbar Pallet Docking Area";
constexpr char kDockTip[] =
    "For use while the screen is rolled up taking up less Screen RealEstate";
constexpr char kAdvancedFloatCaption[] =
    "Quillon - NT Tuning Engine 4.0 ++ Gradient Advanced Floating/Dockable Toolbar Pallet";
constexpr char kBasicFloatCaption[] =
    "Quillon - NT Tuning Engine 4.0 ++ Gradient Basic Floating/Dockable Toolbar Pallet";
constexpr char kNetGradientTip[] = "When Sizer Control below is unchecked, Shrinks Screen";
constexpr char kTitleTip[] =
    "When Sizer Control below is unchecked, Hold Mouse over me to stretch the form";
constexpr char kImageTip[] =
    "When Sizer Control below is unchecked, Restores Default Size by moving mouse over it";
constexpr char kAutoSizerTip[] =
    "When Unchecked, holding the mouse over the title graphic areas above resizes form "
    "automatically for users";
constexpr char kTrackBarTip[] =
    "Commit back to disk / DataFlush buffers per writeback setting (Only valid and enabled if "
    "Lazy Write Enabled! You may enable using the Quillon Configurator Menu entry and rebooting)";
constexpr char kStaticText1Tip[] =
    "Current Pending Limit Value only valid if LazyWrite is enabled: Again, to enable it use the "
    "Quillon Configurator Main menu entry";
constexpr char kStaticText2Tip[] =
    "Visual Check System so you do not exceed available Ram counts thru Page and MaxLRU sizing "
    "calculations";
constexpr char kLabel6Tip[] =
    "Your amount set by LargePage x MaxLRU (cannot be more than the number to left)";
constexpr char kFieldTip[] =
    "You can use Presets, and fine tuner, no manual entry here.  Starts with what you last "
    "entered last run";
constexpr char kEdit3Tip[] =
    "You can use Presets, fine tuner, or manual entry (above 32768 must be manual) Starts with "
    "what you last entered last run";

struct RowDef {
  const char* caption;
  const char* captionTip;
  const char* upDownTip;
  int top;        // the row's frame
  int upDownTop;  // inside the fine-tuner's frame
  int editTop;    // relative to the row's frame
  PresetRow presets;
};
constexpr RowDef kRows[3]{
    {"PageSize", "Size of Cache Buckets Page Size in Bytes",
     "Fine Tuning Increments or Decrements of 512 bytes at a time or Use Preset Buttons from menu",
     148, 4, 7, PresetRow::kPageSize},
    {"MinLRU", "Must be less than MaxLRU below",
     "Fine Tuning Increments or Decrements of 2 or use PreSet Buttons from menu", 190, 3, 7,
     PresetRow::kMinLRU},
    {"MaxLRU", "Must be greater than MinLRU above",
     "Fine Tuning Increments or Decrements of 2 : calculations performed below or use PreSet "
     "Buttons from menu",
     232, 3, 6, PresetRow::kMaxLRU},
};

struct FontSpec {
  const char* face;
  int height;
  int weight;
  bool italic;
  bool underline;
};
constexpr FontSpec kFonts[static_cast<std::size_t>(FontRole::kCount)]{
    {"MS Sans Serif", -11, FW_NORMAL, false, false}, {"Arial", -19, FW_BOLD, true, false},
    {"Arial", -13, FW_NORMAL, true, false},          {"Arial", -13, FW_BOLD, true, false},
    {"Arial", -12, FW_NORMAL, true, false},          {"MS Sans Serif", -11, FW_NORMAL, false, true},
};

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps) {
  const auto mix = [&](int a, int b) { return a + (b - a) * step / std::max(1, steps - 1); };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

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

MainWindow* MainOf(HWND window) {
  return reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may unwind into the system's dispatcher.
  try {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      ::SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (MainWindow* main = MainOf(window); main != nullptr && main->hwnd() == window) {
      return main->HandleMain(message, wParam, lParam);
    }
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      ::SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* panel = reinterpret_cast<Panel*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (panel != nullptr && panel->main != nullptr) {
      return panel->main->HandlePanel(window, *panel, message, wParam, lParam);
    }
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FloatProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      ::SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (MainWindow* main = MainOf(window))
      return main->HandleFloat(window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

WNDPROC g_editProc = nullptr;  // the edit class's own procedure, under Edit3's subclass

LRESULT CALLBACK Edit3Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return MainWindow::HandleEdit3(window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

Rect RectOf(int x, int y, int w, int h) { return Rect{x, y, w, h}; }

}  // namespace

// ------------------------------------------------------------------------------ set-up

MainWindow::MainWindow(HINSTANCE instance, const Platform& platform, TuningModel& model)
    : instance_(instance), platform_(platform), model_(model), commands_(platform, model, *this) {}

MainWindow::~MainWindow() {
  Shutdown();
  for (HFONT& font : fonts_) {
    if (font != nullptr) ::DeleteObject(font);
    font = nullptr;
  }
  if (popup_ != nullptr) ::DestroyMenu(popup_);
}

bool MainWindow::RegisterClasses(HINSTANCE instance) {
  WNDCLASSA main{};
  main.style = CS_HREDRAW | CS_VREDRAW;
  main.lpfnWndProc = MainProc;
  main.hInstance = instance;
  main.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_QLTUNE));
  main.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.lpszClassName = kMainClass;
  WNDCLASSA panel = main;
  panel.lpfnWndProc = PanelProc;
  panel.hIcon = nullptr;
  panel.lpszClassName = kPanelClass;
  WNDCLASSA floating = main;
  floating.lpfnWndProc = FloatProc;
  floating.hIcon = nullptr;
  floating.lpszClassName = kFloatClass;
  return ::RegisterClassA(&main) != 0 && ::RegisterClassA(&panel) != 0 &&
         ::RegisterClassA(&floating) != 0;
}

HWND MainWindow::MakePanel(Look look, const std::string& text, HWND parent, Rect rect, int id,
                           FontRole font) {
  panels_.push_back(Panel{this, look, text, font, std::nullopt, false});
  Panel* panel = &panels_.back();
  HWND window = ::CreateWindowExA(
      0, kPanelClass, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
      rect.left, rect.top, rect.width, rect.height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, panel);
  if (parent != hwnd_) scaled_.push_back(Scaled{window, rect, font, false});
  return window;
}

HWND MainWindow::MakeControl(const char* className, const char* text, DWORD style, HWND parent,
                             Rect rect, int id, FontRole font, DWORD exStyle) {
  HWND window = ::CreateWindowExA(
      exStyle, className, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top, rect.width,
      rect.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  scaled_.push_back(Scaled{window, rect, font, true});
  ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[static_cast<int>(font)]),
                 FALSE);
  return window;
}

void MainWindow::AddTip(bool always, const char* groupName, HWND control, const std::string& text) {
  if (always) {
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = ::GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text.c_str());
    ::SendMessageA(tipsAlways_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return;
  }
  groupTips_[groupName].emplace_back(control, text);
}

bool MainWindow::Create() {
  CreateFonts(kDesignedPanel);
  icon_ = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_QLTUNE));
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - kDesignedWindow.width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - kDesignedWindow.height) / 2;
  const std::string caption = MainWindowCaption();
  hwnd_ = ::CreateWindowExA(0, kMainClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            x, y, kDesignedWindow.width, kDesignedWindow.height, nullptr, nullptr,
                            instance_, this);
  if (hwnd_ == nullptr) return false;
  model_.boxes().SetOwner(win32::FromNative(hwnd_));

  tipsAlways_ = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                  hwnd_, nullptr, instance_, nullptr);
  tipsGroup_ = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                 hwnd_, nullptr, instance_, nullptr);

  BuildMenus();

  // The resizer panel fills the client area above the status bar; every control inside it
  // is scaled with it.
  panels_.push_back(Panel{this, Look::kRaised, "", FontRole::kDefault, std::nullopt, true});
  resizer_ = ::CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                               kDesignedPanel.width, kDesignedPanel.height, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RESIZER)),
                               instance_, &panels_.back());
  status_ = MakePanel(Look::kStatusBar, "", hwnd_, RectOf(0, kDesignedPanel.height, 608, 8),
                      IDC_STATUSBAR);
  HWND inner = MakePanel(Look::kBevel, "", resizer_, RectOf(3, 3, 602, 376), IDC_MAINPANEL);

  BuildTitleArea(inner);
  BuildRows(inner);
  BuildToolbars(inner);

  // The stay-on-top component puts the window on top of all others as it comes into being.
  SetStayOnTop(true);

  // The tray icon.
  tray_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  tray_.hWnd = hwnd_;
  tray_.uID = kTrayId;
  tray_.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  tray_.uCallbackMessage = kMsgTray;
  tray_.hIcon = icon_;
  std::snprintf(tray_.szTip, sizeof tray_.szTip, "%s", kTrayTooltip);
  trayAdded_ = ::Shell_NotifyIconA(NIM_ADD, &tray_) != FALSE;

  ::SetTimer(hwnd_, kClockTimer, 1000, nullptr);
  UpdateClock();

  RECT client;
  ::GetClientRect(hwnd_, &client);
  ResizeMain({client.right, client.bottom});
  return true;
}

void MainWindow::BuildMenus() {
  menu_ = ::CreateMenu();
  for (const MenuDef& def : kMainMenu) {
    HMENU sub = ::CreatePopupMenu();
    for (std::size_t i = 0; i < def.count; ++i) {
      const CommandItem& item = def.items[i];
      if (item.id == 0) {
        ::AppendMenuA(sub, MF_SEPARATOR, 0, nullptr);
      } else {
        ::AppendMenuA(sub, MF_STRING, item.id, item.caption);
      }
    }
    ::AppendMenuA(menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), def.caption);
  }
  ::SetMenu(hwnd_, menu_);
  popup_ = ::CreatePopupMenu();
  for (const CommandItem& item : kPopupMenu) {
    if (item.id == 0) {
      ::AppendMenuA(popup_, MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuA(popup_, MF_STRING, item.id, item.caption);
    }
  }
}

void MainWindow::BuildTitleArea(HWND inner) {
  HWND area = MakePanel(Look::kPlain, "", inner, RectOf(7, 7, 588, 38), 0);
  struct Part {
    Look look;
    int x;
    int width;
    int id;
    TitleAreaPart part;
    const char* tip;
    const char* text;
  };
  const Part parts[]{
      {Look::kImage, 0, 50, IDC_IMAGE1, TitleAreaPart::kImage1, kImageTip, ""},
      {Look::kNetGradient, 50, 44, IDC_NETGRADIENT1, TitleAreaPart::kNetGradient1, kNetGradientTip,
       "NetGradient1"},
      {Look::kTitleLabel, 94, 400, IDC_DRLABEL1, TitleAreaPart::kDRLabel1, kTitleTip,
       kTitleCaption},
      {Look::kNetGradient, 494, 44, IDC_NETGRADIENT2, TitleAreaPart::kNetGradient2, kNetGradientTip,
       "NetGradient2"},
      {Look::kImage, 538, 50, IDC_IMAGE2, TitleAreaPart::kImage2, kImageTip, ""},
  };
  for (const Part& part : parts) {
    HWND window = MakePanel(part.look, part.text, area, RectOf(part.x, 0, part.width, 38), part.id,
                            part.look == Look::kTitleLabel ? FontRole::kTitle : FontRole::kDefault);
    panels_.back().titlePart = part.part;
    AddTip(true, "", window, part.tip);
    if (part.part == TitleAreaPart::kDRLabel1) drLabel_ = window;
    if (part.part == TitleAreaPart::kNetGradient1) netGradient_[0] = window;
    if (part.part == TitleAreaPart::kNetGradient2) netGradient_[1] = window;
  }
}

void MainWindow::BuildRows(HWND inner) {
  MakeControl("STATIC", "Pending Limit Setting from 10 to 80 range", SS_CENTER, inner,
              RectOf(7, 77, 588, 21), IDC_LABEL1);

  HWND trackFrame = MakePanel(Look::kFrame, "", inner, RectOf(14, 96, 537, 40), 0);
  trackBar_ = MakeControl(TRACKBAR_CLASSA, "", TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | WS_TABSTOP,
                          trackFrame, RectOf(8, 8, 521, 28), IDC_TRACKBAR1);
  ::SendMessageA(trackBar_, TBM_SETRANGE, FALSE, MAKELPARAM(TrackBar::kMin, TrackBar::kMax));
  ::SendMessageA(trackBar_, TBM_SETTICFREQ, 1, 0);
  AddTip(false, "TrackBar1", trackBar_, kTrackBarTip);

  HWND numberFrame = MakePanel(Look::kFrame, "", inner, RectOf(558, 101, 33, 28), 0);
  staticText1_ = MakeControl("STATIC", "16", SS_CENTER | SS_NOTIFY, numberFrame,
                             RectOf(4, 6, 24, 17), IDC_STATICTEXT1);
  AddTip(false, "StaticText1", staticText1_, kStaticText1Tip);

  for (int row = 0; row < 3; ++row) {
    const RowDef& def = kRows[row];
    HWND frame = MakePanel(Look::kFrame, "", inner, RectOf(14, def.top, 577, 37), 0);
    captionBar_[row] = MakePanel(Look::kCaptionBar, def.caption, frame, RectOf(8, 6, 451, 25),
                                 IDC_CAPTION_PAGESIZE + row, FontRole::kCaption);
    AddTip(true, "", captionBar_[row], def.captionTip);
    HWND tunerFrame = MakePanel(Look::kFrame, "", frame, RectOf(467, 6, 53, 28), 0);
    upDown_[row] = MakeControl(UPDOWN_CLASSA, "", UDS_ARROWKEYS, tunerFrame,
                               RectOf(5, def.upDownTop, 43, 21), IDC_UPDOWN1 + row);
    const FineTuner& tuner = row == 0   ? model_.controls().UpDown1
                             : row == 1 ? model_.controls().UpDown2
                                        : model_.controls().UpDown3;
    ::SendMessageA(upDown_[row], UDM_SETRANGE, 0, MAKELPARAM(tuner.max(), tuner.min()));
    const char* names[] = {"UpDown1", "UpDown2", "UpDown3"};
    AddTip(false, names[row], upDown_[row], def.upDownTip);

    DWORD editStyle = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
    if (row < 2) editStyle |= ES_READONLY;
    edit_[row] = MakeControl("EDIT", "", editStyle, frame, RectOf(522, def.editTop, 49, 24),
                             IDC_EDIT1 + row, FontRole::kDefault);
    const char* editNames[] = {"Edit1", "Edit2", "Edit3"};
    AddTip(false, editNames[row], edit_[row], row < 2 ? kFieldTip : kEdit3Tip);

    // The preset buttons of this row lie over its caption bar (positions in the main
    // panel's coordinates; the bar starts at 22).
    for (std::size_t i = 0; i < kPresetButtons.size(); ++i) {
      const PresetButton& button = kPresetButtons[i];
      if (button.row != def.presets) continue;
      HWND window = MakeControl("BUTTON", button.caption, BS_PUSHBUTTON, captionBar_[row],
                                RectOf(button.left - 22, 4, button.width, kPresetButtonHeight),
                                static_cast<int>(kPresetButtonFirstId + i));
      ::ShowWindow(window, SW_HIDE);
      presetButtons_[button.name] = window;
      if (button.tooltip != nullptr) AddTip(false, button.name, window, button.tooltip);
    }
    if (def.presets == PresetRow::kPageSize) {
      HWND help = MakeControl(
          "BUTTON", kPresetHelpCaption, BS_PUSHBUTTON, captionBar_[row],
          RectOf(kPresetHelpLeft - 22, 4, kPresetHelpWidth, kPresetButtonHeight), kPresetHelpId);
      ::ShowWindow(help, SW_HIDE);
      presetButtons_[kPresetHelpButton] = help;
    }
  }
  g_editProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(edit_[2], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Edit3Proc)));
  ::SetWindowLongPtrA(edit_[2], GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  autoSizer_ = MakeControl("BUTTON", "AutoSizer", BS_AUTOCHECKBOX | WS_TABSTOP, inner,
                           RectOf(16, 278, 73, 17), IDC_AUTOSIZER);
  ::SendMessageA(autoSizer_, BM_SETCHECK, BST_CHECKED, 0);
  AddTip(false, "AutoSizer", autoSizer_, kAutoSizerTip);

  HWND check = MakeControl("STATIC", "Check of MaxLRU x PageSize vs. RAM =>",
                           SS_CENTER | SS_NOTIFY | WS_BORDER, inner, RectOf(90, 278, 279, 19),
                           IDC_STATICTEXT2, FontRole::kRed);
  AddTip(false, "StaticText2", check, kStaticText2Tip);

  HWND frame5 = MakePanel(Look::kFrame, "", inner, RectOf(376, 278, 103, 17), 0);
  label5_ = MakeControl("STATIC", "0", SS_CENTER, frame5, RectOf(1, 1, 101, 15), IDC_LABEL5);
  HWND frame6 = MakePanel(Look::kFrame, "", inner, RectOf(488, 278, 103, 17), 0);
  label6_ = MakeControl("STATIC", "31259718", SS_CENTER, frame6, RectOf(1, 1, 101, 15), IDC_LABEL6);
  AddTip(false, "Label6Frame", frame6, kLabel6Tip);

  MakeControl("STATIC", "", SS_ETCHEDHORZ, inner, RectOf(9, 304, 232, 2), 0);
  MakeControl("STATIC", "", SS_ETCHEDHORZ, inner, RectOf(360, 304, 233, 2), 0);
  link_ = MakeControl("STATIC", kLinkCaption, SS_CENTER | SS_NOTIFY, inner,
                      RectOf(241, 302, 119, 17), IDC_LINK, FontRole::kLink);
}

void MainWindow::BuildToolbars(HWND inner) {
  // Advanced toolbar.
  HWND advancedDock = MakePanel(Look::kDock, kAdvancedDockCaption, inner, RectOf(7, 45, 588, 32),
                                IDC_ADVANCED_DOCK);
  AddTip(false, "AdvancedDockPanel", advancedDock, kDockTip);
  const Rect advancedRect = RectOf(2, 2, 584, 28);
  HWND advanced =
      MakePanel(Look::kToolbar, "Toolbar971", advancedDock, advancedRect, IDC_TOOLBAR971);
  docks_[0] = Dockable{advanced, advancedDock, nullptr, advancedRect, kAdvancedFloatCaption};
  int x = kGripWidth + 2;
  for (const CommandItem& item : kAdvancedToolbar) {
    if (item.id == 0) {
      x += kSeparatorWidth;
      continue;
    }
    HWND button = MakeControl("BUTTON", "", BS_OWNERDRAW, advanced,
                              RectOf(x, 2, kImageButtonWidth, kImageButtonHeight), item.id);
    imageButtons_[item.id] = button;
    AddTip(false, "Toolbar971", button, item.caption);
    x += kImageButtonWidth;
  }
  clock_ = MakeControl("STATIC", "", SS_CENTER | SS_NOTIFY | SS_SUNKEN, advanced,
                       RectOf(x + 4, 5, 80, 18), kClockId);
  AddTip(false, "Toolbar971", clock_, kClockTooltip);

  // Basic toolbar.
  HWND basicDock =
      MakePanel(Look::kDock, kBasicDockCaption, inner, RectOf(7, 319, 588, 50), IDC_BASIC_DOCK);
  AddTip(false, "BasicDockPanel", basicDock, kDockTip);
  const Rect basicRect = RectOf(2, 2, 584, 46);
  HWND basic = MakePanel(Look::kToolbar, "Toolbar", basicDock, basicRect, IDC_TOOLBAR);
  docks_[1] = Dockable{basic, basicDock, nullptr, basicRect, kBasicFloatCaption};
  for (std::size_t i = 0; i < kBasicToolbar.size(); ++i) {
    const GradientButtonDef& def = kBasicToolbar[i];
    HWND button = MakeControl("BUTTON", def.caption, BS_OWNERDRAW, basic,
                              RectOf(kGripWidth + 2 + static_cast<int>(i) * kGradientButtonWidth, 5,
                                     kGradientButtonWidth, kGradientButtonHeight),
                              def.id, FontRole::kButton);
    AddTip(false, def.name, button, def.tooltip);
  }
}

void MainWindow::CreateFonts(Size panel) {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    const FontSpec& design = kFonts[i];
    HFONT font =
        ::CreateFontA(ScaleFontHeight(design.height, kDesignedPanel, panel), 0, 0, 0, design.weight,
                      design.italic ? TRUE : FALSE, design.underline ? TRUE : FALSE, FALSE,
                      ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_SWISS, design.face);
    HFONT old = fonts_[i];
    fonts_[i] = font;
    for (const Scaled& s : scaled_) {
      if (s.hasFont && static_cast<std::size_t>(s.font) == i) {
        ::SendMessageA(s.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      }
    }
    if (old != nullptr) ::DeleteObject(old);
  }
}

// ------------------------------------------------------------------------- start-up

void MainWindow::FormCreate() {
  // 1. Out of the always-on-top state.
  SetStayOnTop(false);
  // 2. The size as created is the default size.
  default_ = MainSize();
  // 3. The initialisation record, then pending messages.
  model_.eventLog().Write(record::kInitialized);
  PumpMessages();
  // 4. The gradient bars carry no captions.
  for (HWND bar : netGradient_) {
    for (Panel& panel : panels_) {
      if (reinterpret_cast<Panel*>(::GetWindowLongPtrA(bar, GWLP_USERDATA)) == &panel) {
        panel.text.clear();
      }
    }
    ::SetWindowTextA(bar, "");
  }
  // 5. The model.
  const bool loaded = model_.Load();
  Sync();
  // 6. Tooltips off, exactly as the advanced toolbar's button does.
  if (loaded) (void)commands_.Run(1314);
  timerEnabled_ = true;
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
}

void MainWindow::PumpMessages() {
  Sync();
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // For the program's own loop, which ends on it.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    RelayToTooltips(message);
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void MainWindow::RelayToTooltips(MSG& message) {
  if (message.message < WM_MOUSEFIRST || message.message > WM_MOUSELAST) return;
  if (tipsAlways_ != nullptr) {
    ::SendMessageA(tipsAlways_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
  }
  if (tipsGroup_ != nullptr) {
    ::SendMessageA(tipsGroup_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
  }
}

// ---------------------------------------------------------------------- model -> window

void MainWindow::SyncText(HWND control, const std::string& text) {
  if (control == nullptr) return;
  auto shown = shownText_.find(control);
  if (shown != shownText_.end() && shown->second == text) return;
  shownText_[control] = text;
  ::SetWindowTextA(control, text.c_str());
}

void MainWindow::Sync() {
  if (hwnd_ == nullptr || closing_) return;
  syncing_ = true;
  const TuneControls& c = model_.controls();
  SyncText(edit_[0], c.Edit1);
  SyncText(edit_[1], c.Edit2);
  SyncText(edit_[2], c.Edit3);
  SyncText(label5_, c.Label5);
  SyncText(label6_, c.Label6);
  SyncText(staticText1_, c.StaticText1);
  const FineTuner* tuners[] = {&c.UpDown1, &c.UpDown2, &c.UpDown3};
  for (int i = 0; i < 3; ++i) {
    ::SendMessageA(upDown_[i], UDM_SETPOS, 0, MAKELPARAM(tuners[i]->position(), 0));
  }
  ::SendMessageA(trackBar_, TBM_SETPOS, TRUE, c.TrackBar1.position());
  ::EnableWindow(trackBar_, c.TrackBar1.enabled ? TRUE : FALSE);
  if (drLabel_ != nullptr) {
    auto* panel = reinterpret_cast<Panel*>(::GetWindowLongPtrA(drLabel_, GWLP_USERDATA));
    if (panel != nullptr && panel->text != c.DRLabel1) {
      panel->text = c.DRLabel1;
      ::SetWindowTextA(drLabel_, c.DRLabel1.c_str());
      ::InvalidateRect(drLabel_, nullptr, TRUE);
    }
  }
  for (const char* name : kPresetPanelOrder) {
    auto found = presetButtons_.find(name);
    if (found == presetButtons_.end()) continue;
    const bool visible = ::IsWindowVisible(found->second) != FALSE;
    if (visible != c.PresetPanelVisible) {
      ::ShowWindow(found->second, c.PresetPanelVisible ? SW_SHOW : SW_HIDE);
    }
  }
  // The toolbar's pairs are drawn from the dispatcher's state at the next paint.
  for (auto& [id, button] : imageButtons_) ::InvalidateRect(button, nullptr, FALSE);
  syncing_ = false;
  if (c.CloseRequested && !closing_) ::PostMessageA(hwnd_, kMsgClose, 0, 0);
}

void MainWindow::ModelChanged() { Sync(); }

// ----------------------------------------------------------------------- window actions

void MainWindow::ShowMainWindow() {
  ::ShowWindow(hwnd_, SW_SHOW);
  ::ShowWindow(hwnd_, SW_RESTORE);
}

void MainWindow::HideMainWindow() {
  ::ShowWindow(hwnd_, SW_MINIMIZE);
  ::ShowWindow(hwnd_, SW_HIDE);
}

void MainWindow::SetStayOnTop(bool on) {
  ::SetWindowPos(hwnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void MainWindow::SetTooltips(bool on) {
  tooltipsOn_ = on;
  for (const char* name : kTooltipGroup) {
    auto found = groupTips_.find(name);
    if (found == groupTips_.end()) continue;
    for (auto& [control, text] : found->second) {
      TOOLINFOA tool{};
      tool.cbSize = TTTOOLINFOA_V1_SIZE;
      tool.uFlags = TTF_IDISHWND;
      tool.hwnd = ::GetParent(control);
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = const_cast<char*>(text.c_str());
      ::SendMessageA(tipsGroup_, on ? TTM_ADDTOOLA : TTM_DELTOOLA, 0,
                     reinterpret_cast<LPARAM>(&tool));
    }
  }
}

Size MainWindow::MainSize() const {
  RECT rect;
  ::GetWindowRect(hwnd_, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void MainWindow::ResizeMain(Size size) {
  // The client area's new size reaches the resizer panel through WM_SIZE.
  (void)size;
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const int height = std::max(0, static_cast<int>(client.bottom) - kStatusHeight);
  ::MoveWindow(resizer_, 0, 0, client.right, height, TRUE);
  ::MoveWindow(status_, 0, height, client.right, std::min<int>(kStatusHeight, client.bottom), TRUE);
}

void MainWindow::RollUp() {
  const Size size = RolledUp(MainSize());
  ::SetWindowPos(hwnd_, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Unroll() {
  const Size size = Unrolled(MainSize(), default_);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::OnTitleMouseMove(TitleAreaPart part) {
  const bool checked = ::SendMessageA(autoSizer_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  const auto size = TitleAreaSizing(part, checked, MainSize(), default_);
  if (!size) return;
  // Height first, then width.
  const Size now = MainSize();
  ::SetWindowPos(hwnd_, nullptr, 0, 0, now.width, size->height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, size->width, size->height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::ShowSystemInformation() { RunSystemInformation(instance_, hwnd_, platform_); }

void MainWindow::Rescale() {
  RECT rect;
  ::GetClientRect(resizer_, &rect);
  const Size panel{rect.right, rect.bottom};
  CreateFonts(panel);
  for (const Scaled& s : scaled_) {
    bool floating = false;
    for (const Dockable& dock : docks_)
      floating = floating || (dock.floating != nullptr && dock.toolbar == s.window);
    if (floating) continue;
    const Rect r = ScaleRect(s.designed, kDesignedPanel, panel);
    ::MoveWindow(s.window, r.left, r.top, r.width, r.height, FALSE);
  }
  ::InvalidateRect(resizer_, nullptr, TRUE);
}

void MainWindow::UpdateClock() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr || clock_ == nullptr) return;
  SyncText(clock_, ClockText(local->tm_hour, local->tm_min, local->tm_sec));
}

void MainWindow::ShowContextMenu(POINT at) {
  if (at.x == -1 && at.y == -1) ::GetCursorPos(&at);
  // The foreground window owns the menu, so that it closes when the user clicks elsewhere.
  ::SetForegroundWindow(hwnd_);
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(popup_, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, hwnd_, nullptr));
  ::PostMessageA(hwnd_, WM_NULL, 0, 0);
  if (chosen != 0) (void)commands_.Run(static_cast<std::uint16_t>(chosen));
}

void MainWindow::OnTray(LPARAM event) {
  switch (static_cast<UINT>(event)) {
    case WM_RBUTTONUP: {
      POINT at;
      ::GetCursorPos(&at);
      ShowContextMenu(at);
      break;
    }
    case WM_LBUTTONDBLCLK:
      commands_.TrayDoubleClick();
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------- docking

void MainWindow::DragToolbar(Dockable& dock, POINT screen) {
  // Dropped over a docking area: docked there (each area takes its own toolbar). Dropped
  // anywhere else: floating at that place.
  for (const Dockable& area : docks_) {
    RECT rect;
    ::GetWindowRect(area.home, &rect);
    if (area.home == dock.home && ::PtInRect(&rect, screen) != FALSE) {
      DockToolbar(dock, area.home);
      return;
    }
  }
  if (dock.floating == nullptr) {
    RECT rect;
    ::GetWindowRect(dock.toolbar, &rect);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN;
    RECT outer{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    ::AdjustWindowRectEx(&outer, style, FALSE, WS_EX_TOOLWINDOW);
    dock.floating = ::CreateWindowExA(WS_EX_TOOLWINDOW, kFloatClass, dock.floatCaption, style,
                                      screen.x, screen.y, outer.right - outer.left,
                                      outer.bottom - outer.top, hwnd_, nullptr, instance_, this);
    if (dock.floating == nullptr) return;
    ::SetParent(dock.toolbar, dock.floating);
    ::MoveWindow(dock.toolbar, 0, 0, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    ::ShowWindow(dock.floating, SW_SHOWNOACTIVATE);
  } else {
    ::SetWindowPos(dock.floating, nullptr, screen.x, screen.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainWindow::DockToolbar(Dockable& dock, HWND area) {
  if (dock.floating == nullptr) return;
  HWND floating = dock.floating;
  ::SetParent(dock.toolbar, area);
  dock.floating = nullptr;
  ::DestroyWindow(floating);
  Rescale();
}

void MainWindow::AfterFloatMoved(HWND floating) {
  for (Dockable& dock : docks_) {
    if (dock.floating != floating) continue;
    RECT rect;
    ::GetWindowRect(floating, &rect);
    RECT area;
    ::GetWindowRect(dock.home, &area);
    RECT overlap;
    if (::IntersectRect(&overlap, &rect, &area) != FALSE) DockToolbar(dock, dock.home);
  }
}

// ---------------------------------------------------------------------- title bar

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

// ---------------------------------------------------------------------- procedures

void MainWindow::OnCommand(WORD id, WORD code, HWND control) {
  if (control != nullptr && id == IDC_EDIT3 && code == EN_CHANGE) {
    if (syncing_) return;
    char text[256] = {};
    ::GetWindowTextA(control, text, static_cast<int>(sizeof text));
    model_.controls().Edit3 = text;
    shownText_[control] = text;
    return;
  }
  if (control != nullptr && id == IDC_LINK && code == STN_CLICKED) {
    commands_.OpenLink(win32::FromNative(hwnd_));
    return;
  }
  if (control != nullptr && code != BN_CLICKED) return;
  if (id == IDC_AUTOSIZER) return;
  if (commands_.Run(id)) {
    for (auto& [buttonId, button] : imageButtons_) ::InvalidateRect(button, nullptr, FALSE);
  }
}

LRESULT MainWindow::OnNotify(NMHDR& header) {
  if (header.code == UDN_DELTAPOS) {
    // The model moves the fine-tuner itself; the control's own move is refused.
    const auto& change = reinterpret_cast<NMUPDOWN&>(header);
    const Arrow arrow = change.iDelta > 0 ? Arrow::kUp : Arrow::kDown;
    switch (header.idFrom) {
      case IDC_UPDOWN1:
        model_.UpDown1Click(arrow);
        break;
      case IDC_UPDOWN2:
        model_.UpDown2Click(arrow);
        break;
      case IDC_UPDOWN3:
        model_.UpDown3Click(arrow);
        break;
      default:
        return 0;
    }
    Sync();
    return 1;
  }
  return 0;
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

LRESULT MainWindow::HandleMain(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == trackBar_ && trackBar_ != nullptr) {
        model_.TrackBar1Change(
            static_cast<std::int32_t>(::SendMessageA(trackBar_, TBM_GETPOS, 0, 0)));
        Sync();
      }
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      const int id = ::GetDlgCtrlID(control);
      if (id == IDC_EDIT1 || id == IDC_EDIT2 || id == IDC_EDIT3 || id == IDC_LABEL5 ||
          id == IDC_LABEL6) {
        ::SetTextColor(dc, kBlack);
        ::SetBkColor(dc, kWhite);
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
      }
      if (id == IDC_STATICTEXT2 || id == IDC_LINK) {
        ::SetTextColor(dc, id == IDC_LINK ? RGB(0, 0, 255) : kRed);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_SIZE:
      ResizeMain({LOWORD(lParam), HIWORD(lParam)});
      return 0;
    case WM_CONTEXTMENU: {
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ShowContextMenu(at);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kClockTimer) UpdateClock();
      return 0;
    case kMsgTimerFiring:
      // The periodic check, handed over by the timer's worker; it waits until this returns.
      if (timerEnabled_ && !closing_) {
        model_.SuperTimer1Timer();
        Sync();
      }
      return 0;
    case kMsgTray:
      OnTray(lParam);
      return 0;
    case kMsgClose:
      if (!closing_) ::DestroyWindow(hwnd_);
      return 0;
    case WM_NCACTIVATE: {
      active_ = wParam != FALSE;
      const LRESULT result = ::DefWindowProcA(hwnd_, message, wParam, lParam);
      PaintTitleBar();
      return result;
    }
    case WM_NCPAINT:
    case WM_SETTEXT: {
      const LRESULT result = ::DefWindowProcA(hwnd_, message, wParam, lParam);
      PaintTitleBar();
      return result;
    }
    case WM_DESTROY:
      Shutdown();
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

void MainWindow::Shutdown() {
  if (closing_ || hwnd_ == nullptr) return;
  // No firing runs after the window has started to go.
  timerEnabled_ = false;
  closing_ = true;
  ::KillTimer(hwnd_, kClockTimer);
  if (trayAdded_) {
    ::Shell_NotifyIconA(NIM_DELETE, &tray_);
    trayAdded_ = false;
  }
  for (Dockable& dock : docks_) {
    if (dock.floating != nullptr) ::DestroyWindow(dock.floating);
    dock.floating = nullptr;
  }
  model_.FormDestroy();
}

LRESULT MainWindow::HandlePanel(HWND window, Panel& panel, UINT message, WPARAM wParam,
                                LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      // Controls report to their panel; the main window answers for all of them.
      return HandleMain(message, wParam, lParam);
    case WM_SETCURSOR: {
      HWND over = reinterpret_cast<HWND>(wParam);
      if (over == trackBar_) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_UPARROW));
        return TRUE;
      }
      if (over == link_) {
        HCURSOR hand = ::LoadCursorA(nullptr, kHandCursor);
        ::SetCursor(hand != nullptr ? hand : ::LoadCursorA(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    }
    case WM_SIZE:
      if (panel.resizer) Rescale();
      break;
    case WM_MOUSEMOVE:
      if (panel.titlePart) OnTitleMouseMove(*panel.titlePart);
      break;
    case WM_LBUTTONDOWN:
      if (panel.look == Look::kToolbar && static_cast<short>(LOWORD(lParam)) < kGripWidth) {
        ::SetCapture(window);
      }
      return 0;
    case WM_LBUTTONUP:
      if (::GetCapture() == window) {
        ::ReleaseCapture();
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ClientToScreen(window, &at);
        for (Dockable& dock : docks_) {
          if (dock.toolbar == window) DragToolbar(dock, at);
        }
      }
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT: {
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
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleFloat(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
      return HandleMain(message, wParam, lParam);
    case WM_EXITSIZEMOVE:
      AfterFloatMoved(window);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleEdit3(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* main = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  const LRESULT result = ::CallWindowProcA(g_editProc, window, message, wParam, lParam);
  // Leaving the field for another control of the window is the model's Edit3Exit; the focus
  // going to a message box or another program is not.
  if (message == WM_KILLFOCUS && main != nullptr && !main->closing_) {
    HWND next = reinterpret_cast<HWND>(wParam);
    if (next != nullptr && ::IsChild(main->hwnd_, next) != FALSE) {
      main->model_.Edit3Exit();
      main->Sync();
    }
  }
  return result;
}

}  // namespace ql::tune::app
