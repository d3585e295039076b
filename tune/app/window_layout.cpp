#include "tune/app/main_window.h"

// After windows.h (through main_window.h), which they build on.
#include <commctrl.h>

#include <algorithm>

#include "tune/app/resource.h"
#include "tune/presets.h"

namespace ql::tune::app {

namespace {

constexpr int kSeparatorWidth = 8;

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

Rect RectOf(int x, int y, int w, int h) { return Rect{x, y, w, h}; }

}  // namespace

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
  Name("TrackBar1", trackBar_);

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
    Name(names[row], upDown_[row]);

    DWORD editStyle = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
    if (row < 2) editStyle |= ES_READONLY;
    edit_[row] = MakeControl("EDIT", "", editStyle, frame, RectOf(522, def.editTop, 49, 24),
                             IDC_EDIT1 + row, FontRole::kDefault);
    const char* editNames[] = {"Edit1", "Edit2", "Edit3"};
    AddTip(false, editNames[row], edit_[row], row < 2 ? kFieldTip : kEdit3Tip);
    Name(editNames[row], edit_[row]);

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
      Name(button.name, window);
      if (button.tooltip != nullptr) AddTip(false, button.name, window, button.tooltip);
    }
    if (def.presets == PresetRow::kPageSize) {
      HWND help = MakeControl(
          "BUTTON", kPresetHelpCaption, BS_PUSHBUTTON, captionBar_[row],
          RectOf(kPresetHelpLeft - 22, 4, kPresetHelpWidth, kPresetButtonHeight), kPresetHelpId);
      ::ShowWindow(help, SW_HIDE);
      presetButtons_[kPresetHelpButton] = help;
      Name(kPresetHelpButton, help);
    }
  }
  InstallEdit3Procedure(edit_[2], this);

  autoSizer_ = MakeControl("BUTTON", "AutoSizer", BS_AUTOCHECKBOX | WS_TABSTOP, inner,
                           RectOf(16, 278, 73, 17), IDC_AUTOSIZER);
  ::SendMessageA(autoSizer_, BM_SETCHECK, BST_CHECKED, 0);
  AddTip(false, "AutoSizer", autoSizer_, kAutoSizerTip);
  Name("AutoSizer", autoSizer_);

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
    Name(def.name, button);
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

void MainWindow::ResizeMain() {
  // The status bar keeps its height at the bottom; the resizer panel takes the rest, and
  // its WM_SIZE scales what it holds.
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const int height = std::max(0, static_cast<int>(client.bottom) - kStatusHeight);
  ::MoveWindow(resizer_, 0, 0, client.right, height, TRUE);
  ::MoveWindow(status_, 0, height, client.right, std::min<int>(kStatusHeight, client.bottom), TRUE);
}

}  // namespace ql::tune::app
