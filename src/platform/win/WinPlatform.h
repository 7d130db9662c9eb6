// The Windows backend: the Win32 shell, file and profile APIs.
#pragma once

#include "platform/Platform.h"

namespace dw {

class WinPlatform : public Platform {
 public:
  // Files, texts and code pages (WinPlatform.cpp).
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

  // Profile store (WinProfile.cpp).
  std::u16string ProfileRead(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue,
                             const std::u16string& path) override;
  bool ProfileWrite(const std::u16string& section, const std::u16string& key,
                    const std::u16string& value, const std::u16string& path) override;
  void ProfileFlush(const std::u16string& path) override;

  // Shell (WinShell.cpp).
  ShellOpResult ShellFileOperation(void* ownerWindow, bool copy,
                                   const std::vector<std::u16string>& sources,
                                   const std::u16string& destination) override;
  void ShellOpenFolder(const std::u16string& path) override;

 protected:
  // One WriteFile of a whole-file write's chunk (file is the HANDLE); returns
  // 0 or the error code. Virtual so that tests can make the write stage fail.
  virtual std::uint32_t WriteChunk(void* file, std::string_view chunk);
  // GetModuleFileNameW for the program into a buffer of the size given: the
  // characters written, the size itself when the path was cut. Virtual so
  // that tests can give a path longer than a buffer.
  virtual std::uint32_t ModuleFileName(wchar_t* buffer, std::uint32_t size);
};

// A path absolute with native separators only; a relative one is taken
// relative to the folder of programFile (WinShell.cpp).
std::u16string ShellPath(const std::u16string& path, const std::u16string& programFile);

}  // namespace dw
