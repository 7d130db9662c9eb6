// Platforms for the store tests: the system's own, with the ANSI code page
// chosen by the test and its file results recorded; and a scripted one whose
// answers the test sets (file failures, a profile store in memory).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace dw::test {

// The system platform, except that the ANSI code page may be fixed by the
// test; the results of the file calls are kept for exact error texts.
class SystemPlatformFor : public Platform {
 public:
  explicit SystemPlatformFor(std::optional<unsigned> ansiCodePage = std::nullopt)
      : real_(CreateSystemPlatform()), ansiCodePage_(ansiCodePage) {}

  Platform& Real() { return *real_; }
  std::uint32_t lastReadCode = 0;
  WriteResult lastWrite;

  std::u16string ProgramFilePath() override { return real_->ProgramFilePath(); }
  bool FolderExists(const std::u16string& path) override { return real_->FolderExists(path); }
  bool FileExists(const std::u16string& path) override { return real_->FileExists(path); }
  std::uint32_t ReadWholeFile(const std::u16string& path, std::string& bytes) override {
    return lastReadCode = real_->ReadWholeFile(path, bytes);
  }
  WriteResult WriteWholeFile(const std::u16string& path,
                             const std::vector<std::string_view>& chunks) override {
    return lastWrite = real_->WriteWholeFile(path, chunks);
  }
  std::u16string ErrorText(std::uint32_t code) override { return real_->ErrorText(code); }
  unsigned AnsiCodePage() override { return ansiCodePage_.value_or(real_->AnsiCodePage()); }
  std::u16string MultiByteToWide(unsigned codePage, std::string_view bytes) override {
    return real_->MultiByteToWide(codePage, bytes);
  }
  std::string WideToMultiByte(unsigned codePage, std::u16string_view text) override {
    return real_->WideToMultiByte(codePage, text);
  }
  bool IsNonSpacingMark(char16_t c) override { return real_->IsNonSpacingMark(c); }
  std::u16string ProfileRead(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue,
                             const std::u16string& path) override {
    return real_->ProfileRead(section, key, defaultValue, path);
  }
  bool ProfileWrite(const std::u16string& section, const std::u16string& key,
                    const std::u16string& value, const std::u16string& path) override {
    return real_->ProfileWrite(section, key, value, path);
  }
  void ProfileFlush(const std::u16string& path) override { real_->ProfileFlush(path); }
  ShellOpResult ShellFileOperation(void* ownerWindow, bool copy,
                                   const std::vector<std::u16string>& sources,
                                   const std::u16string& destination) override {
    return real_->ShellFileOperation(ownerWindow, copy, sources, destination);
  }
  void ShellOpenFolder(const std::u16string& path) override { real_->ShellOpenFolder(path); }

 private:
  std::unique_ptr<Platform> real_;
  std::optional<unsigned> ansiCodePage_;
};

// Answers set by the test. Code pages: bytes map to the code units of the
// same value (Latin-1), other characters become "?"; marks are U+0300..U+036F
// unless the test says otherwise.
class ScriptedPlatform : public Platform {
 public:
  // Whole-file access.
  std::uint32_t readCode = 0;
  std::string fileBytes;
  WriteResult writeResult;
  std::vector<std::vector<std::string>> writes;  // the chunks of each write
  std::map<std::uint32_t, std::u16string> errorTexts;
  std::u16string markCharacters;

  // Profile store: values by section and key; every call is logged.
  std::map<std::pair<std::u16string, std::u16string>, std::u16string> profile;
  bool refuseWrites = false;
  struct ProfileCall {
    std::u16string section, key, value, path;
  };
  std::vector<ProfileCall> reads;
  std::vector<ProfileCall> profileWrites;

  std::u16string ProgramFilePath() override { return u"C:\\Prog\\Dropwell.exe"; }
  bool FolderExists(const std::u16string&) override { return false; }
  bool FileExists(const std::u16string&) override { return true; }
  std::uint32_t ReadWholeFile(const std::u16string&, std::string& bytes) override {
    if (readCode == 0) bytes = fileBytes;
    return readCode;
  }
  WriteResult WriteWholeFile(const std::u16string&,
                             const std::vector<std::string_view>& chunks) override {
    writes.emplace_back(chunks.begin(), chunks.end());
    return writeResult;
  }
  std::u16string ErrorText(std::uint32_t code) override {
    const auto it = errorTexts.find(code);
    return it == errorTexts.end() ? u"?" : it->second;
  }
  unsigned AnsiCodePage() override { return 1252; }
  std::u16string MultiByteToWide(unsigned, std::string_view bytes) override {
    std::u16string out;
    for (const char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
  }
  std::string WideToMultiByte(unsigned, std::u16string_view text) override {
    std::string out;
    for (const char16_t c : text) out += c < 0x100 ? static_cast<char>(c) : '?';
    return out;
  }
  bool IsNonSpacingMark(char16_t c) override {
    if (!markCharacters.empty()) return markCharacters.find(c) != std::u16string::npos;
    return c >= 0x300 && c <= 0x36F;
  }
  std::u16string ProfileRead(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue,
                             const std::u16string& path) override {
    reads.push_back({section, key, defaultValue, path});
    const auto it = profile.find({section, key});
    return it == profile.end() ? defaultValue : it->second;
  }
  bool ProfileWrite(const std::u16string& section, const std::u16string& key,
                    const std::u16string& value, const std::u16string& path) override {
    profileWrites.push_back({section, key, value, path});
    if (refuseWrites) return false;
    profile[{section, key}] = value;
    return true;
  }
  void ProfileFlush(const std::u16string&) override {}
  ShellOpResult ShellFileOperation(void*, bool, const std::vector<std::u16string>&,
                                   const std::u16string&) override {
    return {};
  }
  void ShellOpenFolder(const std::u16string&) override {}
};

}  // namespace dw::test
