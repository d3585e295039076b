// The tuning engine's main window: frame, title area, parameter rows, figures, toolbars,
// status bar, menus and tray icon. It copies the model's state to its controls after every
// handler and passes user input in; every rule lives in the core (tune/): the model, the
// commands, the control events with the focus order, and the tooltip switch.
//
// The class is spread over files by concern:
//   main_window.cpp        creation, start-up, model -> controls, window commands, ending
//   window_procedures.cpp  the window procedures and what each message does
//   window_layout.cpp      the controls as designed, their fonts and scaling
//   window_painting.cpp    the painted parts: title bar, gradients, panels, buttons
//   window_keyboard.cpp    keys, focus and the tooltip group
//   toolbar_docking.cpp    dragging the toolbars off and docking them again
#pragma once

#include "win32/win32_windows.h"

// After windows.h, which it builds on.
#include <shellapi.h>

#include <array>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tune/commands.h"
#include "tune/tooltip_switch.h"
#include "tune/tuning_model.h"
#include "tune/window_events.h"
#include "tune/window_sizing.h"

namespace ql::tune::app {

enum class FontRole { kDefault, kTitle, kCaption, kButton, kRed, kLink, kCount };

enum class Look {
  kPlain,
  kRaised,       // raised, 1-pixel border (the resizer panel)
  kBevel,        // raised, 2-pixel bevel inside a 3-pixel border (the main panel)
  kFrame,        // a sunken frame around a control
  kCaptionBar,   // black to silver, white italic text
  kNetGradient,  // black to the button face colour
  kTitleLabel,   // the title text, centred
  kImage,        // one of the title area's pictures
  kDock,         // a toolbar docking area, its caption faint in the middle
  kToolbar,      // a toolbar with its drag grip at the left
  kStatusBar,    // 24 raised panels of 50 pixels
};

// Window classes and private messages shared by the files of the window.
inline constexpr char kMainClass[] = "QlTuneMainWindow";
inline constexpr char kPanelClass[] = "QlTunePanel";
inline constexpr char kFloatClass[] = "QlTuneFloatingToolbar";
inline constexpr UINT kMsgTray = WM_APP + 2;
inline constexpr UINT kMsgClose = WM_APP + 3;
inline constexpr UINT_PTR kClockTimer = 1;
inline constexpr UINT kTrayId = 1;
inline constexpr int kStatusHeight = 8;
inline constexpr int kGripWidth = 8;

class MainWindow;

// What a panel window keeps: how it looks and whom it reports to.
struct Panel {
  MainWindow* main = nullptr;
  Look look = Look::kPlain;
  std::string text;
  FontRole font = FontRole::kDefault;
  std::optional<TitleAreaPart> titlePart;
  bool resizer = false;
};

class MainWindow : public WindowActions, public WindowFocus, public TooltipHost {
 public:
  MainWindow(HINSTANCE instance, const Platform& platform, TuningModel& model);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  static bool RegisterClasses(HINSTANCE instance);

  // Builds the window (hidden) with every control, owned by the application's window that
  // stands for the program in the taskbar; false when the window cannot be made.
  bool Create(HWND owner);
  // The creation handler's steps, then shows the window.
  void FormCreate();
  // Lets pending messages run, as the model asks at its pump points.
  void PumpMessages();
  // What the program's loop does with a message before it is dispatched: the tooltips see
  // the mouse, the window's keys (Tab, the fields' arrows, Return on a button) are taken
  // here. True when the message was taken and must not be dispatched.
  bool PreTranslate(MSG& message);

  [[nodiscard]] HWND hwnd() const { return hwnd_; }

  // WindowActions
  void ShowMainWindow() override;
  void HideMainWindow() override;
  void SetStayOnTop(bool on) override;
  void SetTooltips(bool on) override;
  void RollUp() override;
  void Unroll() override;
  void ShowSystemInformation() override;
  void ModelChanged() override;

  // WindowFocus
  bool CanTakeFocus(std::string_view control) override;
  void SetFocusTo(std::string_view control) override;
  void Press(std::string_view control) override;

  // TooltipHost
  void AddTool(std::size_t tool) override;
  void RemoveTool(std::size_t tool) override;

  // The timer's hand-over, sent by the worker thread.
  static constexpr UINT kMsgTimerFiring = WM_APP + 1;

