// Tooltips on / Tooltips off for the group of controls whose tips the user can switch. The
// switch knows which of the group's tools are registered with the window's tooltip control,
// so that every tool is there exactly once while the tips are on and not at all while they
// are off, whatever sequence of On and Off the menus and the toolbar send.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ql::tune {

// The window's tooltip control for the group, tool by tool.
class TooltipHost {
 public:
  virtual ~TooltipHost() = default;
  virtual void AddTool(std::size_t tool) = 0;     // TTM_ADDTOOL
  virtual void RemoveTool(std::size_t tool) = 0;  // TTM_DELTOOL
};

class TooltipSwitch {
 public:
  // Registers one tool under the name of its control in the group (kTooltipGroup); a control
  // may have several (a toolbar and its buttons). Returns the tool's number. Registered tools
  // start off.
  std::size_t Register(std::string_view controlName);

  // Switches the group on or off: each tool that is not yet in that state is added or
  // removed, in the group's order (the names of kTooltipGroup, then the order of
  // registration). A switch to the state the group is in changes nothing.
  void Set(bool on, TooltipHost& host);

  [[nodiscard]] bool on() const { return on_; }
  [[nodiscard]] bool IsAdded(std::size_t tool) const { return tools_.at(tool).added; }
  [[nodiscard]] std::size_t size() const { return tools_.size(); }

 private:
  struct Tool {
    std::string control;
    bool added = false;
  };
  std::vector<Tool> tools_;
  bool on_ = false;
};

}  // namespace ql::tune
