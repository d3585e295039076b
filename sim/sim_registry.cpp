#include "sim/sim_registry.h"

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <utility>

#include "sim/sim_text.h"

namespace ql::sim {

namespace {

// Access bits that write: KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE,
// WRITE_DAC, WRITE_OWNER, GENERIC_WRITE, GENERIC_ALL.
constexpr std::uint32_t kWriteBits =
    0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000 | 0x40000000u | 0x10000000u;
constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kGenericAll = 0x10000000u;
constexpr std::uint32_t kMaximumAllowed = 0x02000000u;

// The rights a requested mask grants, with generic rights mapped.
std::uint32_t MapGeneric(std::uint32_t sam, bool mayWrite) {
  std::uint32_t granted = sam & 0x00FFFFFFu;
  if (sam & kGenericRead) granted |= reg::kRead;
  if (sam & kGenericWrite) granted |= reg::kWrite;
  if (sam & kGenericAll) granted |= reg::kAllAccess;
  if (sam & kMaximumAllowed) granted |= mayWrite ? reg::kAllAccess : reg::kRead;
  return granted;
}

struct RootEntry {
  HKey handle;
  std::string_view longName;
  std::string_view shortName;
};
constexpr RootEntry kRoots[] = {
    {kHkeyClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {kHkeyCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {kHkeyUsers, "HKEY_USERS", "HKU"},
};

bool IsPredefined(HKey key) {
  return std::any_of(std::begin(kRoots), std::end(kRoots),
                     [&](const RootEntry& r) { return r.handle == key; });
}

// Splits a relative key path into its names. A single trailing backslash is allowed; a
// leading one or an empty name in between is a bad path.
bool SplitNames(std::string_view path, std::vector<std::string_view>* names) {
  names->clear();
  if (path.empty()) return true;
  if (path.back() == '\\') path.remove_suffix(1);
  if (path.empty() || path.front() == '\\') return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('\\', start);
    const std::string_view name =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (name.empty()) return false;
    names->push_back(name);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

std::string JoinPath(std::string_view base, std::string_view subkey) {
  while (!subkey.empty() && subkey.back() == '\\') subkey.remove_suffix(1);
  if (subkey.empty()) return std::string(base);
  std::string out(base);
  out += '\\';
  out += subkey;
  return out;
}

}  // namespace

const char* RegOpName(RegOp op) {
  switch (op) {
    case RegOp::kAny:
      return "any";
    case RegOp::kOpen:
      return "open";
    case RegOp::kCreate:
      return "create";
    case RegOp::kQuery:
      return "query";
    case RegOp::kSet:
      return "set";
    case RegOp::kClose:
      return "close";
  }
  return "?";
}

// --- Key ---------------------------------------------------------------------------------

SimRegistry::Value* SimRegistry::Key::FindValue(std::string_view valueName) {
  for (auto& value : values) {
    if (EqualsNoCase(value.name, valueName)) return &value;
  }
  return nullptr;
}

const SimRegistry::Value* SimRegistry::Key::FindValue(std::string_view valueName) const {
  for (const auto& value : values) {
    if (EqualsNoCase(value.name, valueName)) return &value;
  }
  return nullptr;
}

void SimRegistry::Key::SetValue(std::string_view valueName, std::uint32_t type,
                                std::vector<std::uint8_t> data) {
  if (Value* existing = FindValue(valueName)) {
    // The name keeps the case it was created with.
    existing->type = type;
    existing->data = std::move(data);
    return;
  }
  values.push_back(Value{std::string(valueName), type, std::move(data)});
}

// --- Construction and lookup ---------------------------------------------------------------

SimRegistry::SimRegistry() {
  for (const auto& root : kRoots) {
    auto key = std::make_shared<Key>();
    key->name = std::string(root.longName);
    key->path = std::string(root.longName);
    roots_[root.handle] = std::move(key);
  }
}

SimRegistry::~SimRegistry() = default;

bool SimRegistry::SplitRoot(std::string_view keyPath, HKey* root, std::string_view* rest) {
  const std::size_t slash = keyPath.find('\\');
  const std::string_view head = keyPath.substr(0, slash);
  for (const auto& entry : kRoots) {
    if (EqualsNoCase(head, entry.longName) || EqualsNoCase(head, entry.shortName)) {
      *root = entry.handle;
      *rest = slash == std::string_view::npos ? std::string_view() : keyPath.substr(slash + 1);
      return true;
    }
  }
  return false;
}

std::string_view SimRegistry::RootName(HKey root) {
  for (const auto& entry : kRoots) {
    if (entry.handle == root) return entry.longName;
  }
  return {};
}

std::shared_ptr<SimRegistry::Key> SimRegistry::RootKey(HKey root) const {
  auto it = roots_.find(root);
  return it == roots_.end() ? nullptr : it->second;
}

bool SimRegistry::BelowLocalMachine(const Key& key) const {
  const std::string_view root = RootName(kHkeyLocalMachine);
  return key.path.compare(0, root.size(), root) == 0;
}

std::shared_ptr<SimRegistry::Key> SimRegistry::Resolve(HKey handle, std::uint32_t* sam) const {
  if (IsPredefined(handle)) {
    auto key = RootKey(handle);
    if (sam != nullptr) {
      *sam = (administrator_ || handle != kHkeyLocalMachine) ? reg::kAllAccess : reg::kRead;
    }
    return key;
  }
  auto it = handles_.find(handle);
  if (it == handles_.end()) return nullptr;
  if (sam != nullptr) *sam = it->second.sam;
  return it->second.key;
}

std::shared_ptr<SimRegistry::Key> SimRegistry::Walk(const std::shared_ptr<Key>& from,
                                                    std::string_view subkey) const {
  std::vector<std::string_view> names;
  if (!SplitNames(subkey, &names)) return nullptr;
  std::shared_ptr<Key> key = from;
  for (const auto name : names) {
    auto it = key->children.find(Fold(name));
    if (it == key->children.end()) return nullptr;
    key = it->second;
  }
  return key;
}

std::shared_ptr<SimRegistry::Key> SimRegistry::FindKey(std::string_view keyPath) const {
  HKey root = 0;
  std::string_view rest;
  if (!SplitRoot(keyPath, &root, &rest)) return nullptr;
  return Walk(RootKey(root), rest);
}

std::shared_ptr<SimRegistry::Key> SimRegistry::MakeKey(std::string_view keyPath,
                                                       std::string_view className) {
  HKey root = 0;
  std::string_view rest;
  if (!SplitRoot(keyPath, &root, &rest)) return nullptr;
  std::vector<std::string_view> names;
  if (!SplitNames(rest, &names)) return nullptr;
  std::shared_ptr<Key> key = RootKey(root);
  for (const auto name : names) {
    auto& slot = key->children[Fold(name)];
    if (!slot) {
      slot = std::make_shared<Key>();
      slot->name = std::string(name);
      slot->path = key->path + "\\" + std::string(name);
      slot->className = std::string(className);
    }
    key = slot;
  }
  return key;
}

void SimRegistry::MarkDeleted(Key& key) {
  key.deleted = true;
  for (auto& [name, child] : key.children) MarkDeleted(*child);
}

HKey SimRegistry::NewHandle(std::shared_ptr<Key> key, std::uint32_t sam) {
  const HKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = OpenHandle{std::move(key), sam};
  return handle;
}

// --- Faults and records ---------------------------------------------------------------------

void SimRegistry::InjectFault(RegFault fault) {
  if (!fault.keyPath.empty()) {
    HKey root = 0;
    std::string_view rest;
    if (SplitRoot(fault.keyPath, &root, &rest)) {
      fault.keyPath = JoinPath(RootName(root), rest);
    }
  }
  faults_.push_back(ArmedFault{std::move(fault), 0});
}

void SimRegistry::ClearFaults() {
  faults_.clear();
  anyCallFaults.Clear();
}

Status SimRegistry::Injected(RegOp op, const std::string& keyPath, std::string_view valueName) {
  Status status = anyCallFaults.OnCall();
  for (auto& armed : faults_) {
    const RegFault& fault = armed.fault;
    if (fault.op != RegOp::kAny && fault.op != op) continue;
    if (!fault.keyPath.empty() && !EqualsNoCase(fault.keyPath, keyPath)) continue;
    if (fault.valueName && !EqualsNoCase(*fault.valueName, valueName)) continue;
    ++armed.seen;
    if (status == err::kSuccess && (fault.nth == 0 || fault.nth == armed.seen)) {
      status = fault.status;
    }
  }
  return status;
}

Status SimRegistry::Record(RegCall call) {
  const Status status = call.status;
  calls_.push_back(std::move(call));
  return status;
}

std::vector<RegCall> SimRegistry::Writes() const {
  std::vector<RegCall> out;
  for (const auto& call : calls_) {
    if (call.op == RegOp::kSet && call.status == err::kSuccess) out.push_back(call);
  }
  return out;
}

// --- Registry ---------------------------------------------------------------------------------

Status SimRegistry::OpenKey(HKey parent, std::string_view subkey, std::uint32_t sam, HKey* out) {
  RegCall call{RegOp::kOpen, {}, {}, sam, 0, {}, 0};
  const auto parentKey = Resolve(parent, nullptr);
  if (parentKey) call.keyPath = JoinPath(parentKey->path, subkey);
  if ((call.status = Injected(RegOp::kOpen, call.keyPath, {})) != err::kSuccess) {
    return Record(std::move(call));
  }
  if (!parentKey) {
    call.status = err::kInvalidHandle;
  } else if (parentKey->deleted) {
    call.status = simerr::kKeyDeleted;
  } else if (out == nullptr) {
    call.status = err::kInvalidParameter;
  } else {
    std::vector<std::string_view> names;
    if (!SplitNames(subkey, &names)) {
      call.status = simerr::kBadPathname;
    } else if (auto key = Walk(parentKey, subkey); !key) {
      call.status = err::kFileNotFound;
    } else if (!administrator_ && BelowLocalMachine(*key) && (sam & kWriteBits) != 0) {
      call.status = err::kAccessDenied;
    } else if (names.empty() && IsPredefined(parent)) {
      *out = parent;  // the platform hands back the predefined key itself
    } else {
      *out = NewHandle(key, MapGeneric(sam, administrator_ || !BelowLocalMachine(*key)));
    }
  }
  return Record(std::move(call));
}

Status SimRegistry::CreateKey(HKey parent, std::string_view subkey, std::string_view className,
                              std::uint32_t options, std::uint32_t sam, HKey* out,
                              std::uint32_t* disposition) {
  (void)options;  // volatile and non-volatile keys live alike in memory
  RegCall call{RegOp::kCreate, {}, {}, sam, 0, {}, 0};
  const auto parentKey = Resolve(parent, nullptr);
  if (parentKey) call.keyPath = JoinPath(parentKey->path, subkey);
  if ((call.status = Injected(RegOp::kCreate, call.keyPath, {})) != err::kSuccess) {
    return Record(std::move(call));
  }
  std::vector<std::string_view> names;
  if (!parentKey) {
    call.status = err::kInvalidHandle;
  } else if (parentKey->deleted) {
    call.status = simerr::kKeyDeleted;
  } else if (out == nullptr) {
    call.status = err::kInvalidParameter;
  } else if (!SplitNames(subkey, &names)) {
    call.status = simerr::kBadPathname;
  } else {
    const bool below = BelowLocalMachine(*parentKey);
    auto existing = Walk(parentKey, subkey);
    if (!administrator_ && below && (!existing || (sam & kWriteBits) != 0)) {
      call.status = err::kAccessDenied;
    } else {
      std::uint32_t how = reg::kOpenedExistingKey;
      if (!existing) {
        // Missing parents are made as well; the class goes to the key asked for.
        existing = MakeKey(call.keyPath, {});
        existing->className = std::string(className);
        how = reg::kCreatedNewKey;
      }
      *out = NewHandle(existing, MapGeneric(sam, administrator_ || !below));
      if (disposition != nullptr) *disposition = how;
    }
  }
  return Record(std::move(call));
}

Status SimRegistry::QueryValue(HKey key, std::string_view name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
  RegCall call{RegOp::kQuery, {}, std::string(name), 0, 0, {}, 0};
  std::uint32_t granted = 0;
  const auto target = Resolve(key, &granted);
  if (target) call.keyPath = target->path;
  if ((call.status = Injected(RegOp::kQuery, call.keyPath, name)) != err::kSuccess) {
    return Record(std::move(call));
  }
  if (!target) {
    call.status = err::kInvalidHandle;
  } else if (target->deleted) {
    call.status = simerr::kKeyDeleted;
  } else if ((granted & reg::kQueryValue) == 0) {
    call.status = err::kAccessDenied;
  } else if (data != nullptr && size == nullptr) {
    call.status = err::kInvalidParameter;
  } else if (const Value* value = target->FindValue(name); value == nullptr) {
    call.status = err::kFileNotFound;
  } else {
    const auto length = static_cast<std::uint32_t>(value->data.size());
    if (data != nullptr && *size < length) {
      // The buffer is left as it was; the caller learns the size and (as the platform
      // does) the type.
      call.status = err::kMoreData;
    } else if (data != nullptr && length > 0) {
      std::memcpy(data, value->data.data(), length);
    }
    if (type != nullptr) *type = value->type;
    if (size != nullptr) *size = length;
  }
  return Record(std::move(call));
}

Status SimRegistry::SetValue(HKey key, std::string_view name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  RegCall call{RegOp::kSet, {}, std::string(name), 0, type, {}, 0};
  if (data != nullptr) call.data.assign(data, data + size);
  std::uint32_t granted = 0;
  const auto target = Resolve(key, &granted);
  if (target) call.keyPath = target->path;
  if ((call.status = Injected(RegOp::kSet, call.keyPath, name)) != err::kSuccess) {
    return Record(std::move(call));
  }
  if (!target) {
    call.status = err::kInvalidHandle;
  } else if (target->deleted) {
    call.status = simerr::kKeyDeleted;
  } else if ((granted & reg::kSetValue) == 0) {
    call.status = err::kAccessDenied;
  } else if (data == nullptr && size > 0) {
    call.status = simerr::kNoAccess;
  } else {
    std::vector<std::uint8_t> bytes = call.data;
    if (appendNul_ && (type == reg::kSz || type == reg::kExpandSz) &&
        (bytes.empty() || bytes.back() != 0)) {
      bytes.push_back(0);
    }
    target->SetValue(name, type, std::move(bytes));
  }
  return Record(std::move(call));
}

Status SimRegistry::CloseKey(HKey key) {
  RegCall call{RegOp::kClose, {}, {}, 0, 0, {}, 0};
  if (IsPredefined(key)) {
    call.keyPath = std::string(RootName(key));
    return Record(std::move(call));  // closing a predefined key is allowed and does nothing
  }
  auto it = handles_.find(key);
  if (it != handles_.end()) call.keyPath = it->second.key->path;
  // An injected failure still releases the handle: the caller has nothing else to do with it.
  call.status = Injected(RegOp::kClose, call.keyPath, {});
  if (it == handles_.end()) {
    ++badCloses_;
    if (call.status == err::kSuccess) call.status = err::kInvalidHandle;
  } else {
    handles_.erase(it);
  }
  return Record(std::move(call));
}

std::vector<std::string> SimRegistry::OpenKeyPaths() const {
  std::vector<std::string> out;
  for (const auto& [handle, open] : handles_) out.push_back(open.key->path);
  return out;
}

// --- Setup and reading -------------------------------------------------------------------

void SimRegistry::CreateKeyPath(std::string_view keyPath, std::string_view className) {
  MakeKey(keyPath, className);
}

void SimRegistry::SetRaw(std::string_view keyPath, std::string_view name, std::uint32_t type,
                         std::vector<std::uint8_t> bytes) {
  if (auto key = MakeKey(keyPath, {})) key->SetValue(name, type, std::move(bytes));
}

void SimRegistry::SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value) {
  SetRaw(keyPath, name, reg::kDword,
         {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void SimRegistry::SetString(std::string_view keyPath, std::string_view name, std::string_view text,
                            bool withNul, std::uint32_t type) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  if (withNul) bytes.push_back(0);
  SetRaw(keyPath, name, type, std::move(bytes));
}

void SimRegistry::SetBinary(std::string_view keyPath, std::string_view name,
                            std::vector<std::uint8_t> bytes) {
  SetRaw(keyPath, name, reg::kBinary, std::move(bytes));
}

void SimRegistry::SetMultiSz(std::string_view keyPath, std::string_view name,
                             const std::vector<std::string>& items) {
  std::vector<std::uint8_t> bytes;
  for (const auto& item : items) {
    bytes.insert(bytes.end(), item.begin(), item.end());
    bytes.push_back(0);
  }
  bytes.push_back(0);
  SetRaw(keyPath, name, reg::kMultiSz, std::move(bytes));
}

bool SimRegistry::DeleteKey(std::string_view keyPath) {
  HKey root = 0;
  std::string_view rest;
  if (!SplitRoot(keyPath, &root, &rest)) return false;
  std::vector<std::string_view> names;
  if (!SplitNames(rest, &names) || names.empty()) return false;  // roots stay
  auto parent =
      Walk(RootKey(root),
           rest.substr(0, rest.rfind('\\') == std::string_view::npos ? 0 : rest.rfind('\\')));
  if (!parent) return false;
  auto it = parent->children.find(Fold(names.back()));
  if (it == parent->children.end()) return false;
  MarkDeleted(*it->second);  // handles still open on it now see a deleted key
  parent->children.erase(it);
  return true;
}

bool SimRegistry::DeleteValue(std::string_view keyPath, std::string_view name) {
  auto key = FindKey(keyPath);
  if (!key) return false;
  auto it = std::find_if(key->values.begin(), key->values.end(),
                         [&](const Value& v) { return EqualsNoCase(v.name, name); });
  if (it == key->values.end()) return false;
  key->values.erase(it);
  return true;
}

bool SimRegistry::KeyExists(std::string_view keyPath) const { return FindKey(keyPath) != nullptr; }

bool SimRegistry::ValueExists(std::string_view keyPath, std::string_view name) const {
  auto key = FindKey(keyPath);
  return key && key->FindValue(name) != nullptr;
}

std::optional<std::vector<std::uint8_t>> SimRegistry::GetBytes(std::string_view keyPath,
                                                               std::string_view name) const {
  auto key = FindKey(keyPath);
  if (!key) return std::nullopt;
  const Value* value = key->FindValue(name);
  if (value == nullptr) return std::nullopt;
  return value->data;
}

std::optional<std::uint32_t> SimRegistry::GetType(std::string_view keyPath,
                                                  std::string_view name) const {
  auto key = FindKey(keyPath);
  if (!key) return std::nullopt;
  const Value* value = key->FindValue(name);
  if (value == nullptr) return std::nullopt;
  return value->type;
}

std::optional<std::uint32_t> SimRegistry::GetDword(std::string_view keyPath,
                                                   std::string_view name) const {
  auto bytes = GetBytes(keyPath, name);
  if (!bytes || bytes->size() != 4) return std::nullopt;
  const auto& b = *bytes;
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::optional<std::string> SimRegistry::GetText(std::string_view keyPath,
                                                std::string_view name) const {
  auto bytes = GetBytes(keyPath, name);
  if (!bytes) return std::nullopt;
  auto end = std::find(bytes->begin(), bytes->end(), std::uint8_t{0});
  return std::string(bytes->begin(), end);
}

std::optional<std::vector<std::string>> SimRegistry::GetMultiSz(std::string_view keyPath,
                                                                std::string_view name) const {
  auto bytes = GetBytes(keyPath, name);
  if (!bytes) return std::nullopt;
  std::vector<std::string> items;
  std::string current;
  for (const std::uint8_t byte : *bytes) {
    if (byte != 0) {
      current += static_cast<char>(byte);
      continue;
    }
    if (current.empty()) break;
    items.push_back(std::move(current));
    current.clear();
  }
  if (!current.empty()) items.push_back(std::move(current));  // unterminated last item
  return items;
}

std::optional<std::string> SimRegistry::ClassOf(std::string_view keyPath) const {
  auto key = FindKey(keyPath);
  if (!key) return std::nullopt;
  return key->className;
}

std::vector<std::string> SimRegistry::SubkeyNames(std::string_view keyPath) const {
  std::vector<std::string> out;
  if (auto key = FindKey(keyPath)) {
    for (const auto& [folded, child] : key->children) out.push_back(child->name);
  }
  return out;
}

std::vector<std::string> SimRegistry::ValueNames(std::string_view keyPath) const {
  std::vector<std::string> out;
  if (auto key = FindKey(keyPath)) {
    for (const auto& value : key->values) out.push_back(value.name);
  }
  return out;
}

// --- Summary ------------------------------------------------------------------------------------

namespace {

void DumpKey(
    const std::string& path, const std::string& className,
    const std::vector<std::pair<std::string, std::pair<std::uint32_t, std::string>>>& values,
    std::ostringstream& out) {
  out << "  [" << path << "]";
  if (!className.empty()) out << " class \"" << className << "\"";
  out << "\n";
  for (const auto& [name, typed] : values) {
    out << "    " << (name.empty() ? "@" : "\"" + name + "\"") << " type " << typed.first << ": "
        << typed.second << "\n";
  }
}

std::string Describe(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  std::ostringstream out;
  if (type == reg::kDword && data.size() == 4) {
    const std::uint32_t v =
        static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
        (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    out << v;
    return out.str();
  }
  out << data.size() << " bytes";
  bool printable = true;
  for (const auto byte : data) {
    if (byte != 0 && (byte < 0x20 || byte > 0x7e)) printable = false;
  }
  if (printable && !data.empty()) {
    out << " \"";
    for (const auto byte : data) {
      if (byte == 0) {
        out << "\\0";
      } else {
        out << static_cast<char>(byte);
      }
    }
    out << "\"";
  } else {
    out << std::hex << std::setfill('0');
    for (const auto byte : data) out << ' ' << std::setw(2) << static_cast<unsigned>(byte);
  }
  return out.str();
}

}  // namespace

std::string SimRegistry::ToString() const {
  std::ostringstream out;
  out << "registry: " << handles_.size() << " open keys, " << badCloses_ << " bad closes"
      << (administrator_ ? "" : ", not administrator") << "\n";
  for (const auto& [handle, open] : handles_) {
    out << "  open " << handle << ": " << open.key->path << "\n";
  }
  std::vector<const Key*> stack;
  for (auto it = roots_.rbegin(); it != roots_.rend(); ++it) stack.push_back(it->second.get());
  while (!stack.empty()) {
    const Key* key = stack.back();
    stack.pop_back();
    if (!key->values.empty() || key->children.empty()) {
      if (key->path.find('\\') != std::string::npos || !key->values.empty()) {
        std::vector<std::pair<std::string, std::pair<std::uint32_t, std::string>>> values;
        for (const auto& value : key->values) {
          values.push_back({value.name, {value.type, Describe(value.type, value.data)}});
        }
        DumpKey(key->path, key->className, values, out);
      }
    }
    for (auto it = key->children.rbegin(); it != key->children.rend(); ++it) {
      stack.push_back(it->second.get());
    }
  }
  return out.str();
}

}  // namespace ql::sim
