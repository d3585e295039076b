#include "stats/stats_dialog.h"

#include <cstdio>
#include <limits>

#include "stats/command_line.h"

namespace ql::stats {

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t i = 0;
  std::size_t end = text.size();
  while (i < end && blank(text[i])) ++i;
  while (end > i && blank(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == end) return std::nullopt;
  // Accumulate as a negative number, which has room for the most negative value.
  std::int64_t value = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) {
      return std::nullopt;
    }
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::string OutOfRangeMessage(std::int32_t low, std::int32_t high) {
  std::string message = text::kOutOfRangeFormat;
  auto fill = [&message](std::string_view marker, std::int32_t number) {
    const std::size_t at = message.find(marker);
    if (at != std::string::npos) message.replace(at, marker.size(), std::to_string(number));
  };
  fill("%1", low);
  fill("%2", high);
  return message;
}

std::string FailureNote(const PollFailure& failure) {
  const auto code = static_cast<unsigned>(failure.error);
  switch (failure.where) {
    case PollFailure::Where::kOpen:
      return "no connection: the device did not open (error " + std::to_string(code) + ")";
    case PollFailure::Where::kFirstRequest:
      return "no connection: IOCTL_OV_GET_STATS failed with code " + std::to_string(code);
    case PollFailure::Where::kTimer:
      return "no connection: no poll timer";
    case PollFailure::Where::kPoll:
      break;
  }
  return "connection lost: IOCTL_OV_GET_STATS failed with code " + std::to_string(code);
}

namespace {

std::string FormatWithPath(const char* format, const std::string& path, Status error) {
  // The path is the user's own text and may be of any length: size the text by it.
  const auto code = static_cast<unsigned>(error);
  const int length = std::snprintf(nullptr, 0, format, path.c_str(), code);
  if (length <= 0) return path;
  std::string out(static_cast<std::size_t>(length), '\0');
  std::snprintf(out.data(), out.size() + 1, format, path.c_str(), code);
  return out;
}

}  // namespace

StatsDialog::StatsDialog(Platform& platform, const char* devicePath)
    : platform_(platform), engine_(platform, devicePath) {
  texts_[Index(id::kRunStop)] = text::kRun;
  WriteRate();
  engine_.SetFailureObserver([this](const PollFailure& failure) { OnPollFailure(failure); });
}

void StatsDialog::AttachLog(StatsLog& log, std::int32_t rate) {
  log_ = &log;
  logRate_ = rate;
  logStarted_ = false;
}

void StatsDialog::OnStartLog() {
  if (!LogStartPending()) return;
  logStarted_ = true;
  if (!log_->IsOpen()) return;
  texts_[Index(id::kRate)] = std::to_string(logRate_);
  // Only this run writes the log; a later Run after Stop polls without it.
  logging_ = true;
  OnRunStop();
  // A refused rate (the command line checked it, so never expected) leaves nothing polling;
  // the log must not stay open behind a stopped window.
  if (texts_[Index(id::kRunStop)] == text::kRun) EndLog();
}

void StatsDialog::OnPollFailure(const PollFailure& failure) {
  if (!logging_) return;
  Status error = err::kSuccess;
  // The last line says why the log ends here; if even that cannot be written, the
  // connection's own message follows anyway.
  (void)log_->WriteNote(samplingRate_, FailureNote(failure), &error);
  EndLog();
}

void StatsDialog::EndLog() {
  logging_ = false;
  if (log_ != nullptr) log_->Close();
}

void StatsDialog::Refresh() {
  if (refresh_) refresh_();
}

void StatsDialog::OnInit(WindowRef window, std::string_view aboutEntryText) {
  window_ = window;
  engine_.SetWindow(window);
  aboutEntry_.reset();
  if (!aboutEntryText.empty()) aboutEntry_ = std::string(aboutEntryText);
  WritePlaceholders();
  WriteRate();
  texts_[Index(id::kRunStop)] = text::kRun;
  rateBoxEnabled_ = true;
  running_ = false;
}

void StatsDialog::OnRunStop() {
  // The box is disabled while polling, so a refusal can only happen on the way to Run; a
  // refused number never reaches the timer (0 would poll without pause, a negative one would
  // wrap to weeks), and the command ends so the user can correct it.
  if (!TakeRate()) return;

  if (running_) {
    engine_.Disconnect();
    EndLog();
    rateBoxEnabled_ = true;
    texts_[Index(id::kRunStop)] = text::kRun;
  } else {
    rateBoxEnabled_ = false;
    texts_[Index(id::kRunStop)] = text::kStop;
    WritePlaceholders();
    Refresh();
    const auto intervalMs = static_cast<std::uint32_t>(samplingRate_) * 1000u;
    // A failed connection leaves "Stop" and the disabled box: the next click tries again.
    if (!engine_.ConnectAndStart(intervalMs, [this](std::uint32_t timerId) { OnTimer(timerId); })) {
      return;
    }
  }
  running_ = !running_;
  WriteRate();
}

bool StatsDialog::OnTimer(std::uint32_t timerId) {
  if (!engine_.IsPollTimer(timerId)) return false;
  Figures figures;
  // A failed poll keeps the last figures, "Stop" and running_: the next click stops.
  if (engine_.PollOnce(&figures)) {
    texts_[Index(id::kReads)] = figures.reads;
    texts_[Index(id::kHitRate)] = figures.hitRate;
    texts_[Index(id::kWrites)] = figures.writes;
    texts_[Index(id::kWriteBehind)] = figures.writeBehind;
    if (logging_) {
      Status error = err::kSuccess;
      if (!log_->WriteInterval(samplingRate_, figures, &error)) {
        // The figures go on in the window; the log cannot, and says nothing more.
        EndLog();
        platform_.ui.MessageBox(window_,
                                FormatWithPath(text::kLogNotWrittenFormat, log_->Path(), error),
                                text::kLogCaption, kLogNotWrittenStyle);
      }
    }
  }
  return true;
}

void StatsDialog::OnCloseRequest() {
  if (running_) engine_.Disconnect();
  EndLog();
}

void StatsDialog::OnCancel() { End(id::kExit); }

void StatsDialog::OnOk() {
  if (!TakeRate()) return;
  End(id::kOk);
}

bool StatsDialog::TakeRate() {
  const std::string& rateText = texts_[Index(id::kRate)];
  const std::optional<std::int32_t> rate = rateText.size() <= kMaxRateTextLength
                                               ? ParseInteger(rateText)
                                               : std::optional<std::int32_t>();
  if (!rate) {
    platform_.ui.MessageBox(window_, text::kNotAnInteger, text::kRateCaption, kRateBoxStyle);
    rateFocusRequest_ = true;
    return false;
  }
  if (*rate < kMinSamplingRate || *rate > kMaxSamplingRate) {
    platform_.ui.MessageBox(window_, OutOfRangeMessage(kMinSamplingRate, kMaxSamplingRate),
                            text::kRateCaption, kRateBoxStyle);
    rateFocusRequest_ = true;
    return false;
  }
  samplingRate_ = *rate;
  return true;
}

void StatsDialog::WriteRate() { texts_[Index(id::kRate)] = std::to_string(samplingRate_); }

void StatsDialog::WritePlaceholders() {
  texts_[Index(id::kReads)] = text::kCountPlaceholder;
  texts_[Index(id::kHitRate)] = text::kPercentPlaceholder;
  texts_[Index(id::kWrites)] = text::kCountPlaceholder;
  texts_[Index(id::kWriteBehind)] = text::kPercentPlaceholder;
}

void StatsDialog::End(int result) {
  // However the dialog ends, the device handle and the timer go with it; each is released
  // only if still held, so a close request that already disconnected releases nothing twice.
  engine_.Disconnect();
  EndLog();
  endResult_ = result;
}

int StatsMonitorApp::Run(std::string_view commandLine,
                         const std::function<void(StatsDialog&)>& runModal) {
  const Invocation invocation = ParseCommandLine(commandLine);
  switch (invocation.kind) {
    case Invocation::Kind::kUsage:
      platform_.ui.MessageBox(kNoWindow, UsageText({}), kUsageCaption, kUsageStyle);
      return exitcode::kDone;
    case Invocation::Kind::kRefused:
      platform_.ui.MessageBox(kNoWindow, UsageText(invocation.problem), kUsageCaption,
                              kRefusedStyle);
      return exitcode::kBadArguments;
    case Invocation::Kind::kWindow:
    case Invocation::Kind::kLog:
      break;
  }

  if (!CheckDriverRegistration(platform_, devicePath_)) return exitcode::kNoDriver;

  const bool logging = invocation.kind == Invocation::Kind::kLog;
  if (logging) {
    Status error = err::kSuccess;
    if (!log_.Open(invocation.logPath, &error)) {
      // Nothing polls: a log was asked for, and a window that monitors without it is not
      // what the caller wanted.
      platform_.ui.MessageBox(kNoWindow,
                              FormatWithPath(text::kLogNotOpenedFormat, invocation.logPath, error),
                              text::kLogCaption, kLogNotOpenedStyle);
      return exitcode::kLogNotOpened;
    }
  }

  StatsDialog dialog(platform_, devicePath_);
  if (logging) dialog.AttachLog(log_, invocation.rate);
  runModal(dialog);
  // However the window ended, the log is closed before the program ends.
  log_.Close();
  return exitcode::kDone;
}

}  // namespace ql::stats
