// Registry on the real machine: the advapi32 A functions.
#pragma once

#include "platform/registry.h"

namespace ql::win32 {

class Win32Registry final : public Registry {
 public:
  [[nodiscard]] Status OpenKey(HKey parent, std::string_view subkey, std::uint32_t sam,
                               HKey* out) override;
  [[nodiscard]] Status CreateKey(HKey parent, std::string_view subkey, std::string_view className,
                                 std::uint32_t options, std::uint32_t sam, HKey* out,
                                 std::uint32_t* disposition) override;
  [[nodiscard]] Status QueryValue(HKey key, std::string_view name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) override;
  [[nodiscard]] Status SetValue(HKey key, std::string_view name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) override;
  Status CloseKey(HKey key) override;
};

}  // namespace ql::win32
