// Device I/O on the real machine.
#pragma once

#include "platform/device.h"

namespace ql::win32 {

class Win32Device final : public Device {
 public:
  Handle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                    std::uint32_t creation, std::uint32_t flags, Status* error) override;
  bool DeviceIoControl(Handle device, std::uint32_t code, const void* in, std::uint32_t inSize,
                       void* out, std::uint32_t outSize, std::uint32_t* returned,
                       Status* error) override;
  bool CloseHandle(Handle device) override;
};

}  // namespace ql::win32
