#include "platform/win/WinShell.h"

#include "platform/win/WinPlatform.h"

namespace dw {

namespace {

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

}  // namespace

// A path as the shell gets it: absolute, with native separators only. A
// relative one (a hand-edited folder list may hold one) is taken relative to
// the program's folder, never to the current directory.
std::u16string ShellPath(const std::u16string& path, const std::u16string& programFile) {
  if (path.empty()) return path;
  const bool unc = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  const bool drive = path.size() >= 2 && path[1] == u':';
  std::u16string full = path;
  if (!unc && !drive) {
    const auto slash = programFile.find_last_of(u"\\/");
    const std::u16string folder =
        slash == std::u16string::npos ? std::u16string() : programFile.substr(0, slash);
    // "\x" names the root of the program's drive; "x" its folder.
    full = IsSeparator(path[0]) ? folder.substr(0, 2) + path : folder + u"\\" + path;
  }
  const std::wstring wide = Wide(full);
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (length == 0) break;  // left as it is; the shell reports what is wrong
    if (length < out.size()) {
      out.resize(length);
      return std::u16string(out.begin(), out.end());
    }
    out.resize(length);
  }
  for (auto& c : full)
    if (c == u'/') c = u'\\';
  return full;
}

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
  const std::u16string program = ProgramFilePath();
  std::vector<std::u16string> absolute;
  absolute.reserve(sources.size());
  for (const auto& source : sources) absolute.push_back(ShellPath(source, program));
  ShellOpBuffers buffers;
  SHFILEOPSTRUCTW op = BuildShellFileOp(static_cast<HWND>(ownerWindow), copy, absolute,
                                        ShellPath(destination, program), buffers);
  ShellOpResult result;
  result.code = SHFileOperationW(&op);
  result.anyAborted = op.fAnyOperationsAborted != FALSE;
  return result;
}

void WinPlatform::ShellOpenFolder(const std::u16string& path) {
  const std::wstring folder = Wide(ShellPath(path, ProgramFilePath()));
  ShellExecuteW(GetDesktopWindow(), nullptr, folder.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace dw
