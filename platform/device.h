// Device I/O on the cache driver's control device: CreateFileA, DeviceIoControl,
// CloseHandle.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace ql {

class Device {
 public:
  virtual ~Device() = default;

  // CreateFileA(path, access, share, NULL, creation, flags, NULL).
  // Returns kInvalidHandle on failure with the error in *error (when not null).
  virtual Handle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t creation, std::uint32_t flags, Status* error) = 0;

  // DeviceIoControl(device, code, in, inSize, out, outSize, returned, NULL): synchronous.
  virtual bool DeviceIoControl(Handle device, std::uint32_t code, const void* in,
                               std::uint32_t inSize, void* out, std::uint32_t outSize,
                               std::uint32_t* returned, Status* error) = 0;

  // CloseHandle(device)
  virtual bool CloseHandle(Handle device) = 0;
};

}  // namespace ql
