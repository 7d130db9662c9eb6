// The one way whole files are saved on POSIX systems: the folder list file
// and the INI store both go through it. No Qt here.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace dw {

// Writes one chunk completely to fd; 0 or an errno.
using ChunkWriter = std::function<int(int fd, std::string_view chunk)>;
int WriteWholeChunk(int fd, std::string_view chunk);

// Replaces the file at a native path with the chunks, in order.
// - It refuses what creating the file anew would refuse: a folder in the
//   way, a file without any write bit (even for root), no rights.
// - Normally the content goes to a temp file beside the target, is synced
//   and renamed over it, with the old file's mode, owner and group, and the
//   folder is synced: a failure or a kill leaves the old file as it was.
// - Symbolic links are followed (also to a file not there yet) and a file
//   with several hard links is written in place, so every name sees the new
//   content. Where no temp file can be made (no right to create files in
//   the folder, a name too long for the temp name), the file is written in
//   place too, as a plain create would.
// - A file that did not exist before is not left behind by a failed write.
// - Temp files of earlier saves that were killed are removed.
WriteResult WriteFileAtomically(const std::string& path,
                                const std::vector<std::string_view>& chunks,
                                const ChunkWriter& writeChunk = WriteWholeChunk);

}  // namespace dw
