#include "tune/tuning_model.h"

#include <exception>
#include <utility>

#include "common/driver_settings.h"
#include "tune/number_text.h"
#include "tune/remembered_fields.h"
#include "tune/tune_error.h"

namespace ql::tune {

namespace {

constexpr std::int32_t kDefaultPendingLimit = 16;
constexpr std::int32_t kSafePageSizePosition = 32767;
constexpr std::int32_t kSafeMinLRU = 32;
constexpr std::int32_t kSafeMaxLRU = 954;
// A typed MaxLRU above this cannot be a fine-tuner position; leaving the field then puts
// UpDown3 at kTypedMaxLRUPosition.
constexpr std::int32_t kLargestTunerMaxLRU = 32768;
constexpr std::int32_t kTypedMaxLRUPosition = 256;
constexpr char kPageSizeTopText[] = "32768";
constexpr char kPageSizeTopPositionText[] = "32767";
// The main menu's save writes the page size under this spelling; value names are matched
// without regard to case, so it is the same value.
constexpr char kMainMenuPageSizeName[] = "Pagesize";

[[noreturn]] void FailedToGet(const char* name) {
  throw TuneError(std::string("Failed to get data for '") + name + "'");
}

[[noreturn]] void FailedToSet(const char* name) {
  throw TuneError(std::string("Failed to set data for '") + name + "'");
}

// A driver value as the engine accepts it: present and of type REG_DWORD, read as a signed
// 32-bit number. The type is asked first so that a value of another type is named as such
// whatever its length; REG_DWORD data shorter than 4 bytes fills the low bytes.
std::int32_t ReadDriverValue(Registry& registry, HKey key, const char* name) {
  std::uint32_t type = reg::kNone;
  std::uint32_t size = 0;
  if (registry.QueryValue(key, name, &type, nullptr, &size) != err::kSuccess) FailedToGet(name);
  if (type != reg::kDword) throw TuneError(std::string("Invalid data type for '") + name + "'");
  std::uint8_t data[4] = {};
  size = sizeof data;
  if (registry.QueryValue(key, name, &type, data, &size) != err::kSuccess) FailedToGet(name);
  if (type != reg::kDword) throw TuneError(std::string("Invalid data type for '") + name + "'");
  const std::uint32_t value = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                              std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24;
  return static_cast<std::int32_t>(value);
}

// Stores the 32-bit pattern of value, so a negative number is written as its unsigned twin.
void WriteDriverValue(Registry& registry, HKey key, const char* name, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::uint8_t data[4] = {
      static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
      static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  if (registry.SetValue(key, name, reg::kDword, data, sizeof data) != err::kSuccess) {
    FailedToSet(name);
  }
}

}  // namespace

TuningModel::TuningModel(const Platform& platform)
    : platform_(platform), eventLog_(platform.eventLog, platform.registry), boxes_(platform.ui) {}

void TuningModel::Guarded(const std::function<void()>& step) {
  // The handler boundary: whatever the step raises is shown and ends the step, nothing goes
  // on to the window's callbacks.
  std::string message;
  try {
    step();
    return;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unexpected error";
  }
  ShowError(message);
}

void TuningModel::ShowError(const std::string& message) noexcept {
  try {
    boxes_.Error(message);
  } catch (...) {
    // Nothing is left to report it with.
  }
}

void TuningModel::Pump() {
  if (pump_) pump_();
}

void TuningModel::Record(std::string_view text) {
  eventLog_.Write(text);
  Pump();
}

// ----------------------------------------------------------------------------- figures

std::int32_t TuningModel::AvailableMemory() {
  MemoryStatus status;
  platform_.memory.GlobalMemoryStatus(&status);
  return WrapSubtract(static_cast<std::int32_t>(status.totalPhys), kReservedMemory);
}

std::int32_t TuningModel::CacheSizeFromFields() const {
  const std::int32_t pageSize = TextToInt(controls_.Edit1);
  const std::int32_t maxLRU = TextToInt(controls_.Edit3);
  return WrapMultiply(pageSize, maxLRU);
}

void TuningModel::ApplyPageSizeTopRule() {
  // The fine-tuner cannot hold 32768, so its top position 32767 stands for it: the field,
  // and with it what is saved, says 32768.
  if (controls_.Edit1 == kPageSizeTopPositionText) controls_.Edit1 = kPageSizeTopText;
  if (controls_.UpDown1.position() == kSafePageSizePosition) controls_.Edit1 = kPageSizeTopText;
}

void TuningModel::WritePageSizeField() {
  controls_.Edit1 = IntToText(controls_.UpDown1.position());
  ApplyPageSizeTopRule();
}

// ------------------------------------------------------------------------------ checks

void TuningModel::SafeReset(const char* figure) {
  controls_.UpDown1.SetPosition(kSafePageSizePosition);
  WritePageSizeField();
  controls_.UpDown2.SetPosition(kSafeMinLRU);
  controls_.Edit2 = IntToText(controls_.UpDown2.position());
  controls_.UpDown3.SetPosition(kSafeMaxLRU);
  controls_.Edit3 = IntToText(controls_.UpDown3.position());
  if (figure != nullptr) controls_.Label6 = figure;
}

void TuningModel::Fail(const char* message, const char* figure) {
  ++checksFailed_;
  // The periodic check may run while the box is open; the reset comes after it.
  boxes_.Information(message);
  SafeReset(figure);
}

void TuningModel::OrderCheckByPositions(const char* message, const char* figure) {
  if (controls_.UpDown3.position() < controls_.UpDown2.position()) Fail(message, figure);
}

void TuningModel::OrderCheckByFields(const char* figure) {
  const std::int32_t maxLRU = TextToInt(controls_.Edit3);
  const std::int32_t minLRU = TextToInt(controls_.Edit2);
  if (maxLRU < minLRU) Fail(msg::kOrder, figure);
}

void TuningModel::MemoryCheck(const char* message, const char* figure) {
  const std::int32_t cacheSize = TextToInt(controls_.Label6);
  const std::int32_t available = TextToInt(controls_.Label5);
  if (cacheSize > available) Fail(message, figure);
}

void TuningModel::OverflowCheck(std::int32_t below, const char* figure) {
  if (TextToInt(controls_.Label6) < below) Fail(msg::kOverflow, figure);
}

void TuningModel::EmptyFieldCheck(const char* figure) {
  if (controls_.Edit3.empty()) Fail(msg::kEmptyField, figure);
}

// ------------------------------------------------------------------------------- load

bool TuningModel::FormCreate() {
  bool recorded = false;
  Guarded([&] {
    Record(record::kInitialized);
    recorded = true;
  });
  return recorded && Load();
}

void TuningModel::LoadSteps(std::optional<std::int32_t>& lazyWrite) {
  Registry& registry = platform_.registry;
  ScopedKey key(registry);
  if (registry.CreateKey(kHkeyLocalMachine, kParametersKeyPath, kParametersKeyClass,
                         reg::kOptionNonVolatile, reg::kAllAccess, key.Receive(),
                         nullptr) != err::kSuccess) {
    // Without the key, the first value cannot be read.
    FailedToGet(val::kPendingLimit);
  }
  controls_.TrackBar1.SetPosition(ReadDriverValue(registry, key.Get(), val::kPendingLimit));
  controls_.StaticText1 = IntToText(controls_.TrackBar1.position());

  controls_.Edit2 = IntToText(ReadDriverValue(registry, key.Get(), val::kMinLRU));
  controls_.UpDown2.SetPosition(TextToInt(controls_.Edit2));

  controls_.Edit3 = IntToText(ReadDriverValue(registry, key.Get(), val::kMaxLRU));
  controls_.UpDown3.SetPosition(TextToInt(controls_.Edit3));

  controls_.Edit1 = IntToText(ReadDriverValue(registry, key.Get(), val::kPageSize));

  lazyWrite = ReadDriverValue(registry, key.Get(), val::kLazyWrite);
}

bool TuningModel::Load() {
  std::optional<std::int32_t> lazyWrite;
  std::string error;
  bool loaded = false;
  try {
    LoadSteps(lazyWrite);
    loaded = true;
  } catch (const std::exception& e) {
    error = e.what();
  }

  // The track bar follows LazyWrite also when loading stopped early: only lazy writing
  // makes PendingLimit meaningful. Values other than 0 and 1 leave it as it is.
  if (lazyWrite == 1) {
    controls_.TrackBar1.enabled = true;
  } else if (!lazyWrite || *lazyWrite == 0) {
    controls_.TrackBar1.enabled = false;
  }

  if (!loaded) {
    ShowError(error);
    return false;
  }

  bool completed = false;
  Guarded([&] {
    const std::int32_t available = AvailableMemory();
    const std::int32_t pageSize = TextToInt(controls_.Edit1);
    const std::int32_t maxLRU = TextToInt(controls_.Edit3);
    controls_.Edit3 = IntToText(controls_.UpDown3.position());
    controls_.UpDown2.SetPosition(TextToInt(controls_.Edit2));
    controls_.UpDown1.SetPosition(TextToInt(controls_.Edit1));
    controls_.Label5 = IntToText(available);
    controls_.Label6 = IntToText(WrapMultiply(pageSize, maxLRU));

    ReadRememberedFields(platform_.registry, controls_.Edit3, controls_.Edit1);
    completed = true;
  });
  return completed;
}

// --------------------------------------------------------------------------- handlers

void TuningModel::TrackBar1Change(std::int32_t position) {
  Guarded([&] {
    controls_.TrackBar1.SetPosition(position);
    controls_.StaticText1 = IntToText(controls_.TrackBar1.position());
  });
}

void TuningModel::UpDown1Click(Arrow arrow) {
  Guarded([&] {
    controls_.UpDown1.Move(arrow);
    WritePageSizeField();
    OrderCheckByFields(kSafeFigureFineTuners);
    // Against the cache-size figure as it stood before this click.
    MemoryCheck(msg::kMemory, kSafeFigureFineTuners);
    controls_.Label6 = IntToText(CacheSizeFromFields());
  });
}

void TuningModel::UpDown2Click(Arrow arrow) {
  Guarded([&] {
    controls_.UpDown2.Move(arrow);
    controls_.Edit2 = IntToText(controls_.UpDown2.position());
    if (TextToInt(controls_.Label6) > TextToInt(controls_.Label5)) {
      controls_.Label6 = IntToText(CacheSizeFromFields());
    }
    OrderCheckByPositions(msg::kOrder, kSafeFigureFineTuners);
    OrderCheckByFields(kSafeFigureFineTuners);
    MemoryCheck(msg::kMemoryUpDown2, kSafeFigureFineTuners);
  });
}

void TuningModel::UpDown3Click(Arrow arrow) {
  Guarded([&] {
    controls_.UpDown3.Move(arrow);
    controls_.Edit3 = IntToText(controls_.UpDown3.position());
    controls_.Label6 = IntToText(CacheSizeFromFields());
    MemoryCheck(msg::kMemory, kSafeFigureFineTuners);
    OrderCheckByFields(kSafeFigureFineTuners);
    OrderCheckByPositions(msg::kOrderUpDown3, kSafeFigureFineTuners);
  });
}

bool TuningModel::Edit3ExitSteps() {
  const std::size_t failedBefore = checksFailed_;
  controls_.Label5 = IntToText(AvailableMemory());
  controls_.Label6 = IntToText(CacheSizeFromFields());
  OrderCheckByPositions(msg::kOrder, kSafeFigure);
  MemoryCheck(msg::kMemory, kSafeFigure);
  // This reset leaves the negative figure standing; the next periodic check repairs it.
  OverflowCheck(0, nullptr);
  // A typed MaxLRU beyond any fine-tuner position keeps its text; the fine-tuner goes to a
  // fixed position instead of the wrapped 16-bit value.
  if (TextToInt(controls_.Edit3) > kLargestTunerMaxLRU) {
    controls_.UpDown3.SetPosition(kTypedMaxLRUPosition);
  }
  return checksFailed_ == failedBefore;
}

void TuningModel::Edit3Exit() {
  Guarded([&] { (void)Edit3ExitSteps(); });
}

void TuningModel::SuperTimer1Timer() {
  Guarded([&] {
    platform_.memory.CompactHeaps();
    EmptyFieldCheck(kSafeFigure);
    OverflowCheck(1, kSafeFigure);
    MemoryCheck(msg::kMemory, kSafeFigure);
  });
}

// ---------------------------------------------------------------------- reset defaults

void TuningModel::ResetDefaults(bool toolbarButton) {
  Guarded([&] {
    Record(record::kDefaultsReset);
    controls_.TrackBar1.SetPosition(kDefaultPendingLimit);
    controls_.StaticText1 = IntToText(kDefaultPendingLimit);
    if (toolbarButton) {
      controls_.UpDown1.SetPosition(kSafePageSizePosition);
      WritePageSizeField();
    } else {
      controls_.Edit1 = kPageSizeTopText;
      controls_.UpDown1.SetPosition(kSafePageSizePosition);
    }
    controls_.UpDown2.SetPosition(kSafeMinLRU);
    controls_.Edit2 = IntToText(controls_.UpDown2.position());
    controls_.UpDown3.SetPosition(kSafeMaxLRU);
    controls_.Edit3 = IntToText(controls_.UpDown3.position());
    controls_.Label5 = IntToText(AvailableMemory());
    controls_.Label6 = IntToText(CacheSizeFromFields());
    Pump();
  });
}

void TuningModel::GradBtn3Click() { ResetDefaults(false); }
void TuningModel::ResetDefaults1Click() { ResetDefaults(false); }
void TuningModel::ResetDefaults2Click() { ResetDefaults1Click(); }
void TuningModel::ToolbarButton978Click() { ResetDefaults(true); }

// ----------------------------------------------------------------------- save and exit

void TuningModel::SaveAndExit(SaveVariant variant) {
  Guarded([&] {
    // Recorded before anything can refuse the save.
    Record(record::kSettingsChanged);
    // The field may still hold the focus, so its checks have not run on what was typed:
    // they run here as leaving it would run them. What they refuse is not saved; the reset
    // they show is what the user then sees, and saves with a second command.
    if (!Edit3ExitSteps()) return;
    const std::int32_t pendingLimit = controls_.TrackBar1.position();
    const std::int32_t pageSize = TextToInt(controls_.Edit1);
    const std::int32_t minLRU = TextToInt(controls_.Edit2);
    const std::int32_t maxLRU = TextToInt(controls_.Edit3);
    // Compared as the signed numbers the checks use: a MaxLRU of -1 is below every MinLRU,
    // not the largest value the driver could be given.
    if (minLRU > maxLRU) {
      boxes_.Information(msg::kSaveOrder);
      return;
    }

    Registry& registry = platform_.registry;
    {
      ScopedKey key(registry);
      if (registry.CreateKey(kHkeyLocalMachine, kParametersKeyPath, kParametersKeyClass,
                             reg::kOptionNonVolatile, reg::kAllAccess, key.Receive(),
                             nullptr) != err::kSuccess) {
        FailedToSet(val::kPendingLimit);
      }
      WriteDriverValue(registry, key.Get(), val::kPendingLimit, pendingLimit);
      WriteDriverValue(registry, key.Get(), val::kMinLRU, minLRU);
      WriteDriverValue(registry, key.Get(), val::kMaxLRU, maxLRU);
      WriteDriverValue(registry, key.Get(), variant.pageSizeName, pageSize);
    }
    WriteRememberedFields(registry, controls_.Edit3, controls_.Edit1);

    controls_.DRLabel1 = msg::kSaving;
    controls_.CloseRequested = true;
  });
}

void TuningModel::GradBtn1Click() { SaveAndExit({val::kPageSize}); }
void TuningModel::SaveandExit2Click() { SaveAndExit({val::kPageSize}); }
void TuningModel::SaveandExit1Click() { SaveAndExit({kMainMenuPageSizeName}); }

// -------------------------------------------------------------------------------- exit

void TuningModel::ExitWithoutSaving() {
  Guarded([&] {
    Pump();
    Record(record::kNoChanges);
    controls_.CloseRequested = true;
  });
}

void TuningModel::GradBtn2Click() { ExitWithoutSaving(); }
void TuningModel::Exit1Click() { ExitWithoutSaving(); }
void TuningModel::Exit2Click() { ExitWithoutSaving(); }

void TuningModel::FormDestroy() {
  Guarded([&] { Record(record::kExiting); });
}

}  // namespace ql::tune
