// Our own private-profile (INI) store for systems without the Win32 profile
// functions. It follows the conventions users know from such files: section
// and key names match regardless of case, blanks around names and values do
// not count, a value in matching quotes reads without them, ';' lines are
// comments. A write changes only the one value (or adds the missing key or
// section at the end) and leaves every other byte of the file as it was.
// No Qt here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dw::ini {

// Reads see at most this many characters: the Win32 read buffer of 2048
// characters holds the terminating NUL too.
inline constexpr std::size_t kMaxReadLength = 2047;

// The value of a key in the file's bytes (UTF-8 with or without BOM, or
// UTF-16LE with its FF FE mark), blanks and matching quotes removed, not yet
// cut to kMaxReadLength. Empty when the section or the key is missing. Only
// the first section of a name counts, as only it is ever written.
std::optional<std::u16string> FindValue(std::string_view file, std::u16string_view section,
                                        std::u16string_view key);

// The file's bytes with the key set to value: the old value replaced in
// place, or a new key line after the section's last key, or a new section at
// the end of the file. New lines take the file's line ends (CR LF in a file
// without any) and its encoding. Empty when the names or the value cannot be
// stored so that they read back: a line break anywhere, '=' in the key, ']'
// in the section, or a key that would read as a comment or a section line.
std::optional<std::string> SetValue(std::string_view file, std::u16string_view section,
                                    std::u16string_view key, std::u16string_view value);

enum class LoadStatus { Ok, Missing, Failed };
// All bytes of the file at a native path. Missing when there is no such file
// (or folder on the way), Failed when it cannot be read, a folder included.
LoadStatus LoadFile(const std::string& path, std::string& bytes);
// Replaces the file with bytes as every whole-file save does (AtomicFile.h):
// atomically where it can, keeping links, mode, owner and group. False
// when the save failed, with the old file as it was.
bool SaveFile(const std::string& path, std::string_view bytes);

// The profile functions over a file at a native path: a read gives the
// default for a missing or unreadable file, section or key, cut to
// kMaxReadLength like the value; a write is false when the file cannot be
// read or saved, or the text cannot be stored.
std::u16string ReadString(const std::string& path, std::u16string_view section,
                          std::u16string_view key, std::u16string_view defaultValue);
bool WriteString(const std::string& path, std::u16string_view section, std::u16string_view key,
                 std::u16string_view value);

}  // namespace dw::ini
