// Memory management on the real machine.
#pragma once

#include "platform/memory.h"

namespace ql::win32 {

class Win32Memory final : public Memory {
 public:
  void GlobalMemoryStatus(MemoryStatus* status) override;
  bool SetProcessWorkingSetSize(std::uint32_t minimum, std::uint32_t maximum,
                                Status* error) override;
  Address VirtualAlloc(Address address, std::uint32_t size, std::uint32_t type,
                       std::uint32_t protect, Status* error) override;
  bool VirtualLock(Address address, std::uint32_t size, Status* error) override;
  bool VirtualUnlock(Address address, std::uint32_t size, Status* error) override;
  bool VirtualFree(Address address, std::uint32_t size, std::uint32_t type, Status* error) override;
  void CompactHeaps() override;
};

}  // namespace ql::win32
