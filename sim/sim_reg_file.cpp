// REGEDIT4 import and export of the sim registry.
//
// The importer checks the whole text before it changes anything, so a fixture with one bad
// line leaves the registry as it was and says which line is wrong.
#include <cstdint>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <vector>

#include "sim/sim_registry.h"
#include "sim/sim_text.h"

namespace ql::sim {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";

struct Line {
  std::size_t number;  // first physical line, from 1
  std::string text;
};

struct Operation {
  enum class Kind { kKey, kDeleteKey, kSetValue, kDeleteValue } kind;
  std::string keyPath;
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Whether a line ends with a backslash that lies outside any quoted string: the sign that
// it continues on the next line.
bool Continues(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.back() != '\\' || line.front() == '[') return false;
  bool quoted = false;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    if (quoted && line[i] == '\\') {
      ++i;                                     // the escaped character
      if (i + 1 >= line.size()) return false;  // the final backslash was escaped
    } else if (line[i] == '"') {
      quoted = !quoted;
    }
  }
  return !quoted;
}

std::vector<Line> LogicalLines(std::string_view text) {
  std::vector<std::string> physical;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      physical.push_back(std::move(current));
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) physical.push_back(std::move(current));

  std::vector<Line> lines;
  for (std::size_t i = 0; i < physical.size(); ++i) {
    Line line{i + 1, physical[i]};
    while (Continues(line.text) && i + 1 < physical.size()) {
      std::string_view trimmed = Trim(line.text);
      trimmed.remove_suffix(1);  // the backslash
      line.text = std::string(trimmed) + std::string(Trim(physical[++i]));
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses 1 to maxDigits hex digits, the whole text.
bool ParseHex(std::string_view text, std::size_t maxDigits, std::uint32_t* value) {
  if (text.empty() || text.size() > maxDigits) return false;
  std::uint32_t result = 0;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    result = (result << 4) | static_cast<std::uint32_t>(digit);
  }
  *value = result;
  return true;
}

// Reads a quoted string at the start of text (after the opening quote has been seen at
// text[0]); *rest receives what follows the closing quote.
bool ParseQuoted(std::string_view text, std::string* out, std::string_view* rest,
                 std::string* why) {
  out->clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      *rest = text.substr(i + 1);
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= text.size()) break;
      const char next = text[++i];
      if (next != '\\' && next != '"') {
        *why = std::string("unknown escape \\") + next + " (only \\\\ and \\\" are allowed)";
        return false;
      }
      *out += next;
    } else {
      *out += c;
    }
  }
  *why = "string without its closing quote";
  return false;
}

