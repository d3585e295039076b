#include "sim/sim_device.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "sim/sim_text.h"

namespace ql::sim {

namespace {

void PutU64(std::uint8_t* out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

}  // namespace

SimDevice::SimDevice(SimClock& clock) : clock_(clock), paths_{"\\\\.\\C:"} {}

Handle SimDevice::CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                             std::uint32_t creation, std::uint32_t flags, Status* error) {
  OpenRecord record{std::string(path), access, share,       creation, flags,
                    kInvalidHandle,    0,      clock_.Now()};
  record.status = openFaults.OnCall();
  if (record.status == err::kSuccess) {
    const bool served = std::any_of(paths_.begin(), paths_.end(),
                                    [&](const std::string& p) { return EqualsNoCase(p, path); });
    if (!served) record.status = err::kFileNotFound;
  }
  if (record.status == err::kSuccess) {
    record.handle = nextHandle_;
    nextHandle_ += 4;
    open_[record.handle] = record.path;
  }
  if (error != nullptr) *error = record.status;
  opens_.push_back(record);
  return record.handle;
}

void SimDevice::SetShortAnswer(std::uint32_t code, std::optional<std::uint32_t> bytes) {
  if (bytes) {
    shortAnswers_[code] = *bytes;
  } else {
    shortAnswers_.erase(code);
  }
}

Status SimDevice::Answer(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                         std::uint32_t outSize, std::uint32_t* returned, Request* request) {
  std::uint32_t full = 0;
  if (code == IOCTL_OV_QUERY_SIZE) {
    if (inSize != 0) return err::kInvalidParameter;
    if (out == nullptr || outSize < kQuerySizeOutputBytes) return err::kInsufficientBuffer;
    full = kQuerySizeOutputBytes;
  } else if (code == IOCTL_OV_FINAL_INIT) {
    if (in == nullptr || inSize != sizeof(OV_BUFFER_INFO) || outSize != 0) {
      return err::kInvalidParameter;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    OV_BUFFER_INFO info{};
    info.BufferSize = static_cast<std::uint64_t>(GetU32(bytes)) |
                      (static_cast<std::uint64_t>(GetU32(bytes + 4)) << 32);
    info.BufferAddress = GetU32(bytes + 8);
    info.DeviceHandle = GetU32(bytes + 12);
    request->handover = info;
    // Taking the buffer over takes its time, whether it ends well or not.
    clock_.Advance(finalInitLatency_);
  } else if (code == IOCTL_OV_GET_STATS) {
    if (inSize != 0) return err::kInvalidParameter;
    if (out == nullptr || outSize < sizeof(OV_STATISTICS)) return err::kInsufficientBuffer;
    full = sizeof(OV_STATISTICS);
  } else {
    return err::kInvalidFunction;
  }
  if (returned == nullptr) return simerr::kNoAccess;

  if (const Status status = faults_[code].OnCall(); status != err::kSuccess) return status;

  std::uint8_t answer[sizeof(OV_STATISTICS)] = {};
  if (code == IOCTL_OV_QUERY_SIZE) {
    PutU64(answer, sizeWanted_);
  } else if (code == IOCTL_OV_GET_STATS) {
    PutU64(answer + 0, counters_.writeCount);
    PutU64(answer + 8, counters_.writeBehindCount);
    PutU64(answer + 16, counters_.readCount);
    PutU64(answer + 24, counters_.readHitCount);
    counters_.writeCount += increments_.writeCount;
    counters_.writeBehindCount += increments_.writeBehindCount;
    counters_.readCount += increments_.readCount;
    counters_.readHitCount += increments_.readHitCount;
  }
  std::uint32_t bytes = full;
  if (auto it = shortAnswers_.find(code); it != shortAnswers_.end()) {
    bytes = std::min(it->second, full);
  }
  if (bytes > 0) std::memcpy(out, answer, bytes);
  *returned = bytes;
  return err::kSuccess;
}

bool SimDevice::DeviceIoControl(Handle device, std::uint32_t code, const void* in,
                                std::uint32_t inSize, void* out, std::uint32_t outSize,
                                std::uint32_t* returned, Status* error) {
  Request request;
  request.handle = device;
  request.code = code;
  request.inSize = inSize;
  request.outSize = outSize;
  if (in != nullptr && inSize > 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    request.input.assign(bytes, bytes + inSize);
  }
  request.start = clock_.Now();
  if (open_.count(device) == 0) {
    request.status = err::kInvalidHandle;
  } else {
    request.status = Answer(code, in, inSize, out, outSize, returned, &request);
    if (request.status == err::kSuccess) request.returned = *returned;
  }
  request.end = clock_.Now();
  if (request.status != err::kSuccess && error != nullptr) *error = request.status;
  if (request.status == err::kSuccess && error != nullptr) *error = err::kSuccess;
  const bool ok = request.status == err::kSuccess;
  requests_.push_back(std::move(request));
  return ok;
}

bool SimDevice::CloseHandle(Handle device) {
  auto it = open_.find(device);
  if (it == open_.end()) {
    ++badCloses_;
    return false;
  }
  open_.erase(it);
  ++closes_;
  return true;
}

std::vector<SimDevice::Request> SimDevice::RequestsWithCode(std::uint32_t code) const {
  std::vector<Request> out;
  for (const auto& request : requests_) {
    if (request.code == code) out.push_back(request);
  }
  return out;
}

std::vector<Handle> SimDevice::OpenHandles() const {
  std::vector<Handle> out;
  for (const auto& [handle, path] : open_) out.push_back(handle);
  return out;
}

namespace {
const char* CodeName(std::uint32_t code) {
  if (code == IOCTL_OV_QUERY_SIZE) return "IOCTL_OV_QUERY_SIZE";
  if (code == IOCTL_OV_FINAL_INIT) return "IOCTL_OV_FINAL_INIT";
  if (code == IOCTL_OV_GET_STATS) return "IOCTL_OV_GET_STATS";
  return "unknown code";
}
}  // namespace

std::string SimDevice::ToString() const {
  std::ostringstream out;
  out << "device: " << open_.size() << " open handles, " << badCloses_ << " bad closes, "
      << opens_.size() << " opens, " << requests_.size() << " requests\n";
  for (const auto& [handle, path] : open_) out << "  open " << handle << ": " << path << "\n";
  for (const auto& open : opens_) {
    out << "  CreateFile \"" << open.path << "\" -> "
        << (open.status == 0 ? "handle " + std::to_string(open.handle)
                             : "error " + std::to_string(open.status))
        << " at " << open.time << "\n";
  }
  for (const auto& request : requests_) {
    out << "  " << CodeName(request.code) << " on " << request.handle << " in " << request.inSize
        << " out " << request.outSize << " -> status " << request.status << ", returned "
        << request.returned << ", " << request.start << ".." << request.end << " ms\n";
  }
  return out.str();
}

}  // namespace ql::sim
