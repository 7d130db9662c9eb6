// The POSIX backend: our own equivalents of the Windows services.
#pragma once

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

 private:
  TransferUi* transferUi_ = nullptr;
  std::function<void(const std::u16string&)> folderOpener_;
};

// UTF-16 path to the UTF-8 bytes the file system takes, and back.
std::string NativePath(const std::u16string& path);

}  // namespace dw
