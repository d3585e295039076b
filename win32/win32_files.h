// Plain files on the real machine.
#pragma once

#include "platform/files.h"

namespace ql::win32 {

class Win32Files final : public Files {
 public:
  Handle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                    std::uint32_t creation, Status* error) override;
  bool GetFileSize(Handle file, std::uint64_t* size, Status* error) override;
  bool AppendToFile(Handle file, std::string_view data, Status* error) override;
  bool CloseHandle(Handle file) override;
};

}  // namespace ql::win32
