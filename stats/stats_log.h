// The statistics log: one comma-separated line per sampling interval, appended to a file
// under a header line that a new (empty) file gets once. The figures are the window's own,
// without the padding of its boxes. Other programs may read the file while it grows; a
// second writer is refused.
//
//   Time,Interval (s),Reads,Cache Hit %,Writes,Write Behind %,Note
//   2026-12-08 14:05:02,1,3,66.7,1234,50.0,
//   2026-12-08 14:05:03,1,,,,,connection lost: IOCTL_OV_GET_STATS failed with code 21
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/local_time.h"
#include "stats/stats_engine.h"

namespace ql::stats {

inline constexpr char kLogHeader[] =
    "Time,Interval (s),Reads,Cache Hit %,Writes,Write Behind %,Note\r\n";

// Access and sharing of the log: appended to by this program only, readable by all.
inline constexpr std::uint32_t kLogAccess = file::kGenericWrite;
inline constexpr std::uint32_t kLogShare = file::kShareRead;

// "2026-12-08 14:05:02": sorts as text and reads in every spreadsheet.
std::string FormatTimeStamp(const LocalDateTime& time);

// One line of figures, with its line end.
std::string IntervalLine(const LocalDateTime& time, std::int32_t rate, const Figures& figures);

// One line without figures that says what happened, with its line end.
std::string NoteLine(const LocalDateTime& time, std::int32_t rate, std::string_view note);

// A text as one field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

class StatsLog {
 public:
  StatsLog(Files& files, LocalTime& clock) : files_(files), clock_(clock) {}
  StatsLog(const StatsLog&) = delete;
  StatsLog& operator=(const StatsLog&) = delete;
  ~StatsLog() { Close(); }

  // Opens (or creates) the file for appending and writes the header when the file is empty.
  // False with the system error code when the file cannot be opened or the header cannot be
  // written; nothing is left open then.
  bool Open(std::string_view path, Status* error);

  // Appends one line; false with the error code when the file does not take it.
  bool WriteInterval(std::int32_t rate, const Figures& figures, Status* error);
  bool WriteNote(std::int32_t rate, std::string_view note, Status* error);

  // Ends the log: the file is closed. Safe to call when nothing is open.
  void Close();

  [[nodiscard]] bool IsOpen() const { return file_ != kInvalidHandle; }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  bool Append(const std::string& line, Status* error);

  Files& files_;
  LocalTime& clock_;
  Handle file_ = kInvalidHandle;
  std::string path_;
};

}  // namespace ql::stats
