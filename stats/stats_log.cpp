#include "stats/stats_log.h"

#include <cstdio>

namespace ql::stats {

namespace {

// The window's figures are padded to the width of their boxes; a log wants the number alone.
std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

}  // namespace

std::string FormatTimeStamp(const LocalDateTime& time) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u",
                static_cast<unsigned>(time.year), static_cast<unsigned>(time.month),
                static_cast<unsigned>(time.day), static_cast<unsigned>(time.hour),
                static_cast<unsigned>(time.minute), static_cast<unsigned>(time.second));
  return buffer;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string IntervalLine(const LocalDateTime& time, std::int32_t rate, const Figures& figures) {
  std::string line = FormatTimeStamp(time);
  line += ',';
  line += std::to_string(rate);
  for (const std::string* figure :
       {&figures.reads, &figures.hitRate, &figures.writes, &figures.writeBehind}) {
    line += ',';
    line += Trimmed(*figure);
  }
  line += ",\r\n";
  return line;
}

std::string NoteLine(const LocalDateTime& time, std::int32_t rate, std::string_view note) {
  return FormatTimeStamp(time) + ',' + std::to_string(rate) + ",,,,," + CsvField(note) + "\r\n";
}

bool StatsLog::Open(std::string_view path, Status* error) {
  Close();
  Status status = err::kSuccess;
  const Handle file = files_.CreateFile(path, kLogAccess, kLogShare, file::kOpenAlways, &status);
  if (file == kInvalidHandle) {
    if (error != nullptr) *error = status;
    return false;
  }
  file_ = file;
  path_ = std::string(path);
  std::uint64_t size = 0;
  if (!files_.GetFileSize(file_, &size, &status) ||
      (size == 0 && !files_.AppendToFile(file_, kLogHeader, &status))) {
    Close();
    if (error != nullptr) *error = status;
    return false;
  }
  return true;
}

bool StatsLog::WriteInterval(std::int32_t rate, const Figures& figures, Status* error) {
  return Append(IntervalLine(clock_.Now(), rate, figures), error);
}

bool StatsLog::WriteNote(std::int32_t rate, std::string_view note, Status* error) {
  return Append(NoteLine(clock_.Now(), rate, note), error);
}

bool StatsLog::Append(const std::string& line, Status* error) {
  if (!IsOpen()) {
    if (error != nullptr) *error = err::kInvalidHandle;
    return false;
  }
  // One call per line: a reader never sees half of one unless the disk itself fails.
  return files_.AppendToFile(file_, line, error);
}

void StatsLog::Close() {
  if (file_ == kInvalidHandle) return;
  files_.CloseHandle(file_);
  file_ = kInvalidHandle;
}

}  // namespace ql::stats
