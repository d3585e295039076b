// Registry service: RegOpenKeyExA, RegCreateKeyExA, RegQueryValueExA, RegSetValueExA,
// RegCloseKey. Every call returns the status the platform gives (0 = success); on failure
// out-parameters are left untouched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/types.h"

namespace ql {

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA(parent, subkey, 0, sam, out)
  [[nodiscard]] virtual Status OpenKey(HKey parent, std::string_view subkey, std::uint32_t sam,
                                       HKey* out) = 0;

  // RegCreateKeyExA(parent, subkey, 0, className, options, sam, NULL, out, disposition).
  // disposition may be null.
  [[nodiscard]] virtual Status CreateKey(HKey parent, std::string_view subkey,
                                         std::string_view className, std::uint32_t options,
                                         std::uint32_t sam, HKey* out,
                                         std::uint32_t* disposition) = 0;

  // RegQueryValueExA(key, name, NULL, type, data, size). type and data may be null. On entry
  // *size is the room in data; on success and on kMoreData it receives the value's length.
  [[nodiscard]] virtual Status QueryValue(HKey key, std::string_view name, std::uint32_t* type,
                                          std::uint8_t* data, std::uint32_t* size) = 0;

  // RegSetValueExA(key, name, 0, type, data, size): stores exactly size bytes.
  [[nodiscard]] virtual Status SetValue(HKey key, std::string_view name, std::uint32_t type,
                                        const std::uint8_t* data, std::uint32_t size) = 0;

  // RegCloseKey(key)
  virtual Status CloseKey(HKey key) = 0;
};

// Owns one open key; closes it when it goes out of scope. Move-only.
class ScopedKey {
 public:
  ScopedKey() = default;
  explicit ScopedKey(Registry& registry) : registry_(&registry) {}
  ScopedKey(Registry& registry, HKey key) : registry_(&registry), key_(key) {}
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ScopedKey(ScopedKey&& other) noexcept
      : registry_(other.registry_), key_(std::exchange(other.key_, 0)) {}
  ScopedKey& operator=(ScopedKey&& other) noexcept {
    if (this != &other) {
      Close();
      registry_ = other.registry_;
      key_ = std::exchange(other.key_, 0);
    }
    return *this;
  }
  ~ScopedKey() { Close(); }

  [[nodiscard]] bool Valid() const { return key_ != 0; }
  [[nodiscard]] HKey Get() const { return key_; }
  // For use as the out-parameter of OpenKey/CreateKey; closes what was held before.
  HKey* Receive() {
    Close();
    return &key_;
  }
  // Transfers ownership away.
  HKey Take() { return std::exchange(key_, 0); }
  void Close() {
    if (key_ != 0 && registry_ != nullptr) registry_->CloseKey(key_);
    key_ = 0;
  }

 private:
  Registry* registry_ = nullptr;
  HKey key_ = 0;
};

}  // namespace ql