  LRESULT HandleMain(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandlePanel(HWND window, Panel& panel, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFloat(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The MaxLRU field's messages, before the edit control's own procedure sees them.
  void BeforeEdit3(UINT message, WPARAM wParam);

 private:
  struct Scaled {
    HWND window;
    Rect designed;  // relative to its parent, at the designed panel size
    FontRole font;
    bool hasFont;
  };
  struct Dockable {
    HWND toolbar = nullptr;
    HWND home = nullptr;      // the docking area it belongs to when docked
    HWND floating = nullptr;  // its own small window while it floats
    Rect designed;            // inside its docking area
    const char* floatCaption = "";
  };
  struct GroupTool {
    HWND control;
    std::string text;
  };

  // window_layout.cpp
  HWND MakePanel(Look look, const std::string& text, HWND parent, Rect rect, int id,
                 FontRole font = FontRole::kDefault);
  HWND MakeControl(const char* className, const char* text, DWORD style, HWND parent, Rect rect,
                   int id, FontRole font = FontRole::kDefault, DWORD exStyle = 0);
  void BuildTitleArea(HWND inner);
  void BuildRows(HWND inner);
  void BuildToolbars(HWND inner);
  void BuildMenus();
  void CreateFonts(Size panel);
  void Rescale();
  void ResizeMain();

  // window_painting.cpp
  void OnDrawItem(DRAWITEMSTRUCT& item);
  void PaintPanel(HWND window, const Panel& panel);
  void PaintTitleBar();

  // window_keyboard.cpp
  void Name(const std::string& name, HWND control);
  [[nodiscard]] std::string NameOf(HWND control) const;
  [[nodiscard]] HWND Named(std::string_view name) const;
  void AddTip(bool always, const char* groupName, HWND control, const std::string& text);
  void RelayToTooltips(MSG& message);
  void RememberFocus();
  void RestoreFocus();

  // toolbar_docking.cpp
  void DragToolbar(Dockable& dock, POINT screen);
  void DockToolbar(Dockable& dock, HWND area);
  void AfterFloatMoved(HWND floating);

  // main_window.cpp
  void Sync();
  void SyncText(HWND control, const std::string& text);
  void OnCommand(WORD id, WORD code, HWND control);
  LRESULT OnNotify(NMHDR& header);
  void ShowContextMenu(POINT at);
  void OnTray(LPARAM event);
  void OnTitleMouseMove(TitleAreaPart part);
  [[nodiscard]] Size MainSize() const;
  void UpdateClock();
  void Shutdown();

  HINSTANCE instance_;
  Platform platform_;
  TuningModel& model_;
  TuneCommands commands_;
  WindowEvents events_;
  TooltipSwitch tooltips_;
  HWND owner_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND resizer_ = nullptr;
  HWND status_ = nullptr;
  HWND tipsAlways_ = nullptr;
  HWND tipsGroup_ = nullptr;
  HMENU menu_ = nullptr;
  HMENU popup_ = nullptr;
  bool active_ = true;
  bool closing_ = false;
  bool timerEnabled_ = false;
  bool syncing_ = false;
  Size default_{};
  HWND focusBeforeDeactivation_ = nullptr;

  // Controls the model's state is copied to.
  HWND edit_[3]{};
  HWND upDown_[3]{};
  HWND trackBar_ = nullptr;
  HWND staticText1_ = nullptr;
  HWND label5_ = nullptr;
  HWND label6_ = nullptr;
  HWND drLabel_ = nullptr;
  HWND netGradient_[2]{};
  HWND autoSizer_ = nullptr;
  HWND link_ = nullptr;
  HWND clock_ = nullptr;
  HWND captionBar_[3]{};
  std::map<std::string, HWND> presetButtons_;
  std::map<WORD, HWND> imageButtons_;
  std::array<Dockable, 2> docks_{};  // advanced, basic

  std::deque<Panel> panels_;
  std::vector<Scaled> scaled_;
  std::vector<GroupTool> groupTools_;  // by the switch's tool number
  std::map<std::string, HWND> named_;  // the controls the events name
  std::array<HFONT, static_cast<std::size_t>(FontRole::kCount)> fonts_{};
  std::map<HWND, std::string> shownText_;
  NOTIFYICONDATAA tray_{};
  bool trayAdded_ = false;
  HICON icon_ = nullptr;
};

// Puts the MaxLRU field's procedure in front of the edit control's own (window_procedures.cpp).
void InstallEdit3Procedure(HWND edit, MainWindow* main);

}  // namespace ql::tune::app
