// The sim's REGEDIT4 reader, which every test fixture goes through. Input: the text, any
// bytes and any length. A text that imports exports to a text that imports to the same
// registry; a text that does not import leaves the registry as it was and says why.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "sim/sim_registry.h"

namespace {

constexpr std::string_view kStart =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters]\n"
    "\"PageSize\"=dword:00008000\n\"DosDevice\"=hex(1):43,3a\n\"Name\"=\"text\"\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ql::sim::SimRegistry registry;
  std::string error;
  if (!registry.ImportReg(text, &error)) {
    QL_FUZZ_CHECK(!error.empty());
    static const std::string empty = ql::sim::SimRegistry().ExportReg();
    QL_FUZZ_CHECK(registry.ExportReg() == empty);
    // Nor does it change a registry that holds something.
    ql::sim::SimRegistry holding;
    QL_FUZZ_CHECK(holding.ImportReg(kStart, &error));
    const std::string before = holding.ExportReg();
    QL_FUZZ_CHECK(!holding.ImportReg(text, &error));
    QL_FUZZ_CHECK(holding.ExportReg() == before);
    return 0;
  }
  const std::string exported = registry.ExportReg();
  ql::sim::SimRegistry again;
  error.clear();
  QL_FUZZ_CHECK(again.ImportReg(exported, &error));
  QL_FUZZ_CHECK(again.ExportReg() == exported);
  return 0;
}
