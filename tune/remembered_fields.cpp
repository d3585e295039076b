#include "tune/remembered_fields.h"

#include <cstdint>
#include <vector>

#include "platform/types.h"
#include "tune/tune_error.h"

namespace ql::tune {

namespace {

enum class ReadResult { kMissing, kSkipped, kText };

ReadResult ReadText(Registry& registry, HKey key, const char* name, std::string* text) {
  std::uint32_t type = reg::kNone;
  std::uint32_t size = 0;
  if (registry.QueryValue(key, name, &type, nullptr, &size) != err::kSuccess) {
    return ReadResult::kMissing;
  }
  if (type != reg::kSz && type != reg::kExpandSz) return ReadResult::kSkipped;
  // One zero byte beyond the data, so a text stored without its NUL still ends.
  std::vector<std::uint8_t> data(std::size_t{size} + 1, 0);
  std::uint32_t got = size;
  if (registry.QueryValue(key, name, &type, data.data(), &got) != err::kSuccess ||
      (type != reg::kSz && type != reg::kExpandSz)) {
    // Changed under us between the two queries; leave the field as it is.
    return ReadResult::kSkipped;
  }
  if (got > size) got = size;
  std::size_t length = 0;
  while (length < got && data[length] != 0) ++length;
  text->assign(reinterpret_cast<const char*>(data.data()), length);
  return ReadResult::kText;
}

void ReadOne(Registry& registry, HKey key, const char* name, const char* fallback,
             std::string& field) {
  std::string text;
  switch (key == 0 ? ReadResult::kMissing : ReadText(registry, key, name, &text)) {
    case ReadResult::kMissing:
      field = fallback;
      break;
    case ReadResult::kSkipped:
      break;
    case ReadResult::kText:
      field = std::move(text);
      break;
  }
}

[[noreturn]] void FailedToSet(const char* name) {
  throw TuneError(std::string("Failed to set data for '") + name + "'");
}

}  // namespace

void ReadRememberedFields(Registry& registry, std::string& maxLRUField,
                          std::string& pageSizeField) {
  ScopedKey key(registry);
  if (registry.OpenKey(kHkeyCurrentUser, kRememberedKeyPath, reg::kRead, key.Receive()) !=
      err::kSuccess) {
    key.Take();  // nothing was opened
  }
  ReadOne(registry, key.Get(), kRememberedMaxLRU, kDefaultRememberedMaxLRU, maxLRUField);
  ReadOne(registry, key.Get(), kRememberedPageSize, kDefaultRememberedPageSize, pageSizeField);
}

void WriteRememberedFields(Registry& registry, const std::string& maxLRUField,
                           const std::string& pageSizeField) {
  ScopedKey key(registry);
  if (registry.CreateKey(kHkeyCurrentUser, kRememberedKeyPath, "", reg::kOptionNonVolatile,
                         reg::kAllAccess, key.Receive(), nullptr) != err::kSuccess) {
    key.Take();
    FailedToSet(kRememberedMaxLRU);
  }
  const auto write = [&](const char* name, const std::string& text) {
    if (registry.SetValue(key.Get(), name, reg::kSz,
                          reinterpret_cast<const std::uint8_t*>(text.data()),
                          static_cast<std::uint32_t>(text.size())) != err::kSuccess) {
      FailedToSet(name);
    }
  };
  write(kRememberedMaxLRU, maxLRUField);
  write(kRememberedPageSize, pageSizeField);
}

}  // namespace ql::tune
