#include "tune/presets.h"

#include "tune/number_text.h"
#include "tune/tuning_model.h"

namespace ql::tune {

std::optional<std::size_t> FindPreset(std::string_view name) {
  for (std::size_t i = 0; i < kPresetButtons.size(); ++i) {
    if (name == kPresetButtons[i].name) return i;
  }
  return std::nullopt;
}

void TuningModel::PresetChecks() {
  // All three run, each on the values as the previous one (or a periodic check that ran
  // while its box was open) left them.
  if (TextToInt(controls_.Label5) < 0) Fail(msg::kOverflow, kSafeFigure);
  if (TextToInt(controls_.Label5) < TextToInt(controls_.Label6)) Fail(msg::kMemory, kSafeFigure);
  if (controls_.UpDown2.position() > controls_.UpDown3.position()) Fail(msg::kOrder, kSafeFigure);
}

void TuningModel::Preset(const PresetButton& button) {
  Guarded([&] {
    switch (button.row) {
      case PresetRow::kMinLRU:
        // The figures are not recomputed: the checks run on the figures as shown.
        controls_.Edit2 = IntToText(button.value);
        controls_.UpDown2.SetPosition(button.value);
        PresetChecks();
        return;
      case PresetRow::kPageSize:
        controls_.UpDown1.SetPosition(button.value);
        controls_.Edit1 = IntToText(controls_.UpDown1.position());
        break;
      case PresetRow::kMaxLRU:
        controls_.UpDown3.SetPosition(button.value);
        controls_.Edit3 = IntToText(controls_.UpDown3.position());
        break;
    }
    if (button.normalisesPageSize) ApplyPageSizeTopRule();

    const std::int32_t available = AvailableMemory();
    const std::int32_t pageSize = TextToInt(controls_.Edit1);
    const std::int32_t maxLRU = TextToInt(controls_.Edit3);
    // A MaxLRU typed into its field stays there: the figure is computed from the field, so
    // the field is what the checks judged and what a save will write. (Putting the
    // fine-tuner's position back into the field here would silently swap a typed 40000 for
    // 256 while the figure still spoke of 40000.)
    controls_.Label5 = IntToText(available);
    controls_.Label6 = IntToText(WrapMultiply(pageSize, maxLRU));
    PresetChecks();
  });
}

void TuningModel::PresetClick(std::size_t index) {
  if (index < kPresetButtons.size()) Preset(kPresetButtons[index]);
}

namespace {
std::size_t PresetIndex(std::string_view name) {
  return FindPreset(name).value_or(~std::size_t{0});
}
}  // namespace

void TuningModel::Button12Click() { PresetClick(PresetIndex("Button12")); }
void TuningModel::Button13Click() { PresetClick(PresetIndex("Button13")); }
void TuningModel::Button14Click() { PresetClick(PresetIndex("Button14")); }
void TuningModel::Button6Click() { PresetClick(PresetIndex("Button6")); }
void TuningModel::Button7Click() { PresetClick(PresetIndex("Button7")); }
void TuningModel::Button8Click() { PresetClick(PresetIndex("Button8")); }
void TuningModel::Button9Click() { PresetClick(PresetIndex("Button9")); }
void TuningModel::Button10Click() { PresetClick(PresetIndex("Button10")); }
void TuningModel::Button18Click() { PresetClick(PresetIndex("Button18")); }
void TuningModel::Button19Click() { PresetClick(PresetIndex("Button19")); }
void TuningModel::Button20Click() { PresetClick(PresetIndex("Button20")); }
void TuningModel::Button24Click() { PresetClick(PresetIndex("Button24")); }
void TuningModel::Button5Click() { PresetClick(PresetIndex("Button5")); }
void TuningModel::Button1Click() { PresetClick(PresetIndex("Button1")); }
void TuningModel::Button2Click() { PresetClick(PresetIndex("Button2")); }
void TuningModel::Button3Click() { PresetClick(PresetIndex("Button3")); }
void TuningModel::Button4Click() { PresetClick(PresetIndex("Button4")); }
void TuningModel::Button16Click() { PresetClick(PresetIndex("Button16")); }
void TuningModel::Button17Click() { PresetClick(PresetIndex("Button17")); }

void TuningModel::Button21Click() {
  Guarded([&] { boxes_.Information(kPresetHelpText); });
}

void TuningModel::SetPresetPanel(bool visible) { controls_.PresetPanelVisible = visible; }

void TuningModel::ShowPreSetButtons1Click() { SetPresetPanel(true); }
void TuningModel::HidePreSetButtons1Click() { SetPresetPanel(false); }

void TuningModel::ToolbarButton979Click() {
  controls_.PresetToolbarDown = PresetToolbarButton::kShowPresets;
  SetPresetPanel(true);
}

void TuningModel::ToolbarButton9710Click() {
  controls_.PresetToolbarDown = PresetToolbarButton::kHidePresets;
  SetPresetPanel(false);
}

}  // namespace ql::tune
