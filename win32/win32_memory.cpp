#include "win32/win32_memory.h"

#include "win32/win32_windows.h"

namespace ql::win32 {

void Win32Memory::GlobalMemoryStatus(MemoryStatus* status) {
  if (status == nullptr) return;
  MEMORYSTATUS native{};
  native.dwLength = sizeof(native);
  ::GlobalMemoryStatus(&native);
  // A 32-bit program sees every figure as a 32-bit number (SIZE_T is 32 bits wide here).
  status->length = static_cast<std::uint32_t>(native.dwLength);
  status->memoryLoad = static_cast<std::uint32_t>(native.dwMemoryLoad);
  status->totalPhys = static_cast<std::uint32_t>(native.dwTotalPhys);
  status->availPhys = static_cast<std::uint32_t>(native.dwAvailPhys);
  status->totalPageFile = static_cast<std::uint32_t>(native.dwTotalPageFile);
  status->availPageFile = static_cast<std::uint32_t>(native.dwAvailPageFile);
  status->totalVirtual = static_cast<std::uint32_t>(native.dwTotalVirtual);
  status->availVirtual = static_cast<std::uint32_t>(native.dwAvailVirtual);
}

bool Win32Memory::SetProcessWorkingSetSize(std::uint32_t minimum, std::uint32_t maximum,
                                           Status* error) {
  if (!::SetProcessWorkingSetSize(::GetCurrentProcess(), minimum, maximum)) {
    StoreLastError(error);
    return false;
  }
  return true;
}

Address Win32Memory::VirtualAlloc(Address address, std::uint32_t size, std::uint32_t type,
                                  std::uint32_t protect, Status* error) {
  LPVOID block = ::VirtualAlloc(ToNative<LPVOID>(address), size, type, protect);
  if (block == nullptr) StoreLastError(error);
  return FromNative(block);
}

bool Win32Memory::VirtualLock(Address address, std::uint32_t size, Status* error) {
  if (!::VirtualLock(ToNative<LPVOID>(address), size)) {
    StoreLastError(error);
    return false;
  }
  return true;
}

bool Win32Memory::VirtualUnlock(Address address, std::uint32_t size, Status* error) {
  if (!::VirtualUnlock(ToNative<LPVOID>(address), size)) {
    StoreLastError(error);
    return false;
  }
  return true;
}

bool Win32Memory::VirtualFree(Address address, std::uint32_t size, std::uint32_t type,
                              Status* error) {
  if (!::VirtualFree(ToNative<LPVOID>(address), size, type)) {
    StoreLastError(error);
    return false;
  }
  return true;
}

void Win32Memory::CompactHeaps() {
  HANDLE heap = ::GetProcessHeap();
  if (heap != nullptr) {
    // The tuning engine's periodic compaction: once under the heap's lock (flags 4,
    // HEAP_GENERATE_EXCEPTIONS), once more with flags 1 (HEAP_NO_SERIALIZE), then the global
    // heap. The results are not used.
    ::HeapLock(heap);
    ::HeapCompact(heap, HEAP_GENERATE_EXCEPTIONS);
    ::HeapUnlock(heap);
    ::HeapCompact(heap, HEAP_NO_SERIALIZE);
  }
  ::GlobalCompact(256000000);
}

}  // namespace ql::win32
