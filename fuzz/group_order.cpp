// The wizard's rebuild of the system's group order. Input: the first byte is the type the
// List value is stored with, the rest its bytes, of any length. The list is rebuilt directly
// and through the wizard's preparation of the registry on a sim machine.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/driver_settings.h"
#include "config/install.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_platform.h"

namespace {

constexpr char kGroupOrderKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\ServiceGroupOrder";

class NoErrors : public ql::config::ErrorStream {
 public:
  void Write(std::string_view) override {}
};

// The entries of a multi-string up to its first empty entry or its end.
std::vector<std::string> Entries(std::span<const std::uint8_t> list) {
  std::vector<std::string> entries;
  std::size_t pos = 0;
  while (pos < list.size() && list[pos] != 0) {
    std::size_t end = pos;
    while (end < list.size() && list[end] != 0) ++end;
    entries.emplace_back(reinterpret_cast<const char*>(list.data()) + pos, end - pos);
    pos = end + 1;
  }
  return entries;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void CheckRebuild(std::span<const std::uint8_t> old) {
  const auto rebuilt = ql::config::RebuildGroupOrder(old, ql::kDriverGroup);
  // A list that names the group anywhere is left as it is, even where a "filter" entry
  // stands before it.
  if (rebuilt.present) return;
  QL_FUZZ_CHECK(rebuilt.list.size() >= rebuilt.writeLength);
  QL_FUZZ_CHECK(rebuilt.writeLength ==
                old.size() + (rebuilt.inserted ? sizeof ql::kDriverGroup : 0));

  // The old entries in their order, the group once before the first "filter" entry.
  const std::vector<std::string> before = Entries(old);
  const std::vector<std::string> after = Entries(rebuilt.list);
  QL_FUZZ_CHECK(after.size() == before.size() + (rebuilt.inserted ? 1 : 0));
  std::size_t a = 0;
  bool seenFilter = false;
  for (const std::string& entry : before) {
    if (!seenFilter && SameIgnoringCase(entry, ql::config::kFilterGroup)) {
      seenFilter = true;
      QL_FUZZ_CHECK(after[a++] == ql::kDriverGroup);
    }
    QL_FUZZ_CHECK(after[a++] == entry);
  }
  QL_FUZZ_CHECK(seenFilter == rebuilt.inserted);
  // What is stored reads back as a list that holds the group: a second run writes nothing.
  if (rebuilt.inserted) {
    const auto again = ql::config::RebuildGroupOrder(
        std::span<const std::uint8_t>(rebuilt.list.data(), rebuilt.writeLength), ql::kDriverGroup);
    QL_FUZZ_CHECK(again.present);
  }
}

void CheckPreparation(std::uint32_t type, std::span<const std::uint8_t> bytes) {
  ql::sim::SimMachine& machine = ql::fuzz::SharedMachine();
  machine.registry.ClearCalls();
  machine.registry.SetDword(
      "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
      "NonPagedPoolSize", 0);
  machine.registry.SetRaw(kGroupOrderKey, "List", type,
                          std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  ql::fuzz::ScriptedDisks disks;
  ql::fuzz::CountingUi ui;
  ql::DriverSettings settings;
  NoErrors errors;
  QL_FUZZ_CHECK(ql::config::PrepareRegistry(ql::fuzz::PlatformWith(disks, ui), settings,
                                            ql::kDriverName, errors) ==
                (bytes.size() <= ql::config::kGroupOrderBytes));
  QL_FUZZ_CHECK(ui.boxes == 0);

  const auto stored = machine.registry.GetBytes(kGroupOrderKey, "List");
  QL_FUZZ_CHECK(stored.has_value());
  if (bytes.size() > ql::config::kGroupOrderBytes) {
    // Longer than the wizard's buffer: the query fails and nothing is written.
    QL_FUZZ_CHECK(*stored == std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  } else {
    const auto rebuilt = ql::config::RebuildGroupOrder(bytes, ql::kDriverGroup);
    if (rebuilt.present) {
      QL_FUZZ_CHECK(*stored == std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    } else {
      QL_FUZZ_CHECK(stored->size() == rebuilt.writeLength);
      QL_FUZZ_CHECK(std::equal(stored->begin(), stored->end(), rebuilt.list.begin()));
    }
  }
  QL_FUZZ_CHECK(machine.registry.OpenKeyCount() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> list(data + 1, size - 1);
  CheckRebuild(list);
  CheckPreparation(data[0], list);
  return 0;
}
