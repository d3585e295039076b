// The tuning engine's model: the four driver parameters it edits (PendingLimit, MinLRU,
// MaxLRU, PageSize) held as the state of the window's controls, with one method per window
// event. Every check converts the shown texts to numbers again, so a method sees exactly what
// the window shows, also after another handler ran in between.
//
// Re-entrancy: the periodic check runs whenever the window's thread dispatches messages, and
// that thread does so inside every message box and at the pump points below. A handler
// therefore never keeps a value across a message box or a pump: each step reads the controls
// afresh. Pump points: after every event record, after Reset Defaults has updated the
// figures, and at the start of the Exit commands.
//
// Errors that a handler does not catch itself (a field that is not a number, a driver value
// that is missing or of the wrong type, a failed registry write) end the handler at that step
// and are shown in the error box; no exception leaves a handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "tune/controls.h"
#include "tune/event_log_writer.h"
#include "tune/message_boxes.h"
#include "tune/presets.h"

namespace ql::tune {

// The checks' messages.
namespace msg {
inline constexpr char kOrder[] = "WARNING: MaxLRU must be GREATER than MinLRU (resetting)!";
inline constexpr char kOrderUpDown3[] = "MaxLRU Must Be greater than MinLRU: Resetting!";
inline constexpr char kMemory[] = "WARNING: MaxLRU / PageSize calculation overrun (resetting)!";
inline constexpr char kMemoryUpDown2[] = "MaxLRU x PageSize vs. Ram Error: resetting!";
inline constexpr char kOverflow[] =
    "Warning!!! You are radically below your amount of available RAM allowed! Resetting to "
    "Defaults...";
inline constexpr char kEmptyField[] = "Please enter a non-zero value, resetting...";
inline constexpr char kSaveOrder[] = "Error: MinLRU must be less than MaxLRU";
inline constexpr char kSaving[] = "Saving and Exiting...";
}  // namespace msg

// The cache-size figure's fixed text after a safe-values reset: 32767 x 954 in the
// fine-tuner handlers, 2048 x 954 in the others.
inline constexpr char kSafeFigureFineTuners[] = "31259718";
inline constexpr char kSafeFigure[] = "1953792";

// Physical memory kept back from the cache: a plain difference, not a share.
inline constexpr std::int32_t kReservedMemory = 32000000;

class TuningModel {
 public:
  // The platform's services are kept by reference; they must outlive the model.
  explicit TuningModel(const Platform& platform);
  TuningModel(const TuningModel&) = delete;
  TuningModel& operator=(const TuningModel&) = delete;

  // What the window shows. User input that raises no handler (typing into Edit3) goes
  // straight into it.
  TuneControls& controls() { return controls_; }
  [[nodiscard]] const TuneControls& controls() const { return controls_; }

  EventLogWriter& eventLog() { return eventLog_; }
  MessageBoxes& boxes() { return boxes_; }

  // Lets pending window messages run (the periodic check among them). None by default.
  void SetMessagePump(std::function<void()> pump) { pump_ = std::move(pump); }

  // The model's part of the window's creation: the record "Quillon Tuning Event
  // Initialized", pending messages, then Load(). False when loading stopped at an error.
  bool FormCreate();
  // Loads the driver's values, the figures and the remembered fields. No check runs. On an
  // error (shown in the error box) the track bar's enabled state is still set, the figures
  // and the remembered fields are left alone, and the result is false.
  bool Load();

  // The user moved the track bar to position.
  void TrackBar1Change(std::int32_t position);
  // A fine-tuner's arrow was clicked: the fine-tuner moves one step, then its checks run.
  void UpDown1Click(Arrow arrow);
  void UpDown2Click(Arrow arrow);
  void UpDown3Click(Arrow arrow);
  // The MaxLRU field lost the keyboard focus.
  void Edit3Exit();
  // One firing of the periodic timer: memory compaction, then the periodic checks.
  void SuperTimer1Timer();

  // Reset Defaults, from the basic toolbar, the Tools menu, the context menu and the
  // advanced toolbar.
  void GradBtn3Click();
  void ResetDefaults1Click();
  void ResetDefaults2Click();
  void ToolbarButton978Click();

  // Save and Exit: basic toolbar, context menu and main menu (the last names the page size
  // "Pagesize"). Each first runs the checks of leaving the MaxLRU field, then the save check
  // (MinLRU not above MaxLRU, signed); a failing check shows its message, nothing is written
  // and the window stays open.
  void GradBtn1Click();
  void SaveandExit2Click();
  void SaveandExit1Click();

  // Exit without saving: basic toolbar, main menu, context menu.
  void GradBtn2Click();
  void Exit1Click();
  void Exit2Click();
  // The window is being destroyed, whatever ended the program.
  void FormDestroy();

  // The preset buttons, each named after its button.
  void PresetClick(std::size_t index);  // index into kPresetButtons
  void Button12Click();
  void Button13Click();
  void Button14Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();
  void Button10Click();
  void Button18Click();
  void Button19Click();
  void Button20Click();
  void Button24Click();
  void Button5Click();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button16Click();
  void Button17Click();
  void Button21Click();  // preset help

  // The preset panel: menu commands change only the panel, the toolbar pair also changes
  // which of its buttons is down.
  void ShowPreSetButtons1Click();
  void HidePreSetButtons1Click();
  void ToolbarButton979Click();
  void ToolbarButton9710Click();

 private:
  // How a save and exit command differs from the others.
  struct SaveVariant {
    const char* pageSizeName;
  };

  // The handler boundary: runs step and shows whatever it raises in the error box.
  void Guarded(const std::function<void()>& step);
  void ShowError(const std::string& message) noexcept;
  void Pump();
  void Record(std::string_view text);

  void LoadSteps(std::optional<std::int32_t>& lazyWrite);
  [[nodiscard]] std::int32_t AvailableMemory();
  [[nodiscard]] std::int32_t CacheSizeFromFields() const;
  void WritePageSizeField();
  void ApplyPageSizeTopRule();

  // Safe-values reset; figure is the fixed text for Label6, or none to leave it.
  void SafeReset(const char* figure);
  void Fail(const char* message, const char* figure);
  void OrderCheckByPositions(const char* message, const char* figure);
  void OrderCheckByFields(const char* figure);
  void MemoryCheck(const char* message, const char* figure);
  void OverflowCheck(std::int32_t below, const char* figure);
  void EmptyFieldCheck(const char* figure);

  // Edit3Exit's steps; false when one of its checks failed (and reset).
  [[nodiscard]] bool Edit3ExitSteps();
  void ResetDefaults(bool toolbarButton);
  void SaveAndExit(SaveVariant variant);
  void ExitWithoutSaving();
  void Preset(const PresetButton& button);
  void PresetChecks();
  void SetPresetPanel(bool visible);

  Platform platform_;
  EventLogWriter eventLog_;
  MessageBoxes boxes_;
  TuneControls controls_;
  std::function<void()> pump_;
  // Failed checks so far, so that a handler can tell whether its own checks passed.
  std::size_t checksFailed_ = 0;
};

}  // namespace ql::tune
