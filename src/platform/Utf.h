// UTF-8 <-> UTF-16 for the texts the program itself holds, and the strict
// decoder the folder list file needs. Plain code, no system calls.
#pragma once

#include <string>
#include <string_view>

namespace dw {

// Never fails: an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Never fails: every invalid sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);
// False (and out unspecified) when any byte sequence is not valid UTF-8:
// overlong forms, surrogates, code points above U+10FFFF and cut sequences.
bool DecodeUtf8Strict(std::string_view bytes, std::u16string& out);

// POSIX file names are bytes that need not be UTF-8. These carry them
// through UTF-16 without loss, so that a name with a stray byte names that
// file and no other: each byte that is not part of valid UTF-8 becomes the
// lone surrogate U+DC00 + byte (U+DC80 to U+DCFF), and back. Any other lone
// surrogate is written as U+FFFD, as by ToUtf8.
std::u16string PathFromBytes(std::string_view bytes);
std::string PathToBytes(std::u16string_view path);

}  // namespace dw
