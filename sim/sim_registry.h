// An in-memory registry with the status codes of the real one.
//
// Keys form a tree under the four predefined roots. Key and value names match without
// regard to ASCII case and keep the case they were created with. A value keeps its type and
// exactly the bytes written. Key paths given to the setup and reading helpers name the
// root first, long or short: "HKEY_LOCAL_MACHINE\SYSTEM\..." or "HKLM\SYSTEM\...".
//
// Status codes: 2 for a missing key or value, 5 for refused access, 6 for a bad handle,
// 234 when a value does not fit the caller's buffer (the size needed and the type are
// reported, as the platform reports them, and the buffer is left alone), 1018 for a key
// deleted while open, 161 for a path with an empty name in it. Other failures leave every
// out-parameter untouched.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "sim/sim_fault.h"

namespace ql::sim {

enum class RegOp { kAny, kOpen, kCreate, kQuery, kSet, kClose };

// A call the programs made, as the registry saw it.
struct RegCall {
  RegOp op = RegOp::kAny;
  std::string keyPath;     // full path of the key the call named or acted on ("" if unknown)
  std::string valueName;   // kQuery, kSet
  std::uint32_t sam = 0;   // kOpen, kCreate
  std::uint32_t type = 0;  // kSet
  std::vector<std::uint8_t> data;  // kSet: the bytes given
  Status status = 0;
};

// A scripted failure: calls of op (kAny: any call) whose key path and value name match fail
// with status. An empty keyPath matches every key; valueName matches only when set. nth = 0
// fails every matching call; nth = n fails only the nth matching call from now.
struct RegFault {
  RegOp op = RegOp::kAny;
  std::string keyPath;
  std::optional<std::string> valueName;
  std::uint32_t nth = 0;
  Status status = err::kAccessDenied;
};

class SimRegistry : public Registry {
 public:
  SimRegistry();
  ~SimRegistry() override;

