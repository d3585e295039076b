// Scripted failures for the sims: an operation fails on its Nth call from the moment the
// failure is armed, or on every call, with a given status.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace ql::sim {

// Platform status codes the sims give beyond those in platform/types.h.
namespace simerr {
inline constexpr Status kBadPathname = 161;     // ERROR_BAD_PATHNAME
inline constexpr Status kNotLocked = 158;       // ERROR_NOT_LOCKED
inline constexpr Status kInvalidAddress = 487;  // ERROR_INVALID_ADDRESS
inline constexpr Status kNoAccess = 998;        // ERROR_NOACCESS: a required pointer was null
inline constexpr Status kKeyDeleted = 1018;     // ERROR_KEY_DELETED
}  // namespace simerr

class FaultPlan {
 public:
  // The nth call from now (1 = the very next call) fails once with status.
  void FailNth(std::uint32_t n, Status status) {
    if (n == 0 || status == err::kSuccess) return;
    once_.push_back({calls_ + n, status});
  }
  void FailNext(Status status) { FailNth(1, status); }
  // Every call fails with status until Clear(); status 0 stops it.
  void FailAlways(Status status) { always_ = status; }
  void Clear() {
    once_.clear();
    always_ = err::kSuccess;
  }

  // Counts one call and gives the status it has to fail with, or 0 to go on normally.
  Status OnCall() {
    ++calls_;
    for (auto it = once_.begin(); it != once_.end(); ++it) {
      if (it->atCall == calls_) {
        const Status status = it->status;
        once_.erase(it);
        return status;
      }
    }
    return always_;
  }

  // Calls counted so far (failed ones included).
  [[nodiscard]] std::uint64_t Calls() const { return calls_; }
  [[nodiscard]] bool Armed() const { return always_ != err::kSuccess || !once_.empty(); }

 private:
  struct Once {
    std::uint64_t atCall;
    Status status;
  };
  std::uint64_t calls_ = 0;
  std::vector<Once> once_;
  Status always_ = err::kSuccess;
};

}  // namespace ql::sim
