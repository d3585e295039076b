// Small text helpers the sims share: ASCII case folding as the registry and the file system
// compare names.
#pragma once

#include <string>
#include <string_view>

namespace ql::sim {

inline char FoldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = FoldChar(c);
  return out;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

// Text of a possibly null C string, for records.
inline std::string OrEmpty(const char* text) { return text == nullptr ? std::string() : text; }

}  // namespace ql::sim
