#include "stats/stats_dialog.h"

#include <cstdio>
#include <limits>

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

StatsDialog::StatsDialog(Platform& platform, const char* devicePath)
    : platform_(platform), engine_(platform, devicePath) {
  texts_[Index(id::kRunStop)] = text::kRun;
  WriteRate();
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
    rateBoxEnabled_ = true;
    texts_[Index(id::kRunStop)] = text::kRun;
  } else {
    rateBoxEnabled_ = false;
    texts_[Index(id::kRunStop)] = text::kStop;
    WritePlaceholders();
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
  }
  return true;
}

void StatsDialog::OnCloseRequest() {
  if (running_) engine_.Disconnect();
}

void StatsDialog::OnCancel() { End(id::kExit); }

void StatsDialog::OnOk() {
  if (!TakeRate()) return;
  End(id::kOk);
}

bool StatsDialog::TakeRate() {
  const std::optional<std::int32_t> rate = ParseInteger(texts_[Index(id::kRate)]);
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
  endResult_ = result;
}

int StatsMonitorApp::Run(const std::function<void(StatsDialog&)>& runModal) {
  if (!CheckDriverRegistration(platform_, devicePath_)) return 1;
  StatsDialog dialog(platform_, devicePath_);
  runModal(dialog);
  return 0;
}

}  // namespace ql::stats