  // Registry
  Status OpenKey(HKey parent, std::string_view subkey, std::uint32_t sam, HKey* out) override;
  Status CreateKey(HKey parent, std::string_view subkey, std::string_view className,
                   std::uint32_t options, std::uint32_t sam, HKey* out,
                   std::uint32_t* disposition) override;
  Status QueryValue(HKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
  Status SetValue(HKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
  Status CloseKey(HKey key) override;

  // --- Modes and failures -------------------------------------------------------------
  // Not an administrator: opening or creating a key below HKEY_LOCAL_MACHINE with any write
  // access (KEY_ALL_ACCESS included) is refused with 5. Administrator by default.
  void SetAdministrator(bool administrator) { administrator_ = administrator; }
  [[nodiscard]] bool Administrator() const { return administrator_; }
  // The platform counts a NUL that directly follows the data of a string written with
  // RegSetValueExA; with a zero-filled buffer that means a REG_SZ or REG_EXPAND_SZ written
  // without its NUL is stored with one. Off by default: the sim stores exactly what it gets.
  void SetAppendNulToStrings(bool on) { appendNul_ = on; }
  void InjectFault(RegFault fault);
  void ClearFaults();
  // Every call of any operation goes through this plan first (fail the Nth call).
  FaultPlan anyCallFaults;

  // --- Setup and reading (no access checks, not recorded, no faults) ----------------
  // Creates the key and missing parents; the class applies to keys it creates.
  void CreateKeyPath(std::string_view keyPath, std::string_view className = {});
  void SetRaw(std::string_view keyPath, std::string_view name, std::uint32_t type,
              std::vector<std::uint8_t> bytes);
  void SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value);
  // The text's bytes, followed by a NUL when withNul.
  void SetString(std::string_view keyPath, std::string_view name, std::string_view text,
                 bool withNul = true, std::uint32_t type = reg::kSz);
  void SetBinary(std::string_view keyPath, std::string_view name, std::vector<std::uint8_t> bytes);
  // Each item followed by a NUL, then the final NUL.
  void SetMultiSz(std::string_view keyPath, std::string_view name,
                  const std::vector<std::string>& items);
  // Delete a key with everything below it / one value. False when it was not there.
  bool DeleteKey(std::string_view keyPath);
  bool DeleteValue(std::string_view keyPath, std::string_view name);

  [[nodiscard]] bool KeyExists(std::string_view keyPath) const;
  [[nodiscard]] bool ValueExists(std::string_view keyPath, std::string_view name) const;
  [[nodiscard]] std::optional<std::vector<std::uint8_t>> GetBytes(std::string_view keyPath,
                                                                  std::string_view name) const;
  [[nodiscard]] std::optional<std::uint32_t> GetType(std::string_view keyPath,
                                                     std::string_view name) const;
  // The value as a 32-bit number when it has exactly 4 bytes.
  [[nodiscard]] std::optional<std::uint32_t> GetDword(std::string_view keyPath,
                                                      std::string_view name) const;
  // The bytes up to the first NUL (or all of them) as text.
  [[nodiscard]] std::optional<std::string> GetText(std::string_view keyPath,
                                                   std::string_view name) const;
  // The items of a multi-string (empty items end it).
  [[nodiscard]] std::optional<std::vector<std::string>> GetMultiSz(std::string_view keyPath,
                                                                   std::string_view name) const;
  [[nodiscard]] std::optional<std::string> ClassOf(std::string_view keyPath) const;
  // Names as created, subkeys sorted without regard to case, values in creation order.
  [[nodiscard]] std::vector<std::string> SubkeyNames(std::string_view keyPath) const;
  [[nodiscard]] std::vector<std::string> ValueNames(std::string_view keyPath) const;

  // --- Handles and calls ---------------------------------------------------------------
  [[nodiscard]] std::size_t OpenKeyCount() const { return handles_.size(); }
  // Full paths of the keys held open, one per handle.
  [[nodiscard]] std::vector<std::string> OpenKeyPaths() const;
  // CloseKey calls with a handle that was not open (never opened, or closed already).
  [[nodiscard]] std::uint32_t BadCloseCount() const { return badCloses_; }
  [[nodiscard]] const std::vector<RegCall>& Calls() const { return calls_; }
  // The kSet calls that succeeded, in order.
  [[nodiscard]] std::vector<RegCall> Writes() const;
  void ClearCalls() { calls_.clear(); }

  // --- .reg files (REGEDIT4) -------------------------------------------------------------
  // Applies a REGEDIT4 text: [key] sections create keys, [-key] deletes a key, "name"=...
  // and @=... set values ("text", dword:, hex:, hex(N):), "name"=- deletes a value. Strings
  // are stored with their terminating NUL, as the platform's importer stores them. Nothing
  // is applied unless the whole text is valid; on failure *error tells the line and why.
  bool ImportReg(std::string_view text, std::string* error);
  bool ImportRegFile(const std::string& path, std::string* error);
  // REGEDIT4 text of the key at keyPath and everything below it, or of all roots when
  // keyPath is empty. Strings that import back to the same bytes are written as "text",
  // DWORDs as dword:, everything else as hex(N): with the exact bytes. Class strings are not
  // part of the format.
  [[nodiscard]] std::string ExportReg(std::string_view keyPath = {}) const;

  // Summary for assertion messages: the tree with values, open keys, bad closes.
  [[nodiscard]] std::string ToString() const;

  // Parses "HKLM\a\b" into a root and the rest; false when the root is unknown.
  static bool SplitRoot(std::string_view keyPath, HKey* root, std::string_view* rest);
  static std::string_view RootName(HKey root);

 private:
  struct Value {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  struct Key {
    std::string name;
    std::string className;
    std::string path;  // full path with the root's long name
    bool deleted = false;
    std::vector<Value> values;
    std::map<std::string, std::shared_ptr<Key>> children;  // by lower-cased name
    Value* FindValue(std::string_view valueName);
    const Value* FindValue(std::string_view valueName) const;
    void SetValue(std::string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data);
  };
  struct OpenHandle {
    std::shared_ptr<Key> key;
    std::uint32_t sam = 0;
  };

  std::shared_ptr<Key> RootKey(HKey root) const;
  // The key a handle stands for (predefined or open), or null.
  std::shared_ptr<Key> Resolve(HKey handle, std::uint32_t* sam) const;
  std::shared_ptr<Key> Walk(const std::shared_ptr<Key>& from, std::string_view subkey) const;
  std::shared_ptr<Key> FindKey(std::string_view keyPath) const;
  std::shared_ptr<Key> MakeKey(std::string_view keyPath, std::string_view className);
  static void MarkDeleted(Key& key);
  bool BelowLocalMachine(const Key& key) const;
  Status Injected(RegOp op, const std::string& keyPath, std::string_view valueName);
  HKey NewHandle(std::shared_ptr<Key> key, std::uint32_t sam);
  Status Record(RegCall call);
  void ExportKey(const Key& key, std::string* out) const;

  std::map<HKey, std::shared_ptr<Key>> roots_;
  std::map<HKey, OpenHandle> handles_;
  HKey nextHandle_ = 0x00500000;
  bool administrator_ = true;
  bool appendNul_ = false;
  struct ArmedFault {
    RegFault fault;
    std::uint32_t seen = 0;
  };
  std::vector<ArmedFault> faults_;
  std::vector<RegCall> calls_;
  std::uint32_t badCloses_ = 0;
};

const char* RegOpName(RegOp op);

}  // namespace ql::sim
