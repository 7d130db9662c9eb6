// Files, error texts and code pages through the Win32 API.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include "platform/win/WinPlatform.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace dw {

namespace {

// wchar_t is UTF-16 on Windows: the same code units as char16_t.
std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}
std::u16string U16(const wchar_t* text, std::size_t length) {
  return std::u16string(text, text + length);
}

// Closes a handle on every way out of a function.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Closes now; false (with the last error set) when closing failed.
  bool Close() {
    if (!valid()) return true;
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

// Opens an entry for its attributes only, following links and junctions.
Handle OpenForQuery(const std::wstring& path) {
  return Handle(::CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The attributes of what a link or junction leads to; false when it leads nowhere.
bool TargetAttributes(const std::wstring& path, DWORD& attributes) {
  Handle entry = OpenForQuery(path);
  if (!entry.valid()) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(entry.get(), &info)) return false;
  attributes = info.dwFileAttributes;
  return true;
}

// Attributes of an entry, also of one held open without sharing (where
// GetFileAttributesW gives a sharing violation, the folder listing still knows it).
bool EntryAttributes(const std::wstring& path, DWORD& attributes) {
  attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return true;
  if (::GetLastError() != ERROR_SHARING_VIOLATION) return false;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  ::FindClose(search);
  attributes = found.dwFileAttributes;
  return true;
}

std::wstring Hex(unsigned long long value) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  do {
    text.insert(text.begin(), kDigits[value & 15]);
    value >>= 4;
  } while (value != 0);
  return text;
}

// Temp files of a save are "<file>.~<process id>-<number>.tmp" (hex).
constexpr wchar_t kTempMark[] = L".~";
constexpr wchar_t kTempEnd[] = L".tmp";

// Removes temp files beside target that saves left when they were killed;
// one of a process still running is its save in progress and stays. This is
// tidying only: what cannot be removed now is tried again next time.
void RemoveStaleTemps(const std::wstring& target) {
  const auto slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  const std::wstring prefix = target.substr(folder.size()) + kTempMark;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((target + kTempMark + L"*" + kTempEnd).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> stale;
  do {
    const std::wstring name = found.cFileName;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const auto dash = name.find(L'-', prefix.size());
    if (dash == std::wstring::npos || dash == prefix.size() || dash - prefix.size() > 8) continue;
    DWORD owner = 0;
    bool digits = true;
    for (std::size_t i = prefix.size(); i < dash && digits; ++i) {
      const wchar_t c = name[i];
      const int value = c >= L'0' && c <= L'9'   ? c - L'0'
                        : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                                 : -1;
      digits = value >= 0;
      owner = owner * 16 + static_cast<DWORD>(value < 0 ? 0 : value);
    }
    if (!digits || owner == ::GetCurrentProcessId()) continue;
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, owner);
    if (process != nullptr) {
      ::CloseHandle(process);
    } else if (::GetLastError() == ERROR_INVALID_PARAMETER) {  // no such process
      stale.push_back(folder + name);
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  for (const auto& path : stale) ::DeleteFileW(path.c_str());
}

}  // namespace

std::uint32_t WinPlatform::ModuleFileName(wchar_t* buffer, std::uint32_t size) {
  return ::GetModuleFileNameW(nullptr, buffer, size);
}

std::u16string WinPlatform::ProgramFilePath() {
  // A path longer than the buffer comes back cut, and the program's files
  // would then be looked for in a parent folder: grow until it fits.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t length = ModuleFileName(buffer.data(), size);
    if (length < size) return U16(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

bool WinPlatform::FolderExists(const std::u16string& path) {
  if (path.empty()) return false;
  // Where a relative folder would be transferred to (ShellPath).
  const std::wstring native = Wide(ShellPath(path, ProgramFilePath()));
  DWORD attributes = 0;
  if (!EntryAttributes(native, attributes)) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  // A link or junction counts only when it opens as a folder.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return TargetAttributes(native, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  return true;
}

bool WinPlatform::FileExists(const std::u16string& path) {
  if (path.empty()) return false;
  const std::wstring native = Wide(path);
  DWORD attributes = 0;
  if (!EntryAttributes(native, attributes)) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return TargetAttributes(native, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  return true;
}

std::uint32_t WinPlatform::ReadWholeFile(const std::u16string& path, std::string& bytes) {
  bytes.clear();
  Handle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return ::GetLastError();
  LARGE_INTEGER size = {};
  std::size_t expected = 0;
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    expected = static_cast<std::size_t>(size.QuadPart);
  }
  // One byte more than the size, so that the end is seen without growing.
  bytes.resize(expected + 1);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() * 2 + 4096);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data() + filled, want, &got, nullptr)) {
      const DWORD error = ::GetLastError();
      bytes.clear();
      return error;
    }
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  return 0;
}

std::uint32_t WinPlatform::WriteChunk(void* file, std::string_view chunk) {
  // Chunks are far below 4 GiB; the loop only guards the DWORD count.
  do {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(chunk.size(), 1u << 30));
    DWORD wrote = 0;
    if (!::WriteFile(static_cast<HANDLE>(file), chunk.data(), want, &wrote, nullptr)) {
      return ::GetLastError();
    }
    if (wrote != want) return ERROR_HANDLE_DISK_FULL;
    chunk.remove_prefix(wrote);
  } while (!chunk.empty());
  return 0;
}

