// The window's keys, its focus and its tooltip group: the shell's half of the control
// events, whose rules (the focus order, which key runs which handler, when leaving the
// MaxLRU field is Edit3Exit, the tooltip switch) are the core's.
#include "tune/app/main_window.h"

// After windows.h (through main_window.h), which it builds on.
#include <commctrl.h>

namespace ql::tune::app {

namespace {

std::optional<Key> KeyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_TAB:
      return Key::kTab;
    case VK_UP:
      return Key::kUp;
    case VK_DOWN:
      return Key::kDown;
    case VK_RETURN:
      return Key::kReturn;
    default:
      return std::nullopt;
  }
}

TOOLINFOA ToolFor(HWND control, const std::string& text) {
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = ::GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text.c_str());
  return tool;
}

}  // namespace

// --------------------------------------------------------------------------- names

void MainWindow::Name(const std::string& name, HWND control) { named_[name] = control; }

std::string MainWindow::NameOf(HWND control) const {
  for (const auto& [name, window] : named_) {
    if (window == control) return name;
  }
  return {};
}

HWND MainWindow::Named(std::string_view name) const {
  const auto found = named_.find(std::string(name));
  return found == named_.end() ? nullptr : found->second;
}

// --------------------------------------------------------------------------- keys

bool MainWindow::PreTranslate(MSG& message) {
  RelayToTooltips(message);
  if (message.message != WM_KEYDOWN || hwnd_ == nullptr || closing_) return false;
  const std::optional<Key> key = KeyOf(message.wParam);
  if (!key) return false;
  // Only keys meant for this window's controls, the floating toolbars' included.
  const std::string name = NameOf(message.hwnd);
  if (name.empty() && message.hwnd != hwnd_ && ::IsChild(hwnd_, message.hwnd) == FALSE) {
    return false;
  }
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool taken = events_.KeyDown(name, *key, shift);
  if (taken) Sync();
  return taken;
}

bool MainWindow::CanTakeFocus(std::string_view control) {
  HWND window = Named(control);
  return window != nullptr && ::IsChild(hwnd_, window) != FALSE &&
         ::IsWindowVisible(window) != FALSE && ::IsWindowEnabled(window) != FALSE;
}

void MainWindow::SetFocusTo(std::string_view control) {
  HWND window = Named(control);
  if (window == nullptr) return;
  // The focus that leaves the MaxLRU field runs its checks, through its own procedure.
  ::SetFocus(window);
  // A field reached by the keyboard is selected whole, so that typing replaces it.
  for (HWND edit : edit_) {
    if (edit == window && ::GetFocus() == window) ::SendMessageA(edit, EM_SETSEL, 0, -1);
  }
}

void MainWindow::Press(std::string_view control) {
  // Posted, as a click arrives: the command may open a modal box or end the program.
  if (HWND window = Named(control)) ::PostMessageA(window, BM_CLICK, 0, 0);
}

void MainWindow::BeforeEdit3(UINT message, WPARAM wParam) {
  if (message != WM_KILLFOCUS || closing_) return;
  // Leaving the field for another control of the window, by mouse or by key; the focus
  // going to a message box or another program is not leaving it.
  HWND next = reinterpret_cast<HWND>(wParam);
  events_.FocusLeft("Edit3", next != nullptr && ::IsChild(hwnd_, next) != FALSE);
  Sync();
}

void MainWindow::RememberFocus() {
  HWND focus = ::GetFocus();
  if (focus != nullptr && ::IsChild(hwnd_, focus) != FALSE) focusBeforeDeactivation_ = focus;
}

void MainWindow::RestoreFocus() {
  HWND target = focusBeforeDeactivation_;
  if (target == nullptr || ::IsWindow(target) == FALSE || ::IsWindowVisible(target) == FALSE ||
      ::IsWindowEnabled(target) == FALSE) {
    target = Named(NextFocus("", false, *this));
  }
  if (target != nullptr && ::GetFocus() != target) ::SetFocus(target);
}

// ----------------------------------------------------------------------- tooltips

void MainWindow::AddTip(bool always, const char* groupName, HWND control, const std::string& text) {
  if (always) {
    TOOLINFOA tool = ToolFor(control, text);
    ::SendMessageA(tipsAlways_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return;
  }
  const std::size_t number = tooltips_.Register(groupName);
  if (groupTools_.size() <= number) groupTools_.resize(number + 1, GroupTool{nullptr, {}});
  groupTools_[number] = GroupTool{control, text};
}

void MainWindow::SetTooltips(bool on) { tooltips_.Set(on, *this); }

void MainWindow::AddTool(std::size_t tool) {
  if (tool >= groupTools_.size() || groupTools_[tool].control == nullptr) return;
  TOOLINFOA info = ToolFor(groupTools_[tool].control, groupTools_[tool].text);
  ::SendMessageA(tipsGroup_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void MainWindow::RemoveTool(std::size_t tool) {
  if (tool >= groupTools_.size() || groupTools_[tool].control == nullptr) return;
  TOOLINFOA info = ToolFor(groupTools_[tool].control, groupTools_[tool].text);
  ::SendMessageA(tipsGroup_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
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

}  // namespace ql::tune::app
