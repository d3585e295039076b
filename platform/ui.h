// The modal prompts the logic raises: MessageBoxA. Windows themselves belong to the program
// shells; their presenters live in the core.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace ql {

class Ui {
 public:
  virtual ~Ui() = default;

  // MessageBoxA(owner, text, caption, style): the button pressed (mb::kIdOk, ...).
  virtual int MessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                         std::uint32_t style) = 0;
};

}  // namespace ql
