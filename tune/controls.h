// The state of the tuning window's controls, held apart from any window: fine-tuner
// positions, field and figure texts, the track bar, the preset panel and its toolbar pair.
// The window copies this state to its controls after every handler and passes user input in.
#pragma once

#include <cstdint>
#include <string>

namespace ql::tune {

enum class Arrow { kUp, kDown };

// An up-down control with a signed 16-bit position, a range and a step, without
// wrap-around.
class FineTuner {
 public:
  constexpr FineTuner(std::int16_t position, std::int16_t min, std::int16_t max, std::int16_t step)
      : position_(position), min_(min), max_(max), step_(step) {}

  // Keeps only the low 16 bits of value, read as signed, and then brings the position into
  // the range (40000 gives 1 in the range 1..32767, 32768 gives 8192 in 8192..32767).
  void SetPosition(std::int32_t value);
  // One step by an arrow; stops at the ends of the range.
  void Move(Arrow arrow);

  [[nodiscard]] std::int16_t position() const { return position_; }
  [[nodiscard]] std::int16_t min() const { return min_; }
  [[nodiscard]] std::int16_t max() const { return max_; }
  [[nodiscard]] std::int16_t step() const { return step_; }

 private:
  std::int16_t position_;
  std::int16_t min_;
  std::int16_t max_;
  std::int16_t step_;
};

// The PendingLimit slider.
class TrackBar {
 public:
  static constexpr std::int32_t kMin = 10;
  static constexpr std::int32_t kMax = 80;

  // Holds the position within kMin..kMax.
  void SetPosition(std::int32_t value);
  [[nodiscard]] std::int32_t position() const { return position_; }

  bool enabled = true;

 private:
  std::int32_t position_ = 16;
};

// Which button of the advanced toolbar's preset pair is down.
enum class PresetToolbarButton {
  kShowPresets,  // ToolbarButton979, "Show Preset Buttons"
  kHidePresets,  // ToolbarButton9710, "Hide Preset Buttons"
};

inline constexpr char kTitleCaption[] = "Quillon - NT Tuning Engine 5.0 ++";

// Everything the window shows of the model, with the values it holds before loading.
struct TuneControls {
  TrackBar TrackBar1;
  std::string StaticText1 = "16";
  FineTuner UpDown1{32767, 8192, 32767, 512};  // PageSize
  std::string Edit1 = "32767";
  FineTuner UpDown2{32, 1, 32767, 2};  // MinLRU
  std::string Edit2 = "32";
  FineTuner UpDown3{954, 1, 32767, 2};  // MaxLRU
  std::string Edit3 = "954";            // the only field the user types into
  std::string Label5 = "0";             // available-memory figure
  std::string Label6 = "31259718";      // cache-size figure
  std::string DRLabel1 = kTitleCaption;
  bool PresetPanelVisible = false;
  PresetToolbarButton PresetToolbarDown = PresetToolbarButton::kHidePresets;
  // Set by the commands that end the program; the window then closes itself.
  bool CloseRequested = false;
};

}  // namespace ql::tune
