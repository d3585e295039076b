// The log file of a run with arguments: appended to through the C runtime's stream calls,
// whose file is shared with readers, and the local time from the system.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "config/unattended.h"

namespace ql::config {

class FileRunLog final : public RunLog {
 public:
  FileRunLog() = default;
  FileRunLog(const FileRunLog&) = delete;
  FileRunLog& operator=(const FileRunLog&) = delete;
  ~FileRunLog() override;

  bool Open(const std::string& path) override;
  bool Append(std::string_view text) override;
  LocalTime Now() override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace ql::config
