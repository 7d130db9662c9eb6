// Files, error texts and code pages on POSIX systems, shaped after the
// Windows calls the program was designed around.
#include "platform/posix/PosixPlatform.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/Utf.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/Fd.h"

namespace dw {

namespace {

// Both strerror_r flavours: GNU returns the text, XSI fills the buffer.
[[maybe_unused]] const char* StrerrorResult(const char* text, const char*) {
  return text;
}
[[maybe_unused]] const char* StrerrorResult(int result, const char* buffer) {
  return result == 0 ? buffer : "";
}

}  // namespace

// Matched with case, "-" and "_" ignored; anything unknown counts as UTF-8.
unsigned CodePageOfCodeSet(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  static const std::map<std::string, unsigned> kTable = {
      {"UTF8", 65001},     {"ANSIX3.41968", 65001}, {"ASCII", 65001},     {"USASCII", 65001},
      {"SHIFTJIS", 932},   {"SJIS", 932},           {"CP932", 932},       {"WINDOWS31J", 932},
      {"EUCJP", 20932},    {"ISO88591", 28591},     {"ISO88592", 28592},  {"ISO88595", 28595},
      {"ISO88597", 28597}, {"ISO88599", 28599},     {"ISO885915", 28605}, {"CP1250", 1250},
      {"CP1251", 1251},    {"CP1252", 1252},        {"CP1253", 1253},     {"CP1254", 1254},
      {"CP1255", 1255},    {"CP1256", 1256},        {"CP1257", 1257},     {"CP1258", 1258},
      {"GBK", 936},        {"GB2312", 936},         {"GB18030", 54936},   {"BIG5", 950},
      {"BIG5HKSCS", 950},  {"EUCKR", 949},          {"KOI8R", 20866},     {"KOI8U", 21866},
      {"TIS620", 874},
  };
  const auto found = kTable.find(key);
  return found == kTable.end() ? kCodePageUtf8 : found->second;
}

namespace {

// Windows numbers to the ICU names of the tables that match Windows.
std::string IcuNameOfCodePage(unsigned codePage) {
  switch (codePage) {
    case 65001:
      return "UTF-8";
    case 20932:
      return "EUC-JP";
    case 54936:
      return "GB18030";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 28605:
      return "ISO-8859-15";
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28599) {
    return "ISO-8859-" + std::to_string(codePage - 28590);
  }
  return "windows-" + std::to_string(codePage);
}

}  // namespace

// One ICU converter per code page, opened on first use: opening one costs far
// more than converting a line. The lock keeps a converter to one user at a time.
class PosixPlatform::Converters {
 public:
  ~Converters() {
    for (auto& entry : open_) ucnv_close(entry.second);
  }

  std::u16string ToWide(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    std::lock_guard<std::mutex> lock(mutex_);
    UConverter* converter = Get(codePage);
    ucnv_resetToUnicode(converter);
    const char* source = bytes.data();
    return Run(std::u16string(bytes.size() + 16, u'\0'),
               [&](UChar*& target, UChar* limit, UErrorCode& error) {
                 ucnv_toUnicode(converter, &target, limit, &source, bytes.data() + bytes.size(),
                                nullptr, true, &error);
               });
  }

  std::string ToBytes(unsigned codePage, std::u16string_view text) {
    if (text.empty()) return {};
    std::lock_guard<std::mutex> lock(mutex_);
    UConverter* converter = Get(codePage);
    ucnv_resetFromUnicode(converter);
    const UChar* source = text.data();
    return Run(std::string(text.size() + 16, '\0'),
               [&](char*& target, char* limit, UErrorCode& error) {
                 ucnv_fromUnicode(converter, &target, limit, &source, text.data() + text.size(),
                                  nullptr, true, &error);
               });
  }

 private:
  // Runs one ICU conversion step into out, doubling out until the whole input
  // fits, and trims out to what was written.
  template <typename Out, typename Step>
  static Out Run(Out out, Step step) {
    auto* target = out.data();
    for (;;) {
      UErrorCode error = U_ZERO_ERROR;
      step(target, out.data() + out.size(), error);
      if (error != U_BUFFER_OVERFLOW_ERROR) break;
      const auto used = target - out.data();
      out.resize(out.size() * 2);
      target = out.data() + used;
    }
    out.resize(static_cast<std::size_t>(target - out.data()));
    return out;
  }

