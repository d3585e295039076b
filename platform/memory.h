// Memory management: GlobalMemoryStatus, SetProcessWorkingSetSize, VirtualAlloc,
// VirtualLock, VirtualUnlock, VirtualFree, and the heap compaction the tuning engine runs
// (HeapLock / HeapCompact / HeapUnlock on the process heap, GlobalCompact) as one sequence.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace ql {

// MEMORYSTATUS: every field an unsigned 32-bit number.
struct MemoryStatus {
  std::uint32_t length = 32;
  std::uint32_t memoryLoad = 0;
  std::uint32_t totalPhys = 0;
  std::uint32_t availPhys = 0;
  std::uint32_t totalPageFile = 0;
  std::uint32_t availPageFile = 0;
  std::uint32_t totalVirtual = 0;
  std::uint32_t availVirtual = 0;
};

using Address = std::uintptr_t;  // a user-mode address; 0 = none

class Memory {
 public:
  virtual ~Memory() = default;

  // GlobalMemoryStatus(&status)
  virtual void GlobalMemoryStatus(MemoryStatus* status) = 0;

  // SetProcessWorkingSetSize(GetCurrentProcess(), minimum, maximum)
  virtual bool SetProcessWorkingSetSize(std::uint32_t minimum, std::uint32_t maximum,
                                        Status* error) = 0;

  // VirtualAlloc(address, size, type, protect): 0 on failure.
  virtual Address VirtualAlloc(Address address, std::uint32_t size, std::uint32_t type,
                               std::uint32_t protect, Status* error) = 0;

  // VirtualLock(address, size)
  virtual bool VirtualLock(Address address, std::uint32_t size, Status* error) = 0;

  // VirtualUnlock(address, size)
  virtual bool VirtualUnlock(Address address, std::uint32_t size, Status* error) = 0;

  // VirtualFree(address, size, type)
  virtual bool VirtualFree(Address address, std::uint32_t size, std::uint32_t type,
                           Status* error) = 0;

  // HeapLock(GetProcessHeap()); HeapCompact(heap, 4); HeapUnlock(heap); HeapCompact(heap, 1);
  // GlobalCompact(256000000)
  virtual void CompactHeaps() = 0;
};

}  // namespace ql
