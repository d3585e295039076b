// Plain files, as far as a program appends a log to one that others may read while it grows:
// CreateFileA, GetFileSize, SetFilePointer with WriteFile, CloseHandle.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace ql {

namespace file {
inline constexpr std::uint32_t kOpenAlways = 4;
}  // namespace file

namespace err {
inline constexpr Status kSharingViolation = 32;
inline constexpr Status kDiskFull = 112;
}  // namespace err

class Files {
 public:
  virtual ~Files() = default;

  // CreateFileA(path, access, share, NULL, creation, FILE_ATTRIBUTE_NORMAL, NULL).
  // Returns kInvalidHandle on failure with the error in *error (when not null).
  virtual Handle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t creation, Status* error) = 0;

  // GetFileSize(file, &high): the whole size in *size.
  virtual bool GetFileSize(Handle file, std::uint64_t* size, Status* error) = 0;

  // SetFilePointer(file, 0, NULL, FILE_END), then WriteFile(file, ...) until every byte is
  // written. False when either fails or the disk takes fewer bytes than given.
  virtual bool AppendToFile(Handle file, std::string_view data, Status* error) = 0;

  // CloseHandle(file)
  virtual bool CloseHandle(Handle file) = 0;
};

}  // namespace ql
