// The cache driver's control device with a stand-in driver behind it.
//
// CreateFile opens only the device paths the stand-in serves (compared without regard to
// case; "\\.\C:" by default); any other path fails with 2. The stand-in answers the three
// control codes strictly, as a careful driver checks its buffers:
//   IOCTL_OV_QUERY_SIZE  no input (else 87), output of at least 8 bytes (else 122)
//   IOCTL_OV_FINAL_INIT  input of exactly 16 bytes (else 87), no output (else 87)
//   IOCTL_OV_GET_STATS   no input (else 87), output of at least 48 bytes (else 122)
//   any other code       1 (invalid function)
// A null bytes-returned pointer fails with 998 (the platform would fault on it). On failure
// the output buffer is untouched. Every request is recorded with its virtual start and end.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/driver_control.h"
#include "platform/device.h"
#include "sim/sim_clock.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimDevice : public Device {
 public:
  // The four counters of OV_STATISTICS the programs read.
  struct Counters {
    std::uint64_t writeCount = 0;
    std::uint64_t writeBehindCount = 0;
    std::uint64_t readCount = 0;
    std::uint64_t readHitCount = 0;
  };

  struct OpenRecord {
    std::string path;
    std::uint32_t access = 0;
    std::uint32_t share = 0;
    std::uint32_t creation = 0;
    std::uint32_t flags = 0;
    Handle handle = kInvalidHandle;  // kInvalidHandle when the open failed
    Status status = 0;
    std::uint64_t time = 0;
  };

  struct Request {
    Handle handle = 0;
    std::uint32_t code = 0;
    std::uint32_t inSize = 0;
    std::uint32_t outSize = 0;
    std::vector<std::uint8_t> input;  // the inSize bytes given (empty when in was null)
    Status status = 0;                // 0 = success
    std::uint32_t returned = 0;       // bytes reported as returned on success
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::optional<OV_BUFFER_INFO> handover;  // FINAL_INIT with a well-formed record
  };

  explicit SimDevice(SimClock& clock);

  // Device
  Handle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                    std::uint32_t creation, std::uint32_t flags, Status* error) override;
  bool DeviceIoControl(Handle device, std::uint32_t code, const void* in, std::uint32_t inSize,
                       void* out, std::uint32_t outSize, std::uint32_t* returned,
                       Status* error) override;
  bool CloseHandle(Handle device) override;

  // --- The stand-in driver's script ----------------------------------------------------
  // Replaces the served paths (none: every open fails with 2).
  void ServePaths(std::vector<std::string> paths) { paths_ = std::move(paths); }
  void AddPath(std::string path) { paths_.push_back(std::move(path)); }
  [[nodiscard]] const std::vector<std::string>& Paths() const { return paths_; }
  // CreateFile fails as scripted here before looking at the path.
  FaultPlan openFaults;
  // The buffer size IOCTL_OV_QUERY_SIZE answers (any 64-bit value).
  void SetSizeWanted(std::uint64_t bytes) { sizeWanted_ = bytes; }
  // How long IOCTL_OV_FINAL_INIT takes; the clock advances by it (also when it fails).
  void SetFinalInitLatency(std::uint32_t milliseconds) { finalInitLatency_ = milliseconds; }
  // Failures of one control code, after the length checks passed.
  FaultPlan& Faults(std::uint32_t code) { return faults_[code]; }
  // Counters: the first IOCTL_OV_GET_STATS answers start; each answer after that adds
  // increments once more.
  void SetCounters(const Counters& start) { counters_ = start; }
  void SetCounterIncrements(const Counters& increments) { increments_ = increments; }
  [[nodiscard]] const Counters& CurrentCounters() const { return counters_; }
  // Answer a code with fewer bytes than the full record (only the first bytes are written
  // and the count says so); std::nullopt gives the full answer again.
  void SetShortAnswer(std::uint32_t code, std::optional<std::uint32_t> bytes);

  // --- What tests read ------------------------------------------------------------------
  [[nodiscard]] const std::vector<OpenRecord>& Opens() const { return opens_; }
  [[nodiscard]] const std::vector<Request>& Requests() const { return requests_; }
  [[nodiscard]] std::vector<Request> RequestsWithCode(std::uint32_t code) const;
  // Handles open now; a handle left open at the end of a test is a leak.
  [[nodiscard]] std::size_t OpenHandleCount() const { return open_.size(); }
  [[nodiscard]] std::vector<Handle> OpenHandles() const;
  [[nodiscard]] bool IsOpen(Handle handle) const { return open_.count(handle) != 0; }
  // CloseHandle calls for a handle that was not open: closed twice, or never opened.
  [[nodiscard]] std::uint32_t BadCloseCount() const { return badCloses_; }
  [[nodiscard]] std::uint32_t CloseCount() const { return closes_; }

  [[nodiscard]] std::string ToString() const;

 private:
  Status Answer(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                std::uint32_t outSize, std::uint32_t* returned, Request* request);

  SimClock& clock_;
  std::vector<std::string> paths_;
  std::uint64_t sizeWanted_ = 0;
  std::uint32_t finalInitLatency_ = 0;
  std::map<std::uint32_t, FaultPlan> faults_;
  std::map<std::uint32_t, std::uint32_t> shortAnswers_;
  Counters counters_;
  Counters increments_;
  std::map<Handle, std::string> open_;
  Handle nextHandle_ = 0x00100000;
  std::vector<OpenRecord> opens_;
  std::vector<Request> requests_;
  std::uint32_t badCloses_ = 0;
  std::uint32_t closes_ = 0;
};

}  // namespace ql::sim
