// Message boxes, recorded in order and answered by script.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "sim/sim_clock.h"

namespace ql::sim {

class SimUi : public Ui {
 public:
  struct MessageBoxRecord {
    WindowRef owner = kNoWindow;
    std::string text;
    std::string caption;
    std::uint32_t style = 0;
    std::uint64_t time = 0;  // virtual time the box appeared
    int answer = 0;          // the button the box returned
  };

  explicit SimUi(SimClock& clock) : clock_(clock) {}

  // Ui
  int MessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                 std::uint32_t style) override;

  // --- Answers -------------------------------------------------------------------------
  // A box takes the next queued answer; when the queue is empty the handler decides (it
  // may first do anything a user or another thread would do while the box is up: advance
  // the clock, pump timers, send a service control); without a handler the answer is
  // mb::kIdOk.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  void SetHandler(std::function<int(const MessageBoxRecord&)> handler) {
    handler_ = std::move(handler);
  }

  // --- What tests read ------------------------------------------------------------------
  [[nodiscard]] const std::vector<MessageBoxRecord>& Boxes() const { return boxes_; }
  [[nodiscard]] std::vector<std::string> Texts() const;
  [[nodiscard]] std::size_t PendingAnswers() const { return answers_.size(); }
  void Clear() { boxes_.clear(); }

  [[nodiscard]] std::string ToString() const;

 private:
  SimClock& clock_;
  std::deque<int> answers_;
  std::function<int(const MessageBoxRecord&)> handler_;
  std::vector<MessageBoxRecord> boxes_;
};

}  // namespace ql::sim
