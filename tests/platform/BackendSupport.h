// The backend under test and what its native codes are, so that one test
// source covers both systems.
#pragma once

#include <cstdint>
#include <string_view>

#ifdef _WIN32
#include "platform/win/WinPlatform.h"
#else
#include <cerrno>

#include "platform/posix/PosixPlatform.h"
#endif

namespace dw::test {

#ifdef _WIN32
using Backend = WinPlatform;
using ChunkTarget = void*;
using ChunkError = std::uint32_t;
inline constexpr std::uint32_t kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kAccessDenied = 5;  // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kDiskFull = 112;    // ERROR_DISK_FULL
inline constexpr std::uint32_t kDirectoryInTheWay = kAccessDenied;
inline constexpr char16_t kSeparator = u'\\';
#else
using Backend = PosixPlatform;
using ChunkTarget = int;
using ChunkError = int;
inline constexpr std::uint32_t kFileNotFound = ENOENT;
inline constexpr std::uint32_t kPathNotFound = ENOENT;
inline constexpr std::uint32_t kAccessDenied = EACCES;
inline constexpr std::uint32_t kDiskFull = ENOSPC;
inline constexpr std::uint32_t kDirectoryInTheWay = EISDIR;
inline constexpr char16_t kSeparator = u'/';
#endif

// The backend with its write stage failing at the failAt-th chunk (1-based)
// as a full disk would; chunks before it are really written.
class FailingWrites : public Backend {
 public:
  explicit FailingWrites(int failAt) : failAt_(failAt) {}
  int Calls() const { return calls_; }

 protected:
  ChunkError WriteChunk(ChunkTarget file, std::string_view chunk) override {
    if (++calls_ == failAt_) return static_cast<ChunkError>(kDiskFull);
    return Backend::WriteChunk(file, chunk);
  }

 private:
  int failAt_;
  int calls_ = 0;
};

}  // namespace dw::test
