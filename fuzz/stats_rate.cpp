// QLSTATS's rate box: the text parsed as a whole number (blanks around it, an optional sign,
// decimal digits, signed 32 bits), against a plain reading of that rule, and the same text
// taken by the monitor's OK, which accepts 1 to 3600 in a text of at most the length the
// window reads and refuses anything else with one message. Input: the text, any bytes and
// any length.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/decimal_model.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_platform.h"
#include "stats/stats_dialog.h"

namespace {

std::optional<std::int32_t> Expected(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return ql::fuzz::SignedDecimal(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> parsed = ql::stats::ParseInteger(text);
  QL_FUZZ_CHECK(parsed == Expected(text));

  ql::fuzz::ScriptedDisks disks;
  ql::fuzz::CountingUi ui;
  ql::Platform platform = ql::fuzz::PlatformWith(disks, ui);
  ql::stats::StatsDialog dialog(platform, "\\\\.\\QlDrv");
  dialog.OnInit(1, "About QlStats...");
  dialog.SetRateText(text);
  dialog.OnOk();
  const bool accepted = text.size() <= ql::stats::kMaxRateTextLength && parsed &&
                        *parsed >= ql::stats::kMinSamplingRate &&
                        *parsed <= ql::stats::kMaxSamplingRate;
  if (accepted) {
    QL_FUZZ_CHECK(dialog.SamplingRate() == *parsed);
    QL_FUZZ_CHECK(ui.boxes == 0);
  } else {
    QL_FUZZ_CHECK(dialog.SamplingRate() == ql::stats::kInitialSamplingRate);
    QL_FUZZ_CHECK(ui.boxes == 1);
    QL_FUZZ_CHECK(dialog.TakeRateFocusRequest());
  }
  QL_FUZZ_CHECK(ql::fuzz::SharedMachine().Leaks().empty());
  return 0;
}
