// The preset panel: 19 buttons in three rows, each putting one fixed value into one
// parameter, and a help button. The table is fixed; no value depends on the machine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ql::tune {

enum class PresetRow { kPageSize, kMinLRU, kMaxLRU };

struct PresetButton {
  const char* name;
  PresetRow row;
  const char* caption;
  const char* tooltip;  // null: the button has none
  std::int32_t value;
  // Button14 and Button2 bring the PageSize field to its shown form ("32768" at the top)
  // before the figures are computed.
  bool normalisesPageSize;
  int left;   // pixels, over the row's caption bar
  int width;  // pixels; every preset button is kPresetButtonHeight high
};

inline constexpr int kPresetButtonHeight = 17;

inline constexpr std::array<PresetButton, 19> kPresetButtons{{
    {"Button12", PresetRow::kPageSize, "8192", "PreSet 8192 PageSize", 8192, false, 96, 73},
    {"Button13", PresetRow::kPageSize, "16384", "PreSet 16384 PageSize", 16384, false, 176, 73},
    {"Button14", PresetRow::kPageSize, "32768",
     "PreSet 32768 PageSize, over this amount, you must manually enter", 32767, true, 256, 73},
    {"Button6", PresetRow::kMinLRU, "255", "PreSet 255 MinLRU", 255, false, 96, 41},
    {"Button7", PresetRow::kMinLRU, "511", nullptr, 511, false, 144, 41},
    {"Button8", PresetRow::kMinLRU, "1023", nullptr, 1023, false, 192, 41},
    {"Button9", PresetRow::kMinLRU, "2047", nullptr, 2047, false, 240, 41},
    {"Button10", PresetRow::kMinLRU, "4095", nullptr, 4095, false, 288, 41},
    {"Button18", PresetRow::kMinLRU, "8191", nullptr, 8191, false, 336, 41},
    {"Button19", PresetRow::kMinLRU, "16383", nullptr, 16383, false, 384, 41},
    {"Button20", PresetRow::kMinLRU, "32766", nullptr, 32766, false, 432, 41},
    {"Button24", PresetRow::kMaxLRU, "256", "256 MaxLRU Preset", 256, false, 96, 41},
    {"Button5", PresetRow::kMaxLRU, "512", "512 MaxLRU Preset", 512, false, 144, 41},
    {"Button1", PresetRow::kMaxLRU, "1024", "1024 MaxLRU Preset", 1024, false, 192, 41},
    {"Button2", PresetRow::kMaxLRU, "2048", "2048 MaxLRU Preset", 2048, true, 240, 41},
    {"Button3", PresetRow::kMaxLRU, "4096", "4096 MaxLRU Preset", 4096, false, 288, 41},
    {"Button4", PresetRow::kMaxLRU, "8192", "8192 MaxLRU Preset", 8192, false, 336, 41},
    {"Button16", PresetRow::kMaxLRU, "16384", "16384 MaxLRU Preset", 16384, false, 384, 41},
    {"Button17", PresetRow::kMaxLRU, "32767", nullptr, 32767, false, 432, 41},
}};

// The help button beside the PageSize row.
inline constexpr char kPresetHelpButton[] = "Button21";
inline constexpr char kPresetHelpCaption[] = "Help on Preset Usage";
inline constexpr int kPresetHelpLeft = 336;
inline constexpr int kPresetHelpWidth = 137;
inline constexpr char kPresetHelpText[] =
    "Presets set start values for Quillon-NT. Up/Down Fine Tune Arrows allow selection "
    "granularity. Max of 32768 on PageSize & MinLRU. Parameter MaxLRU can set manually over "
    "32768 to 99999.";

// The order in which showing or hiding the panel changes the 20 controls.
inline constexpr std::array<const char*, 20> kPresetPanelOrder{
    "Button1",  "Button2",  "Button3",  "Button4",  "Button5",  "Button6",  "Button7",
    "Button8",  "Button9",  "Button10", "Button12", "Button13", "Button14", "Button16",
    "Button17", "Button18", "Button19", "Button20", "Button21", "Button24"};

// The index of a preset button in kPresetButtons by its name.
[[nodiscard]] std::optional<std::size_t> FindPreset(std::string_view name);

}  // namespace ql::tune
