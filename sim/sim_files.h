// Plain files in memory, with the sharing rules of the platform: an open is refused with 32
// when it wants access that an open handle does not share, or shares less than an open
// handle already has. Names compare without regard to case. Opens, appends and closes fail
// on demand.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/files.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimFiles : public Files {
 public:
  struct OpenRecord {
    std::string path;
    std::uint32_t access = 0;
    std::uint32_t share = 0;
    std::uint32_t creation = 0;
    Handle handle = kInvalidHandle;  // kInvalidHandle when the open failed
    Status status = 0;
  };

  // Files
  Handle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                    std::uint32_t creation, Status* error) override;
  bool GetFileSize(Handle file, std::uint64_t* size, Status* error) override;
  bool AppendToFile(Handle file, std::string_view data, Status* error) override;
  bool CloseHandle(Handle file) override;

  // --- Script ----------------------------------------------------------------------------
  // Puts a file with this content in place (replacing one of the same name).
  void Put(std::string_view path, std::string content);
  // Every open of this path fails with status (access denied, path not found, ...).
  void Refuse(std::string_view path, Status status);
  FaultPlan openFaults;
  FaultPlan appendFaults;

  // --- What tests read --------------------------------------------------------------------
  [[nodiscard]] bool Exists(std::string_view path) const;
  // The content of a file; empty when there is none.
  [[nodiscard]] std::string Content(std::string_view path) const;
  [[nodiscard]] const std::vector<OpenRecord>& Opens() const { return opens_; }
  [[nodiscard]] std::size_t OpenHandleCount() const { return handles_.size(); }
  [[nodiscard]] std::size_t BadCloseCount() const { return badCloses_; }
  // Appends that reached a file, one entry per call, in order.
  [[nodiscard]] const std::vector<std::string>& Appends() const { return appends_; }

  [[nodiscard]] std::string ToString() const;

 private:
  struct OpenHandle {
    std::string key;  // the folded name
    std::uint32_t access = 0;
    std::uint32_t share = 0;
  };
  struct File {
    std::string name;  // as first created
    std::string content;
  };

  static bool Fail(Status status, Status* error);
  bool Conflicts(const std::string& key, std::uint32_t access, std::uint32_t share) const;

  std::map<std::string, File> files_;
  std::map<std::string, Status> refused_;
  std::map<Handle, OpenHandle> handles_;
  std::vector<OpenRecord> opens_;
  std::vector<std::string> appends_;
  Handle next_ = 0x5000;
  std::size_t badCloses_ = 0;
};

}  // namespace ql::sim
