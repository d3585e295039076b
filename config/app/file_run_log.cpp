#include "config/app/file_run_log.h"

// clang-format off
#include "win32/win32_windows.h"
// clang-format on

namespace ql::config {

FileRunLog::~FileRunLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FileRunLog::Open(const std::string& path) {
  if (file_ != nullptr) return false;
  // Binary append: every write goes to the end as it is now, and the line breaks are
  // written as they are given.
  file_ = std::fopen(path.c_str(), "ab");
  return file_ != nullptr;
}

bool FileRunLog::Append(std::string_view text) {
  if (file_ == nullptr) return false;
  const std::size_t written = std::fwrite(text.data(), 1, text.size(), file_);
  return std::fflush(file_) == 0 && written == text.size();
}

LocalTime FileRunLog::Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace ql::config
