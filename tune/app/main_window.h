// The tuning engine's main window: frame, title area, parameter rows, figures, toolbars,
// status bar, menus and tray icon. It copies the model's state to its controls after every
// handler and passes user input in; every rule lives in the core (tune/).
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
#include "tune/tuning_model.h"
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

class MainWindow : public WindowActions {
 public:
  MainWindow(HINSTANCE instance, const Platform& platform, TuningModel& model);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  static bool RegisterClasses(HINSTANCE instance);

  // Builds the window (hidden) with every control; false when the window cannot be made.
  bool Create();
  // The creation handler's steps, then shows the window.
  void FormCreate();
  // Lets pending messages run, as the model asks at its pump points.
  void PumpMessages();
  // Hands a message of the program's loop to the tooltips before it is dispatched.
  void RelayToTooltips(MSG& message);

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

  // The timer's hand-over, sent by the worker thread.
  static constexpr UINT kMsgTimerFiring = WM_APP + 1;

  LRESULT HandleMain(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandlePanel(HWND window, Panel& panel, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFloat(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT HandleEdit3(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

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

  HWND MakePanel(Look look, const std::string& text, HWND parent, Rect rect, int id,
                 FontRole font = FontRole::kDefault);
  HWND MakeControl(const char* className, const char* text, DWORD style, HWND parent, Rect rect,
                   int id, FontRole font = FontRole::kDefault, DWORD exStyle = 0);
  void AddTip(bool always, const char* groupName, HWND control, const std::string& text);
  void BuildTitleArea(HWND inner);
  void BuildRows(HWND inner);
  void BuildToolbars(HWND inner);
  void BuildMenus();
  void CreateFonts(Size panel);
  void Rescale();
  void Sync();
  void SyncText(HWND control, const std::string& text);
  void OnCommand(WORD id, WORD code, HWND control);
  LRESULT OnNotify(NMHDR& header);
  void OnDrawItem(DRAWITEMSTRUCT& item);
  void ShowContextMenu(POINT at);
  void OnTray(LPARAM event);
  void OnTitleMouseMove(TitleAreaPart part);
  void ResizeMain(Size size);
  [[nodiscard]] Size MainSize() const;
  void UpdateClock();
  void DragToolbar(Dockable& dock, POINT screen);
  void DockToolbar(Dockable& dock, HWND area);
  void AfterFloatMoved(HWND floating);
  void PaintTitleBar();
  void Shutdown();

  HINSTANCE instance_;
  Platform platform_;
  TuningModel& model_;
  TuneCommands commands_;
  HWND hwnd_ = nullptr;
  HWND resizer_ = nullptr;
  HWND status_ = nullptr;
  HWND tipsAlways_ = nullptr;
  HWND tipsGroup_ = nullptr;
  HMENU menu_ = nullptr;
  HMENU popup_ = nullptr;
  bool active_ = true;
  bool tooltipsOn_ = true;
  bool closing_ = false;
  bool timerEnabled_ = false;
  bool syncing_ = false;
  Size default_{};

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
  std::map<std::string, std::vector<std::pair<HWND, std::string>>> groupTips_;
  std::array<HFONT, static_cast<std::size_t>(FontRole::kCount)> fonts_{};
  std::map<HWND, std::string> shownText_;
  std::string trayTip_;
  NOTIFYICONDATAA tray_{};
  bool trayAdded_ = false;
  HICON icon_ = nullptr;
};

}  // namespace ql::tune::app
