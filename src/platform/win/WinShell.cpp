#include "platform/win/WinShell.h"

#include "platform/win/WinPlatform.h"

namespace dw {

namespace {

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace

SHFILEOPSTRUCTW BuildShellFileOp(HWND owner, bool copy, const std::vector<std::u16string>& sources,
                                 const std::u16string& destination, ShellOpBuffers& buffers) {
  buffers.from = Wide(BuildShellPathBuffer(sources));
  buffers.to = Wide(destination);
  buffers.to.append(2, L'\0');

  SHFILEOPSTRUCTW op{};
  op.hwnd = owner;
  op.wFunc = copy ? FO_COPY : FO_MOVE;
  op.pFrom = buffers.from.c_str();
  op.pTo = buffers.to.c_str();
  op.fFlags = 0;
  op.fAnyOperationsAborted = FALSE;
  op.hNameMappings = nullptr;
  op.lpszProgressTitle = nullptr;
  return op;
}

ShellOpResult WinPlatform::ShellFileOperation(void* ownerWindow, bool copy,
                                              const std::vector<std::u16string>& sources,
                                              const std::u16string& destination) {
  ShellOpBuffers buffers;
  SHFILEOPSTRUCTW op =
      BuildShellFileOp(static_cast<HWND>(ownerWindow), copy, sources, destination, buffers);
  ShellOpResult result;
  result.code = SHFileOperationW(&op);
  result.anyAborted = op.fAnyOperationsAborted != FALSE;
  return result;
}

void WinPlatform::ShellOpenFolder(const std::u16string& path) {
  const std::wstring folder = Wide(path);
  ShellExecuteW(GetDesktopWindow(), nullptr, folder.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace dw
