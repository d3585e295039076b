#include "win32/win32_ui.h"

#include <string>

#include "win32/win32_windows.h"

namespace ql::win32 {

int Win32Ui::MessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                        std::uint32_t style) {
  const std::string body(text);
  const std::string title(caption);
  return ::MessageBoxA(ToNative<HWND>(owner), body.c_str(), title.c_str(), style);
}

}  // namespace ql::win32
