#include "tune/tooltip_switch.h"

#include "tune/commands.h"

namespace ql::tune {

std::size_t TooltipSwitch::Register(std::string_view controlName) {
  tools_.push_back(Tool{std::string(controlName), false});
  return tools_.size() - 1;
}

void TooltipSwitch::Set(bool on, TooltipHost& host) {
  on_ = on;
  for (const char* name : kTooltipGroup) {
    for (std::size_t i = 0; i < tools_.size(); ++i) {
      Tool& tool = tools_[i];
      if (tool.control != name || tool.added == on) continue;
      if (on) {
        host.AddTool(i);
      } else {
        host.RemoveTool(i);
      }
      tool.added = on;
    }
  }
}

}  // namespace ql::tune