bool ParseHexList(std::string_view text, std::vector<std::uint8_t>* out, std::string* why) {
  out->clear();
  text = Trim(text);
  if (text.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item = Trim(text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    std::uint32_t byte = 0;
    if (!ParseHex(item, 2, &byte)) {
      *why = "bad byte \"" + std::string(item) + "\" in hex data (want two hex digits)";
      return false;
    }
    out->push_back(static_cast<std::uint8_t>(byte));
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

// Parses the data part after '=' into a type and bytes, or a deletion.
bool ParseData(std::string_view data, Operation* op, std::string* why) {
  data = Trim(data);
  if (data == "-") {
    op->kind = Operation::Kind::kDeleteValue;
    return true;
  }
  op->kind = Operation::Kind::kSetValue;
  if (!data.empty() && data.front() == '"') {
    std::string text;
    std::string_view rest;
    if (!ParseQuoted(data, &text, &rest, why)) return false;
    if (!Trim(rest).empty()) {
      *why = "unexpected text after the string: \"" + std::string(Trim(rest)) + "\"";
      return false;
    }
    op->type = reg::kSz;
    op->data.assign(text.begin(), text.end());
    op->data.push_back(0);  // stored with its terminator, as the platform's importer does
    return true;
  }
  const std::size_t colon = data.find(':');
  if (colon == std::string_view::npos) {
    *why = "value data must be \"text\", -, dword:, hex: or hex(N):";
    return false;
  }
  const std::string kind = Fold(Trim(data.substr(0, colon)));
  const std::string_view payload = data.substr(colon + 1);
  if (kind == "dword") {
    std::uint32_t value = 0;
    if (!ParseHex(Trim(payload), 8, &value)) {
      *why = "dword: needs 1 to 8 hex digits, got \"" + std::string(Trim(payload)) + "\"";
      return false;
    }
    op->type = reg::kDword;
    op->data = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return true;
  }
  if (kind == "hex") {
    op->type = reg::kBinary;
  } else if (kind.size() > 5 && kind.compare(0, 4, "hex(") == 0 && kind.back() == ')') {
    if (!ParseHex(std::string_view(kind).substr(4, kind.size() - 5), 8, &op->type)) {
      *why = "bad type in \"" + kind + "\" (want hex(N) with N in hex)";
      return false;
    }
  } else {
    *why = "unknown data kind \"" + kind + "\"";
    return false;
  }
  return ParseHexList(payload, &op->data, why);
}

bool ParseKeyPath(std::string_view path, std::string* out, std::string* why) {
  HKey root = 0;
  std::string_view rest;
  if (!SimRegistry::SplitRoot(path, &root, &rest)) {
    *why = "unknown root in [" + std::string(path) + "]";
    return false;
  }
  if (!rest.empty()) {
    if (rest.back() == '\\') rest.remove_suffix(1);
    std::size_t start = 0;
    for (;;) {
      const std::size_t slash = rest.find('\\', start);
      if (slash == start || start >= rest.size()) {
        *why = "empty key name in [" + std::string(path) + "]";
        return false;
      }
      if (slash == std::string_view::npos) break;
      start = slash + 1;
    }
  }
  *out = std::string(SimRegistry::RootName(root));
  if (!rest.empty()) *out += "\\" + std::string(rest);
  return true;
}

}  // namespace

bool SimRegistry::ImportReg(std::string_view text, std::string* error) {
  auto fail = [&](std::size_t line, const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(line) + ": " + why;
    return false;
  };
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const std::vector<Line> lines = LogicalLines(text);

  std::vector<Operation> ops;
  bool header = false;
  bool inDeletedKey = false;
  std::string section;
  for (const auto& line : lines) {
    const std::string_view content = Trim(line.text);
    if (content.empty()) continue;
    if (!header) {
      if (content != kHeader) return fail(line.number, "the text must begin with REGEDIT4");
      header = true;
      continue;
    }
    if (content.front() == ';') continue;
    if (content.front() == '[') {
      if (content.back() != ']') return fail(line.number, "section without its closing ]");
      std::string_view path = content.substr(1, content.size() - 2);
      Operation op{Operation::Kind::kKey, {}, {}, 0, {}};
      if (!path.empty() && path.front() == '-') {
        op.kind = Operation::Kind::kDeleteKey;
        path.remove_prefix(1);
      }
      std::string why;
      if (!ParseKeyPath(path, &op.keyPath, &why)) return fail(line.number, why);
      if (op.kind == Operation::Kind::kDeleteKey && op.keyPath.find('\\') == std::string::npos) {
        return fail(line.number, "a root key cannot be deleted");
      }
      inDeletedKey = op.kind == Operation::Kind::kDeleteKey;
      section = op.keyPath;
      ops.push_back(std::move(op));
      continue;
    }
    if (section.empty()) return fail(line.number, "value outside of any [key] section");
    if (inDeletedKey) return fail(line.number, "value in a section that deletes its key");

    Operation op{Operation::Kind::kSetValue, section, {}, 0, {}};
    std::string_view rest;
    std::string why;
    if (content.front() == '@') {
      rest = content.substr(1);
    } else if (content.front() == '"') {
      if (!ParseQuoted(content, &op.name, &rest, &why)) return fail(line.number, why);
    } else {
      return fail(line.number, "expected [key], \"name\"=, @= or a ; comment");
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=') return fail(line.number, "expected = after the name");
    if (!ParseData(rest.substr(1), &op, &why)) return fail(line.number, why);
    ops.push_back(std::move(op));
  }
  if (!header) return fail(1, "the text must begin with REGEDIT4");

  for (auto& op : ops) {
    switch (op.kind) {
      case Operation::Kind::kKey:
        CreateKeyPath(op.keyPath);
        break;
      case Operation::Kind::kDeleteKey:
        DeleteKey(op.keyPath);
        break;
      case Operation::Kind::kSetValue:
        SetRaw(op.keyPath, op.name, op.type, std::move(op.data));
        break;
      case Operation::Kind::kDeleteValue:
        DeleteValue(op.keyPath, op.name);
        break;
    }
  }
  if (error != nullptr) error->clear();
  return true;
}

bool SimRegistry::ImportRegFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error != nullptr) *error = "cannot open " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (!ImportReg(text.str(), error)) {
    if (error != nullptr) *error = path + ": " + *error;
    return false;
  }
  return true;
}

namespace {

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// A REG_SZ whose bytes are text and exactly one final NUL imports back the same as "text".
bool PlainString(const std::vector<std::uint8_t>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
  }
  return true;
}

}  // namespace

