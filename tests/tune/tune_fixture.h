// A tuning model on an in-memory machine, with the driver's key seeded and helpers to read
// what the engine showed, wrote and logged.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/driver_settings.h"
#include "sim/sim_machine.h"
#include "tune/number_text.h"
#include "tune/remembered_fields.h"
#include "tune/tuning_model.h"

namespace ql::tune::testing {

inline const std::string kParams = std::string("HKLM\\") + kParametersKeyPath;
inline const std::string kRemembered = std::string("HKCU\\") + kRememberedKeyPath;

// Memory roomy enough that no memory check fails unless a test wants it to.
inline constexpr std::uint32_t kRoomyMemory = 512u * 1024 * 1024;  // 536870912
inline constexpr std::int32_t kRoomyAvailable = 536870912 - 32000000;

struct DriverValues {
  std::uint32_t PendingLimit = 16;
  std::uint32_t MinLRU = 32;
  std::uint32_t MaxLRU = 954;
  std::uint32_t PageSize = 32768;
  std::uint32_t LazyWrite = 1;
};

class TuneTest : public ::testing::Test {
 protected:
  TuneTest() { machine.memory.SetTotalPhys(kRoomyMemory); }

  void SeedDriver(const DriverValues& v = {}) {
    auto& r = machine.registry;
    r.SetDword(kParams, "PendingLimit", v.PendingLimit);
    r.SetDword(kParams, "MinLRU", v.MinLRU);
    r.SetDword(kParams, "MaxLRU", v.MaxLRU);
    r.SetDword(kParams, "PageSize", v.PageSize);
    r.SetDword(kParams, "LazyWrite", v.LazyWrite);
  }

  void SeedRemembered(const std::string& maxLRU, const std::string& pageSize) {
    machine.registry.SetString(kRemembered, kRememberedMaxLRU, maxLRU, false);
    machine.registry.SetString(kRemembered, kRememberedPageSize, pageSize, false);
  }

  // A model over the machine, not yet loaded.
  TuningModel& Model() {
    if (!model_) model_ = std::make_unique<TuningModel>(machine.platform());
    return *model_;
  }

  // Seeds (when asked), loads, and forgets the boxes and records loading made.
  TuningModel& Loaded(const DriverValues& v = {}, bool seedRemembered = true,
                      const std::string& maxLRU = "954", const std::string& pageSize = "32768") {
    SeedDriver(v);
    if (seedRemembered) SeedRemembered(maxLRU, pageSize);
    TuningModel& m = Model();
    EXPECT_TRUE(m.Load()) << machine.ui.ToString();
    machine.ui.Clear();
    machine.registry.ClearCalls();
    return m;
  }

  const TuneControls& C() { return Model().controls(); }
  TuneControls& Mutable() { return Model().controls(); }

  std::vector<std::string> Boxes() const { return machine.ui.Texts(); }
  std::vector<std::string> Records() const {
    std::vector<std::string> out;
    for (const auto& r : machine.eventLog.Records()) {
      // The text after the user-name line.
      const std::string& s = r.strings.empty() ? std::string() : r.strings.front();
      const auto at = s.rfind("\r\n");
      out.push_back(at == std::string::npos ? s : s.substr(at + 2));
    }
    return out;
  }
  std::vector<std::string> WrittenNames() const {
    std::vector<std::string> out;
    for (const auto& w : machine.registry.Writes()) out.push_back(w.valueName);
    return out;
  }
  std::optional<std::uint32_t> Driver(const char* name) const {
    return machine.registry.GetDword(kParams, name);
  }
  std::optional<std::vector<std::uint8_t>> RememberedBytes(const char* name) const {
    return machine.registry.GetBytes(kRemembered, name);
  }

  // The driver's parameters and the remembered fields, as REGEDIT4 text.
  static std::string TuningKeys(const sim::SimRegistry& registry) {
    return registry.ExportReg(kParams) + registry.ExportReg(kRemembered);
  }

  void SetMemory(std::uint32_t totalPhys) { machine.memory.SetTotalPhys(totalPhys); }

  // Every 3000 ms of virtual time the periodic check runs, as the window's timer delivers it.
  // Firings never overlap: one that falls due while a check is still running waits.
  void StartPeriodicTimer() {
    (void)machine.clock.SetTimer(kWindow, kTimerId, 3000, [this](std::uint32_t) {
      if (inTimer_) return;
      inTimer_ = true;
      Model().SuperTimer1Timer();
      inTimer_ = false;
    });
  }

  // The user takes this long to close each box that is not shown over another one; the
  // window's thread keeps dispatching messages meanwhile.
  void UserAnswersAfter(std::uint64_t milliseconds) {
    machine.ui.SetHandler([this, milliseconds](const sim::SimUi::MessageBoxRecord& box) {
      events.push_back("open: " + box.text);
      if (++depth_ == 1) machine.clock.Pump(milliseconds);
      --depth_;
      events.push_back("close: " + box.text);
      return mb::kIdOk;
    });
  }

  static constexpr WindowRef kWindow = 0x1234;
  static constexpr std::uint32_t kTimerId = 1;

  sim::SimMachine machine;
  std::vector<std::string> events;  // boxes opened and closed, in order

 private:
  std::unique_ptr<TuningModel> model_;
  bool inTimer_ = false;
  int depth_ = 0;
};

}  // namespace ql::tune::testing
