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

// ------------------------------------------------------------------------------ set-up

MainWindow::MainWindow(HINSTANCE instance, const Platform& platform, TuningModel& model)
    : instance_(instance),
      platform_(platform),
      model_(model),
      commands_(platform, model, *this),
      events_(model, commands_, *this) {}

MainWindow::~MainWindow() {
  Shutdown();
  for (HFONT& font : fonts_) {
    if (font != nullptr) ::DeleteObject(font);
    font = nullptr;
  }
  if (popup_ != nullptr) ::DestroyMenu(popup_);
}

bool MainWindow::Create(HWND owner) {
  owner_ = owner;
  CreateFonts(kDesignedPanel);
  icon_ = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_QLTUNE));
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - kDesignedWindow.width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - kDesignedWindow.height) / 2;
  const std::string caption = MainWindowCaption();
  hwnd_ = ::CreateWindowExA(0, kMainClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            x, y, kDesignedWindow.width, kDesignedWindow.height, owner, nullptr,
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
  status_ =
      MakePanel(Look::kStatusBar, "", hwnd_, Rect{0, kDesignedPanel.height, 608, 8}, IDC_STATUSBAR);
  HWND inner = MakePanel(Look::kBevel, "", resizer_, Rect{3, 3, 602, 376}, IDC_MAINPANEL);

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
  ResizeMain();
  return true;
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
  // The application's window first, so that the taskbar entry is there when this one
  // shows.
  if (owner_ != nullptr) ::ShowWindow(owner_, SW_SHOWNOACTIVATE);
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  RestoreFocus();
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
    if (PreTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
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
  // The taskbar entry comes back with the window.
  if (owner_ != nullptr) {
    ::ShowWindow(owner_, ::IsIconic(owner_) != FALSE ? SW_RESTORE : SW_SHOWNOACTIVATE);
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  ::ShowWindow(hwnd_, SW_RESTORE);
}

void MainWindow::HideMainWindow() {
  ::ShowWindow(hwnd_, SW_MINIMIZE);
  ::ShowWindow(hwnd_, SW_HIDE);
  // Hidden, the program has no taskbar entry: the tray icon is the way back.
  if (owner_ != nullptr) ::ShowWindow(owner_, SW_HIDE);
}

void MainWindow::SetStayOnTop(bool on) {
  ::SetWindowPos(hwnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

Size MainWindow::MainSize() const {
  RECT rect;
  ::GetWindowRect(hwnd_, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
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
// ---------------------------------------------------------------------- commands

void MainWindow::OnCommand(WORD id, WORD code, HWND control) {
  if (control != nullptr && id == IDC_EDIT3 && code == EN_CHANGE) {
    if (syncing_) return;
    char text[256] = {};
    ::GetWindowTextA(control, text, static_cast<int>(sizeof text));
    events_.Edit3Typed(text);
    shownText_[control] = text;
    return;
  }
  if (control != nullptr && id == IDC_LINK && code == STN_CLICKED) {
    commands_.OpenLink(win32::FromNative(hwnd_));
    return;
  }
  if (control != nullptr && code != BN_CLICKED) return;
  if (id == IDC_AUTOSIZER) return;
  if (events_.Clicked(id)) {
    for (auto& [buttonId, button] : imageButtons_) ::InvalidateRect(button, nullptr, FALSE);
  }
}

LRESULT MainWindow::OnNotify(NMHDR& header) {
  if (header.code == UDN_DELTAPOS) {
    // The model moves the fine-tuner itself; the control's own move is refused.
    const auto& change = reinterpret_cast<NMUPDOWN&>(header);
    const Arrow arrow = change.iDelta > 0 ? Arrow::kUp : Arrow::kDown;
    if (header.idFrom < IDC_UPDOWN1 || header.idFrom > IDC_UPDOWN3) return 0;
    events_.FineTunerClicked(static_cast<int>(header.idFrom - IDC_UPDOWN1) + 1, arrow);
    Sync();
    return 1;
  }
  return 0;
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

}  // namespace ql::tune::app
