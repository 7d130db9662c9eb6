// The shell's file operation record, filled the one way the program fills it.
// Separate from the call so that its bytes can be checked.
#pragma once

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <string>
#include <vector>

namespace dw {

// The double-NUL-terminated buffers the record points into; they must
// outlive every use of the record.
struct ShellOpBuffers {
  std::wstring from;
  std::wstring to;
};

// FO_COPY or FO_MOVE; the sources, each followed by a NUL, and one more NUL
// (two NULs for none); the destination folder and two NULs; no flags, so the
// shell shows its own dialogs and takes pTo as one folder; no progress title
// and no name mappings.
SHFILEOPSTRUCTW BuildShellFileOp(HWND owner, bool copy, const std::vector<std::u16string>& sources,
                                 const std::u16string& destination, ShellOpBuffers& buffers);

}  // namespace dw
