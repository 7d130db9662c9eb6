// A folder entry is one line: the folder path, ",", the alias (further
// fields ignored). This is the one rule that splits it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dw {

class Platform;

// Splits a line at commas (quote character '"', nothing trimmed). Field 0 is
// the folder path, field 1 the alias. The platform supplies the
// non-spacing-mark test (marks directly after a comma are skipped).
std::vector<std::u16string> SplitFolderEntry(std::u16string_view line, Platform& platform);

}  // namespace dw
