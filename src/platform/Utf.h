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

}  // namespace dw
