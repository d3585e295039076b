#include "sim/sim_memory.h"

#include <sstream>

namespace ql::sim {

namespace {
constexpr Address kUserSpaceEnd = 0x7FFF0000;
std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) {
  return (value + unit - 1) / unit * unit;
}
}  // namespace

SimMemory::SimMemory() {
  status.length = 32;
  status.memoryLoad = 30;
  status.totalPhys = 64u * 1024 * 1024;
  status.availPhys = 40u * 1024 * 1024;
  status.totalPageFile = 160u * 1024 * 1024;
  status.availPageFile = 120u * 1024 * 1024;
  status.totalVirtual = 0x7FFE0000u;
  status.availVirtual = 0x7F000000u;
}

bool SimMemory::Fail(Status status_, Status* error) {
  if (error != nullptr) *error = status_;
  return false;
}

SimMemory::Region* SimMemory::Find(Address address) {
  for (auto& region : regions_) {
    if (region.state != State::kReleased && address >= region.base &&
        address < region.base + region.size) {
      return &region;
    }
  }
  return nullptr;
}

const SimMemory::Region* SimMemory::RegionAt(Address base) const {
  for (const auto& region : regions_) {
    if (region.base == base) return &region;
  }
  return nullptr;
}

void SimMemory::GlobalMemoryStatus(MemoryStatus* out) {
  ++statusQueries_;
  if (out != nullptr) *out = status;
}

bool SimMemory::SetProcessWorkingSetSize(std::uint32_t minimum, std::uint32_t maximum,
                                         Status* error) {
  Status result = workingSetFaults.OnCall();
  if (result == err::kSuccess && minimum > maximum) result = err::kInvalidParameter;
  calls_.push_back({CallKind::kWorkingSet, 0, minimum, maximum, 0, result, 0});
  if (result != err::kSuccess) return Fail(result, error);
  wsMin_ = minimum;
  wsMax_ = maximum;
  return true;
}

Address SimMemory::VirtualAlloc(Address address, std::uint32_t size, std::uint32_t type,
                                std::uint32_t protect, Status* error) {
  Call call{CallKind::kAlloc, address, size, type, protect, allocFaults.OnCall(), 0};
  if (call.status == err::kSuccess) {
    if (size == 0 || (type & (mem::kCommit | mem::kReserve)) == 0) {
      call.status = err::kInvalidParameter;
    } else if (address != 0) {
      // Committing inside a region reserved before.
      Region* region = Find(address);
      if (region == nullptr || address + size > region->base + region->size) {
        call.status = simerr::kInvalidAddress;
      } else {
        if (type & mem::kCommit) region->state = State::kCommitted;
        call.result = address / kPageSize * kPageSize;
      }
    } else {
      const std::uint64_t span = RoundUp(size, kAllocationGranularity);
      if (nextBase_ + span > kUserSpaceEnd) {
        call.status = err::kNotEnoughMemory;
      } else {
        Region region;
        region.base = nextBase_;
        region.size = static_cast<std::uint32_t>(RoundUp(size, kPageSize));
        region.requested = size;
        region.type = type;
        region.protect = protect;
        region.state = (type & mem::kCommit) ? State::kCommitted : State::kReserved;
        regions_.push_back(region);
        nextBase_ += static_cast<Address>(span);
        call.result = region.base;
      }
    }
  }
  calls_.push_back(call);
  if (call.status != err::kSuccess) {
    Fail(call.status, error);
    return 0;
  }
  return call.result;
}

bool SimMemory::VirtualLock(Address address, std::uint32_t size, Status* error) {
  Call call{CallKind::kLock, address, size, 0, 0, lockFaults.OnCall(), 0};
  Region* region = Find(address);
  if (call.status == err::kSuccess) {
    if (region == nullptr || region->state != State::kCommitted ||
        address + size > region->base + region->size) {
      call.status = simerr::kInvalidAddress;
    } else if (lockLimited_ && LockedBytes() + size > wsMin_) {
      call.status = err::kWorkingSetQuota;
    } else {
      region->locked = true;
    }
  }
  calls_.push_back(call);
  return call.status == err::kSuccess || Fail(call.status, error);
}

bool SimMemory::VirtualUnlock(Address address, std::uint32_t size, Status* error) {
  Call call{CallKind::kUnlock, address, size, 0, 0, unlockFaults.OnCall(), 0};
  Region* region = Find(address);
  if (call.status == err::kSuccess) {
    if (region == nullptr || region->state != State::kCommitted) {
      call.status = simerr::kInvalidAddress;
    } else if (!region->locked) {
      call.status = simerr::kNotLocked;
    } else {
      region->locked = false;
    }
  }
  calls_.push_back(call);
  return call.status == err::kSuccess || Fail(call.status, error);
}

bool SimMemory::VirtualFree(Address address, std::uint32_t size, std::uint32_t type,
                            Status* error) {
  Call call{CallKind::kFree, address, size, type, 0, freeFaults.OnCall(), 0};
  Region* region = Find(address);
  if (call.status == err::kSuccess) {
    if (type == mem::kRelease) {
      if (size != 0) {
        call.status = err::kInvalidParameter;
      } else if (region == nullptr || region->base != address) {
        call.status = simerr::kInvalidAddress;
      } else {
        region->state = State::kReleased;
        region->locked = false;
      }
    } else if (type == kDecommit) {
      if (region == nullptr) {
        call.status = simerr::kInvalidAddress;
      } else {
        region->state = State::kReserved;
        region->locked = false;
      }
    } else {
      call.status = err::kInvalidParameter;
    }
  }
  calls_.push_back(call);
  return call.status == err::kSuccess || Fail(call.status, error);
}

void SimMemory::CompactHeaps() { ++compactions_; }

std::vector<SimMemory::Call> SimMemory::CallsOf(CallKind kind) const {
  std::vector<Call> out;
  for (const auto& call : calls_) {
    if (call.kind == kind) out.push_back(call);
  }
  return out;
}

std::uint64_t SimMemory::CommittedBytes() const {
  std::uint64_t total = 0;
  for (const auto& region : regions_) {
    if (region.state == State::kCommitted) total += region.size;
  }
  return total;
}

std::uint64_t SimMemory::LockedBytes() const {
  std::uint64_t total = 0;
  for (const auto& region : regions_) {
    if (region.state == State::kCommitted && region.locked) total += region.size;
  }
  return total;
}

std::string SimMemory::ToString() const {
  std::ostringstream out;
  out << "memory: total phys " << status.totalPhys << ", working set " << wsMin_ << ".." << wsMax_
      << ", committed " << CommittedBytes() << ", locked " << LockedBytes() << ", compactions "
      << compactions_ << "\n";
  for (const auto& region : regions_) {
    out << "  region 0x" << std::hex << region.base << std::dec << " " << region.size << " bytes "
        << (region.state == State::kCommitted  ? "committed"
            : region.state == State::kReserved ? "reserved"
                                               : "released")
        << (region.locked ? ", locked" : "") << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
