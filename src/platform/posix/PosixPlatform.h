// The POSIX backend: our own equivalents of the Windows services.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace dw {

class PosixPlatform : public Platform {
 public:
  PosixPlatform();
  ~PosixPlatform() override;

  // Files, texts and code pages (PosixPlatform.cpp).
  std::u16string ProgramFilePath() override;
  bool FolderExists(const std::u16string& path) override;
  bool FileExists(const std::u16string& path) override;
  std::uint32_t ReadWholeFile(const std::u16string& path, std::string& bytes) override;
  WriteResult WriteWholeFile(const std::u16string& path,
                             const std::vector<std::string_view>& chunks) override;
  std::u16string ErrorText(std::uint32_t code) override;
  unsigned AnsiCodePage() override;
  std::u16string MultiByteToWide(unsigned codePage, std::string_view bytes) override;
  std::string WideToMultiByte(unsigned codePage, std::u16string_view text) override;
  bool IsNonSpacingMark(char16_t c) override;

  // Profile store (PosixProfile.cpp).
  std::u16string ProfileRead(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue,
                             const std::u16string& path) override;
  bool ProfileWrite(const std::u16string& section, const std::u16string& key,
                    const std::u16string& value, const std::u16string& path) override;
  void ProfileFlush(const std::u16string& path) override;

  // Shell (PosixShell.cpp).
  ShellOpResult ShellFileOperation(void* ownerWindow, bool copy,
                                   const std::vector<std::u16string>& sources,
                                   const std::u16string& destination) override;
  void ShellOpenFolder(const std::u16string& path) override;
  void SetTransferUi(TransferUi* ui) override { transferUi_ = ui; }
  void SetFolderOpener(std::function<void(const std::u16string&)> opener) override {
    folderOpener_ = std::move(opener);
  }

 protected:
  // Writes one chunk of a whole-file write completely; returns 0 or errno.
  // Virtual so that tests can make the write stage fail on demand.
  virtual int WriteChunk(int fd, std::string_view chunk);

 private:
  class Converters;  // ICU converters, opened once per code page

  TransferUi* transferUi_ = nullptr;
  std::function<void(const std::u16string&)> folderOpener_;
  std::unique_ptr<Converters> converters_;
};

// UTF-16 path to the bytes the file system takes; a stray byte comes back
// from its escape (PathToBytes).
std::string NativePath(const std::u16string& path);

// A relative path taken relative to the folder of programFile, as every path
// handed to the shell's services is (PosixShell.cpp).
std::u16string AbsolutePath(const std::u16string& path, const std::u16string& programFile);

// A locale's code set name (as nl_langinfo(CODESET) gives it) as the Windows
// code page number with the same table.
unsigned CodePageOfCodeSet(std::string_view name);

}  // namespace dw
