// A sim machine seeded the way a machine looks before the wizard's first run, and the
// helpers the wizard's tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/driver_settings.h"
#include "config/install.h"
#include "config/pages.h"
#include "sim/sim_machine.h"

namespace ql::config::testing {

inline constexpr char kHklm[] = "HKLM\\";
inline const std::string kServiceKey = std::string(kHklm) + kServiceKeyPath;
inline const std::string kParametersKey = std::string(kHklm) + kParametersKeyPath;
inline const std::string kEventSourceKey = std::string(kHklm) + kEventSourceKeyPath;
inline const std::string kGroupOrderKey = std::string(kHklm) + kGroupOrderKeyPath;
inline const std::string kMemoryKey = std::string(kHklm) + kMemoryManagementKeyPath;

inline std::vector<std::uint8_t> Dword(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

inline std::vector<std::uint8_t> Text(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// What the wizard wrote to its standard error stream.
class CapturedErrors : public ErrorStream {
 public:
  void Write(std::string_view text) override { text_ += text; }
  [[nodiscard]] const std::string& str() const { return text_; }

 private:
  std::string text_;
};

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(machine.registry.ImportRegFile(QL_FIXTURES_DIR "/qlconfig_fresh.reg", &error))
        << error;
  }

  // The type and exact bytes of a value, or type 0 and no bytes when it is missing.
  std::pair<std::uint32_t, std::vector<std::uint8_t>> Value(const std::string& key,
                                                            std::string_view name) const {
    const auto bytes = machine.registry.GetBytes(key, name);
    const auto type = machine.registry.GetType(key, name);
    return {type.value_or(0), bytes.value_or(std::vector<std::uint8_t>{})};
  }

  std::vector<std::string> GroupOrder() const {
    return machine.registry.GetMultiSz(kGroupOrderKey, val::kList)
        .value_or(std::vector<std::string>{});
  }

  sim::SimMachine machine;
  Platform platform = machine.platform();
  CapturedErrors errors;
};

}  // namespace ql::config::testing

namespace ql::config::testing {

// The property sheet as the pages see it: the wizard buttons and the caption last set.
class FakeSheet : public WizardSheet {
 public:
  void SetWizardButtons(std::uint32_t flags) override { buttons.push_back(flags); }
  void SetCaption(std::string_view text) override { caption = text; }
  [[nodiscard]] std::uint32_t Buttons() const { return buttons.empty() ? 0 : buttons.back(); }
  std::vector<std::uint32_t> buttons;
  std::string caption;
};

}  // namespace ql::config::testing