  // The converter for a code page; an unknown number falls back to UTF-8.
  UConverter* Get(unsigned codePage) {
    const auto found = open_.find(codePage);
    if (found != open_.end()) return found->second;
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(IcuNameOfCodePage(codePage).c_str(), &error);
    if (U_FAILURE(error) || converter == nullptr) {
      error = U_ZERO_ERROR;
      converter = ucnv_open("UTF-8", &error);
      if (U_FAILURE(error) || converter == nullptr) std::abort();  // ICU without its data
    }
    // Windows writes "?" for a character a code page cannot hold (flags 0, no
    // default char of our own); UTF-8 keeps U+FFFD as Windows does.
    UErrorCode nameError = U_ZERO_ERROR;
    if (std::strcmp(ucnv_getName(converter, &nameError), "UTF-8") != 0) {
      UErrorCode substError = U_ZERO_ERROR;
      ucnv_setSubstChars(converter, "?", 1, &substError);
    }
    open_.emplace(codePage, converter);
    return converter;
  }

  std::mutex mutex_;
  std::map<unsigned, UConverter*> open_;
};

PosixPlatform::PosixPlatform() : converters_(std::make_unique<Converters>()) {}
PosixPlatform::~PosixPlatform() = default;

std::string NativePath(const std::u16string& path) {
  return PathToBytes(path);
}

std::u16string PosixPlatform::ProgramFilePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      return PathFromBytes(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool PosixPlatform::FolderExists(const std::u16string& path) {
  if (path.empty()) return false;
  // Where a relative folder would be transferred to (AbsolutePath).
  struct stat info;
  return ::stat(NativePath(AbsolutePath(path, ProgramFilePath())).c_str(), &info) == 0 &&
         S_ISDIR(info.st_mode);
}

bool PosixPlatform::FileExists(const std::u16string& path) {
  if (path.empty()) return false;
  struct stat info;
  return ::stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::uint32_t PosixPlatform::ReadWholeFile(const std::u16string& path, std::string& bytes) {
  bytes.clear();
  if (path.empty()) return ENOENT;
  Fd fd(::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return static_cast<std::uint32_t>(errno);
  struct stat info;
  std::size_t expected = 0;
  if (::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    expected = static_cast<std::size_t>(info.st_size);
  }
  // One byte more than the size, so that reaching the end needs no extra
  // round when the size was right; the loop copes when it was not.
  bytes.resize(expected + 1);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() * 2 + 4096);
    const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      bytes.clear();
      return static_cast<std::uint32_t>(error);
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return 0;
}

int PosixPlatform::WriteChunk(int fd, std::string_view chunk) {
  return WriteWholeChunk(fd, chunk);
}

WriteResult PosixPlatform::WriteWholeFile(const std::u16string& path,
                                          const std::vector<std::string_view>& chunks) {
  return WriteFileAtomically(NativePath(path), chunks, [this](int fd, std::string_view chunk) {
    return WriteChunk(fd, chunk);
  });
}

std::u16string PosixPlatform::ErrorText(std::uint32_t code) {
  char buffer[512] = {};
  const std::string raw =
      StrerrorResult(::strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
  // The message comes in the locale's code set, usually UTF-8.
  std::u16string text;
  if (!DecodeUtf8Strict(raw, text)) text = MultiByteToWide(AnsiCodePage(), raw);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.')) text.pop_back();
  return text;
}

unsigned PosixPlatform::AnsiCodePage() {
  locale_t locale = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return kCodePageUtf8;
  const unsigned codePage = CodePageOfCodeSet(::nl_langinfo_l(CODESET, locale));
  ::freelocale(locale);
  return codePage;
}

std::u16string PosixPlatform::MultiByteToWide(unsigned codePage, std::string_view bytes) {
  return converters_->ToWide(codePage, bytes);
}

std::string PosixPlatform::WideToMultiByte(unsigned codePage, std::u16string_view text) {
  return converters_->ToBytes(codePage, text);
}

bool PosixPlatform::IsNonSpacingMark(char16_t c) {
  return u_charType(static_cast<UChar32>(c)) == U_NON_SPACING_MARK;
}

std::unique_ptr<Platform> CreateSystemPlatform() {
  return std::make_unique<PosixPlatform>();
}

}  // namespace dw