// Refuses what creating the file anew with normal attributes would refuse,
// then writes a temp file beside it and moves that over the old one only
// when complete, so a failed write leaves the old file as it was.
WriteResult WinPlatform::WriteWholeFile(const std::u16string& path,
                                        const std::vector<std::string_view>& chunks) {
  using Stage = WriteResult::Stage;
  const auto fail = [](Stage stage, DWORD error) { return WriteResult{stage, error}; };
  if (path.empty()) return fail(Stage::Create, ERROR_PATH_NOT_FOUND);

  std::wstring target(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(Wide(path).c_str(), static_cast<DWORD>(target.size()),
                                            target.data(), nullptr);
    if (length == 0) return fail(Stage::Create, ::GetLastError());
    if (length < target.size()) {
      target.resize(length);
      break;
    }
    target.resize(length);
  }

  // Create-always with normal attributes refuses a folder and a read-only,
  // hidden or system file; Wine run as root would not, so test them here.
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                     FILE_ATTRIBUTE_SYSTEM)) != 0) {
    return fail(Stage::Create, ERROR_ACCESS_DENIED);
  }
  // Open it as create-always would (read and write, no sharing), without
  // truncating: missing rights, a missing folder or another program holding
  // the file fail here with the system's own codes.
  Handle probe(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe.valid()) return fail(Stage::Create, ::GetLastError());
  const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // Through a link the file it names is replaced, not the link.
    std::wstring final(MAX_PATH, L'\0');
    DWORD length =
        ::GetFinalPathNameByHandleW(probe.get(), final.data(), static_cast<DWORD>(final.size()), 0);
    if (length >= final.size()) {
      final.resize(length + 1);
      length = ::GetFinalPathNameByHandleW(probe.get(), final.data(),
                                           static_cast<DWORD>(final.size()), 0);
    }
    if (length > 0 && length < final.size()) target.assign(final.data(), length);
  }
  const auto removeCreated = [&] {
    if (created) ::DeleteFileW(target.c_str());
  };
  // Over the file itself, through the handle create-always would have
  // given: written from the start, then cut to length. The way for a file
  // with several names (each must see the new content) and for a folder
  // where no temp file can be made.
  const auto writeInPlace = [&]() -> WriteResult {
    const auto abandon = [&](DWORD error) {
      probe.Close();
      removeCreated();
      return fail(Stage::Write, error);
    };
    for (const auto chunk : chunks) {
      if (const std::uint32_t error = WriteChunk(probe.get(), chunk)) return abandon(error);
    }
    if (!::SetEndOfFile(probe.get())) return abandon(::GetLastError());
    if (!::FlushFileBuffers(probe.get())) return abandon(::GetLastError());
    if (!probe.Close()) return abandon(::GetLastError());
    return {};
  };
  BY_HANDLE_FILE_INFORMATION info;
  if (!created && ::GetFileInformationByHandle(probe.get(), &info) && info.nNumberOfLinks > 1) {
    return writeInPlace();
  }

  RemoveStaleTemps(target);
  static std::atomic<unsigned> counter{0};
  std::wstring tempPath;
  Handle temp(INVALID_HANDLE_VALUE);
  DWORD tempError = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && !temp.valid(); ++attempt) {
    tempPath = target + kTempMark + Hex(::GetCurrentProcessId()) + L"-" + Hex(++counter) + kTempEnd;
    temp.Reset(::CreateFileW(tempPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (temp.valid()) break;
    tempError = ::GetLastError();
    if (tempError != ERROR_FILE_EXISTS && tempError != ERROR_ALREADY_EXISTS) break;
  }
  if (!temp.valid()) {
    // No temp file, but the file itself is open for writing: a folder
    // without the right to create files, a temp path over the path limit.
    if (tempError == ERROR_ACCESS_DENIED || tempError == ERROR_FILENAME_EXCED_RANGE ||
        tempError == ERROR_PATH_NOT_FOUND || tempError == ERROR_INVALID_NAME ||
        tempError == ERROR_FILE_EXISTS || tempError == ERROR_ALREADY_EXISTS) {
      return writeInPlace();
    }
    probe.Close();
    removeCreated();
    return fail(Stage::Create, tempError);
  }
  probe.Close();
  const auto abandon = [&](Stage stage, DWORD error) {
    temp.Close();
    ::DeleteFileW(tempPath.c_str());
    removeCreated();
    return fail(stage, error);
  };

  for (const auto chunk : chunks) {
    if (const std::uint32_t error = WriteChunk(temp.get(), chunk)) {
      return abandon(Stage::Write, error);
    }
  }
  if (!::FlushFileBuffers(temp.get())) return abandon(Stage::Write, ::GetLastError());
  if (!temp.Close()) return abandon(Stage::Write, ::GetLastError());
  if (!::MoveFileExW(tempPath.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    // The old file was not touched: it could not be replaced.
    return abandon(Stage::Create, ::GetLastError());
  }
  return {};
}

std::u16string WinPlatform::ErrorText(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (buffer != nullptr) {
    text = U16(buffer, length);
    ::LocalFree(buffer);
  }
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.')) text.pop_back();
  return text;
}

unsigned WinPlatform::AnsiCodePage() {
  return ::GetACP();
}

std::u16string WinPlatform::MultiByteToWide(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) {
    // A code page this system does not have: read the bytes as UTF-8.
    return codePage == CP_UTF8 ? std::u16string() : MultiByteToWide(CP_UTF8, bytes);
  }
  std::u16string text(static_cast<std::size_t>(needed), u'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(text.data()),
                        needed);
  return text;
}

std::string WinPlatform::WideToMultiByte(unsigned codePage, std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = ::WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    return codePage == CP_UTF8 ? std::string() : WideToMultiByte(CP_UTF8, text);
  }
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(codePage, 0, wide, length, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

bool WinPlatform::IsNonSpacingMark(char16_t c) {
  const wchar_t wide = static_cast<wchar_t>(c);
  WORD type = 0;
  if (!::GetStringTypeW(CT_CTYPE3, &wide, 1, &type)) return false;
  // The table also flags precomposed letters such as "é" as non-spacing (for
  // their accent); those are letters (C3_ALPHA), the marks themselves are not.
  return (type & C3_NONSPACING) != 0 && (type & C3_ALPHA) == 0;
}

std::unique_ptr<Platform> CreateSystemPlatform() {
  return std::make_unique<WinPlatform>();
}

}  // namespace dw
