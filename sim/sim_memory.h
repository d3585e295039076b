// Memory management with scripted figures and recorded calls.
//
// VirtualAlloc hands out fake, page-aligned addresses and never allocates the size asked
// for: a test of a 256 MiB buffer costs nothing. Regions keep their state (reserved,
// committed, released) and whether they are locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimMemory : public Memory {
 public:
  static constexpr std::uint32_t kPageSize = 4096;
  static constexpr std::uint32_t kAllocationGranularity = 65536;
  static constexpr std::uint32_t kDecommit = 0x4000;  // MEM_DECOMMIT

  enum class State { kReserved, kCommitted, kReleased };

  struct Region {
    Address base = 0;
    std::uint32_t size = 0;  // rounded up to whole pages
    std::uint32_t requested = 0;
    std::uint32_t type = 0;
    std::uint32_t protect = 0;
    State state = State::kReserved;
    bool locked = false;
  };

  enum class CallKind { kWorkingSet, kAlloc, kLock, kUnlock, kFree };
  struct Call {
    CallKind kind;
    Address address;      // kAlloc: the address asked for; others: the argument
    std::uint32_t size;   // kWorkingSet: minimum
    std::uint32_t extra;  // kWorkingSet: maximum; kAlloc: type; kFree: type
    std::uint32_t protect;
    Status status;   // 0 = success
    Address result;  // kAlloc: the address handed out
  };

  SimMemory();

  // Memory
  void GlobalMemoryStatus(MemoryStatus* status) override;
  bool SetProcessWorkingSetSize(std::uint32_t minimum, std::uint32_t maximum,
                                Status* error) override;
  Address VirtualAlloc(Address address, std::uint32_t size, std::uint32_t type,
                       std::uint32_t protect, Status* error) override;
  bool VirtualLock(Address address, std::uint32_t size, Status* error) override;
  bool VirtualUnlock(Address address, std::uint32_t size, Status* error) override;
  bool VirtualFree(Address address, std::uint32_t size, std::uint32_t type, Status* error) override;
  void CompactHeaps() override;

  // --- Scripting -----------------------------------------------------------------------
  // What GlobalMemoryStatus reports (64 MiB of physical memory by default).
  MemoryStatus status;
  void SetTotalPhys(std::uint32_t bytes) { status.totalPhys = bytes; }
  FaultPlan workingSetFaults;
  FaultPlan allocFaults;
  FaultPlan lockFaults;
  FaultPlan unlockFaults;
  FaultPlan freeFaults;
  // When on, VirtualLock fails with 1453 if the locked pages would exceed the working-set
  // minimum last set, as the platform refuses then. Off by default.
  void SetLockLimitedByWorkingSet(bool on) { lockLimited_ = on; }

  // --- What tests read ------------------------------------------------------------------
  [[nodiscard]] const std::vector<Call>& Calls() const { return calls_; }
  [[nodiscard]] std::vector<Call> CallsOf(CallKind kind) const;
  [[nodiscard]] const std::vector<Region>& Regions() const { return regions_; }
  [[nodiscard]] const Region* RegionAt(Address base) const;
  [[nodiscard]] std::uint64_t CommittedBytes() const;
  [[nodiscard]] std::uint64_t LockedBytes() const;
  // The working-set limits last set successfully (0, 0 before).
  [[nodiscard]] std::uint32_t WorkingSetMinimum() const { return wsMin_; }
  [[nodiscard]] std::uint32_t WorkingSetMaximum() const { return wsMax_; }
  [[nodiscard]] std::uint32_t CompactCount() const { return compactions_; }
  [[nodiscard]] std::uint32_t StatusQueries() const { return statusQueries_; }

  [[nodiscard]] std::string ToString() const;

 private:
  Region* Find(Address address);
  bool Fail(Status status, Status* error);

  std::vector<Region> regions_;
  std::vector<Call> calls_;
  Address nextBase_ = 0x01000000;
  std::uint32_t wsMin_ = 0;
  std::uint32_t wsMax_ = 0;
  bool lockLimited_ = false;
  std::uint32_t compactions_ = 0;
  std::uint32_t statusQueries_ = 0;
};

}  // namespace ql::sim