void SimRegistry::ExportKey(const Key& key, std::string* out) const {
  const bool isRoot = key.path.find('\\') == std::string::npos;
  if (!isRoot || !key.values.empty()) {
    *out += "[" + key.path + "]\r\n";
    for (const auto& value : key.values) {
      std::string line = value.name.empty() ? "@" : Quote(value.name);
      line += '=';
      if (value.type == reg::kSz && PlainString(value.data)) {
        line += Quote(std::string(value.data.begin(), value.data.end() - 1));
      } else if (value.type == reg::kDword && value.data.size() == 4) {
        std::ostringstream hex;
        const std::uint32_t v = static_cast<std::uint32_t>(value.data[0]) |
                                (static_cast<std::uint32_t>(value.data[1]) << 8) |
                                (static_cast<std::uint32_t>(value.data[2]) << 16) |
                                (static_cast<std::uint32_t>(value.data[3]) << 24);
        hex << "dword:" << std::hex << std::setw(8) << std::setfill('0') << v;
        line += hex.str();
      } else {
        std::ostringstream kind;
        if (value.type == reg::kBinary) {
          kind << "hex:";
        } else {
          kind << "hex(" << std::hex << value.type << "):";
        }
        line += kind.str();
        // Wrapped as the platform's editor wraps long data: a comma, a backslash, and the
        // next line indented by two spaces.
        for (std::size_t i = 0; i < value.data.size(); ++i) {
          static constexpr char kDigits[] = "0123456789abcdef";
          line += kDigits[value.data[i] >> 4];
          line += kDigits[value.data[i] & 0xF];
          if (i + 1 < value.data.size()) {
            line += ',';
            const std::size_t lineStart =
                line.rfind('\n') == std::string::npos ? 0 : line.rfind('\n') + 1;
            if (line.size() - lineStart > 74) line += "\\\r\n  ";
          }
        }
      }
      *out += line + "\r\n";
    }
    *out += "\r\n";
  }
  for (const auto& [name, child] : key.children) ExportKey(*child, out);
}

std::string SimRegistry::ExportReg(std::string_view keyPath) const {
  std::string out = std::string(kHeader) + "\r\n\r\n";
  if (keyPath.empty()) {
    for (const auto& [handle, root] : roots_) ExportKey(*root, &out);
  } else if (auto key = FindKey(keyPath)) {
    ExportKey(*key, &out);
  }
  return out;
}

}  // namespace ql::sim
