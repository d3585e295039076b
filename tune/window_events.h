// The tuning window's control events and the handlers they run: which key in which control
// does what, where the focus goes on Tab and Shift+Tab, and when leaving the MaxLRU field is
// the model's Edit3Exit. The window names its controls as the model does ("Edit3",
// "TrackBar1", "GradBtn1") and passes each event in; this object decides, so that the rules
// are the same whether the mouse or the keyboard raised the event.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tune/commands.h"
#include "tune/controls.h"
#include "tune/tuning_model.h"

namespace ql::tune {

// The main window's tab stops, in the order Tab visits them: top to bottom, and left to right
// within a row (the preset buttons lie left of their row's field). Shift+Tab visits them
// backwards; both wrap around. Controls that cannot take the focus at the moment (hidden
// preset buttons, the track bar while lazy writing is off, a toolbar that floats) are
// passed over.
inline constexpr std::array<const char*, 29> kFocusOrder{
    "TrackBar1", "Button12", "Button13", "Button14", "Button21", "Edit1",    "Button6",  "Button7",
    "Button8",   "Button9",  "Button10", "Button18", "Button19", "Button20", "Edit2",    "Button24",
    "Button5",   "Button1",  "Button2",  "Button3",  "Button4",  "Button16", "Button17", "Edit3",
    "AutoSizer", "GradBtn1", "GradBtn2", "GradBtn3", "GradBtn4"};

// The keys the window's controls pass in; any other key is the control's own.
enum class Key { kTab, kUp, kDown, kReturn, kOther };

// The window as the events see it.
class WindowFocus {
 public:
  virtual ~WindowFocus() = default;
  // Whether the control can take the focus now: shown, enabled, inside the main window.
  virtual bool CanTakeFocus(std::string_view control) = 0;
  // Gives the control the focus (the control that had it sees it leave).
  virtual void SetFocusTo(std::string_view control) = 0;
  // Presses a push button, as a click does.
  virtual void Press(std::string_view control) = 0;
};

// The tab stop after (or, backward, before) `current`; from a control that is not a tab stop
// the first (or the last). Empty when no tab stop can take the focus.
[[nodiscard]] std::string_view NextFocus(std::string_view current, bool backward,
                                         WindowFocus& window);

class WindowEvents {
 public:
  WindowEvents(TuningModel& model, TuneCommands& commands, WindowFocus& window)
      : model_(model), commands_(commands), window_(window) {}

  // A key went down in a control of the window; true when it was taken here, so the control
  // must not see it.
  //   Tab, Shift+Tab  the focus moves along kFocusOrder
  //   Up, Down        in a parameter field: that row's fine-tuner, as a click on its arrow
  //   Return          on a push button: the button is pressed
  bool KeyDown(std::string_view control, Key key, bool shift);

  // The focus left a control: for another control of the main window (true), or for
  // something else (a message box, another program). Leaving the MaxLRU field for another
  // control is Edit3Exit, whether a click or a key moved the focus.
  void FocusLeft(std::string_view control, bool toControlOfWindow);

  // A fine-tuner's arrow (1 = UpDown1): the fine-tuner's click handler.
  void FineTunerClicked(int fineTuner, Arrow arrow);
  // The track bar moved to position.
  void TrackBarMoved(std::int32_t position) { model_.TrackBar1Change(position); }
  // The user typed into the MaxLRU field; no handler runs until it is left.
  void Edit3Typed(std::string text) { model_.controls().Edit3 = std::move(text); }
  // A menu item, a toolbar button or a preset button; false for an id that is none of them.
  bool Clicked(std::uint16_t id) { return commands_.Run(id); }

 private:
  TuningModel& model_;
  TuneCommands& commands_;
  WindowFocus& window_;
};

}  // namespace ql::tune
