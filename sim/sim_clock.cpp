#include "sim/sim_clock.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace ql::sim {

SimClock::Timer* SimClock::Find(WindowRef window, std::uint32_t id) {
  for (auto& timer : timers_) {
    if (timer.info.window == window && timer.info.id == id) return &timer;
  }
  return nullptr;
}

std::uint32_t SimClock::SetTimer(WindowRef window, std::uint32_t id, std::uint32_t milliseconds,
                                 std::function<void(std::uint32_t id)> onTick) {
  if (setTimerFaults.OnCall() != err::kSuccess) {
    events_.push_back({TimerEventKind::kSet, window, id, now_, false});
    return 0;
  }
  const std::uint32_t interval = std::max(milliseconds, kMinimumInterval);
  if (Timer* existing = Find(window, id)) {
    // Setting an existing timer again restarts it with the new interval and callback.
    existing->info.interval = milliseconds;
    existing->info.due = now_ + interval;
    existing->onTick = std::move(onTick);
  } else {
    Timer timer;
    timer.info = TimerInfo{window, id, milliseconds, now_ + interval, 0};
    timer.order = nextOrder_++;
    timer.onTick = std::move(onTick);
    timers_.push_back(std::move(timer));
  }
  ++set_;
  events_.push_back({TimerEventKind::kSet, window, id, now_, true});
  // A window timer needs a window: SetTimer(NULL, id, ...) would make a thread timer with an
  // identifier of the system's choosing, which the programs do not use.
  return id == 0 ? 1 : id;
}

bool SimClock::KillTimer(WindowRef window, std::uint32_t id) {
  auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
    return timer.info.window == window && timer.info.id == id;
  });
  if (it == timers_.end()) {
    ++failedKills_;
    events_.push_back({TimerEventKind::kKill, window, id, now_, false});
    return false;
  }
  timers_.erase(it);
  ++killed_;
  events_.push_back({TimerEventKind::kKill, window, id, now_, true});
  return true;
}

void SimClock::Pump(std::uint64_t milliseconds) {
  const std::uint64_t target = now_ + milliseconds;
  for (;;) {
    // The earliest due timer at or before the target; overdue ones count as due now.
    const Timer* next = nullptr;
    for (const auto& timer : timers_) {
      const std::uint64_t due = std::max(timer.info.due, now_);
      if (due > target) continue;
      if (next == nullptr || due < std::max(next->info.due, now_) ||
          (due == std::max(next->info.due, now_) && timer.order < next->order)) {
        next = &timer;
      }
    }
    if (next == nullptr) break;
    now_ = std::max(next->info.due, now_);
    const WindowRef window = next->info.window;
    const std::uint32_t id = next->info.id;
    Timer* timer = Find(window, id);
    timer->info.due = now_ + std::max(timer->info.interval, kMinimumInterval);
    ++timer->info.ticks;
    events_.push_back({TimerEventKind::kTick, window, id, now_, true});
    // The callback may kill or set timers (also this one) or pump again: copy it first.
    auto onTick = timer->onTick;
    if (onTick) onTick(id);
    if (now_ > target) return;  // a nested pump went further; time never goes back
  }
  now_ = target;
}

std::vector<SimClock::TimerInfo> SimClock::ActiveTimers() const {
  std::vector<TimerInfo> out;
  for (const auto& timer : timers_) out.push_back(timer.info);
  return out;
}

bool SimClock::HasTimer(WindowRef window, std::uint32_t id) const {
  return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& timer) {
    return timer.info.window == window && timer.info.id == id;
  });
}

std::uint32_t SimClock::KillsOf(WindowRef window, std::uint32_t id) const {
  return static_cast<std::uint32_t>(
      std::count_if(events_.begin(), events_.end(), [&](const auto& e) {
        return e.kind == TimerEventKind::kKill && e.ok && e.window == window && e.id == id;
      }));
}

std::uint64_t SimClock::TicksOf(WindowRef window, std::uint32_t id) const {
  return static_cast<std::uint64_t>(
      std::count_if(events_.begin(), events_.end(), [&](const auto& e) {
        return e.kind == TimerEventKind::kTick && e.window == window && e.id == id;
      }));
}

std::string SimClock::ToString() const {
  std::ostringstream out;
  out << "clock: " << now_ << " ms; timers set " << set_ << ", killed " << killed_
      << ", failed kills " << failedKills_ << "\n";
  for (const auto& timer : timers_) {
    out << "  timer window " << timer.info.window << " id " << timer.info.id << " every "
        << timer.info.interval << " ms, due " << timer.info.due << ", ticks " << timer.info.ticks
        << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
