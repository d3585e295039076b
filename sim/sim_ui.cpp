#include "sim/sim_ui.h"

#include <sstream>

namespace ql::sim {

int SimUi::MessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                      std::uint32_t style) {
  MessageBoxRecord record{owner, std::string(text), std::string(caption), style, clock_.Now(), 0};
  boxes_.push_back(record);
  const std::size_t index = boxes_.size() - 1;
  int answer = mb::kIdOk;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else if (handler_) {
    auto handler = handler_;  // it may replace itself
    answer = handler(record);
  }
  boxes_[index].answer = answer;
  return answer;
}

std::vector<std::string> SimUi::Texts() const {
  std::vector<std::string> out;
  for (const auto& box : boxes_) out.push_back(box.text);
  return out;
}

std::string SimUi::ToString() const {
  std::ostringstream out;
  out << "ui: " << boxes_.size() << " message boxes\n";
  for (const auto& box : boxes_) {
    out << "  at " << box.time << " owner " << box.owner << " style 0x" << std::hex << box.style
        << std::dec << " \"" << box.caption << "\": \"" << box.text << "\" -> " << box.answer
        << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
