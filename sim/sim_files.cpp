#include "sim/sim_files.h"

#include <sstream>

#include "sim/sim_text.h"

namespace ql::sim {

bool SimFiles::Fail(Status status, Status* error) {
  if (error != nullptr) *error = status;
  return false;
}

bool SimFiles::Conflicts(const std::string& key, std::uint32_t access, std::uint32_t share) const {
  for (const auto& [handle, open] : handles_) {
    if (open.key != key) continue;
    // What the new handle wants must be shared by every open one, and the other way round.
    if ((access & file::kGenericRead) != 0 && (open.share & file::kShareRead) == 0) return true;
    if ((access & file::kGenericWrite) != 0 && (open.share & file::kShareWrite) == 0) return true;
    if ((open.access & file::kGenericRead) != 0 && (share & file::kShareRead) == 0) return true;
    if ((open.access & file::kGenericWrite) != 0 && (share & file::kShareWrite) == 0) return true;
  }
  return false;
}

Handle SimFiles::CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t creation, Status* error) {
  OpenRecord record{std::string(path), access, share, creation, kInvalidHandle, err::kSuccess};
  const std::string key = Fold(path);
  auto refuse = [&](Status status) {
    record.status = status;
    opens_.push_back(record);
    Fail(status, error);
    return kInvalidHandle;
  };

  if (const Status fault = openFaults.OnCall(); fault != err::kSuccess) return refuse(fault);
  if (path.empty()) return refuse(err::kPathNotFound);
  if (const auto it = refused_.find(key); it != refused_.end()) return refuse(it->second);
  const bool exists = files_.count(key) != 0;
  if (creation == file::kOpenExisting && !exists) return refuse(err::kFileNotFound);
  if (creation != file::kOpenExisting && creation != file::kOpenAlways) {
    return refuse(err::kInvalidParameter);
  }
  if (Conflicts(key, access, share)) return refuse(err::kSharingViolation);

  if (!exists) files_[key] = File{std::string(path), std::string()};
  const Handle handle = next_;
  next_ += 4;
  handles_[handle] = OpenHandle{key, access, share};
  record.handle = handle;
  opens_.push_back(record);
  return handle;
}

bool SimFiles::GetFileSize(Handle file, std::uint64_t* size, Status* error) {
  const auto it = handles_.find(file);
  if (it == handles_.end()) return Fail(err::kInvalidHandle, error);
  *size = files_[it->second.key].content.size();
  return true;
}

bool SimFiles::AppendToFile(Handle file, std::string_view data, Status* error) {
  const auto it = handles_.find(file);
  if (it == handles_.end()) return Fail(err::kInvalidHandle, error);
  if ((it->second.access & file::kGenericWrite) == 0) return Fail(err::kAccessDenied, error);
  if (const Status fault = appendFaults.OnCall(); fault != err::kSuccess) {
    return Fail(fault, error);
  }
  files_[it->second.key].content.append(data);
  appends_.emplace_back(data);
  return true;
}

bool SimFiles::CloseHandle(Handle file) {
  if (handles_.erase(file) == 0) {
    ++badCloses_;
    return false;
  }
  return true;
}

void SimFiles::Put(std::string_view path, std::string content) {
  files_[Fold(path)] = File{std::string(path), std::move(content)};
}

void SimFiles::Refuse(std::string_view path, Status status) { refused_[Fold(path)] = status; }

bool SimFiles::Exists(std::string_view path) const { return files_.count(Fold(path)) != 0; }

std::string SimFiles::Content(std::string_view path) const {
  const auto it = files_.find(Fold(path));
  return it == files_.end() ? std::string() : it->second.content;
}

std::string SimFiles::ToString() const {
  std::ostringstream out;
  out << "--- files: " << files_.size() << " files, " << handles_.size() << " open handles\n";
  for (const auto& [key, file] : files_) {
    out << "  " << file.name << " (" << file.content.size() << " bytes)\n";
  }
  for (const auto& open : opens_) {
    out << "  open " << open.path << " access=0x" << std::hex << open.access << " share=0x"
        << open.share << std::dec << " creation=" << open.creation << " -> status " << open.status
        << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
