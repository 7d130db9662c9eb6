// Helpers shared by the non-GUI tests (both backends): a temporary folder
// that removes itself, and raw file access that bypasses the platform layer.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace dw::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // A path inside the folder, as the platform interface takes it.
  std::u16string U16(const std::string& name = {}) const;
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A folder beside the program file given, where a relative folder name in
// the folder list points; named for this test alone, removed at the end.
class FolderBesideProgram {
 public:
  explicit FolderBesideProgram(const std::filesystem::path& programFile);
  ~FolderBesideProgram();
  FolderBesideProgram(const FolderBesideProgram&) = delete;
  FolderBesideProgram& operator=(const FolderBesideProgram&) = delete;

  const std::string& Name() const { return name_; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::string name_;
  std::filesystem::path path_;
};

// The folder given is the current directory while this lives.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& folder);
  ~CurrentDirectory();
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& file);

// Every entry below root by its path relative to root (with "/" on every
// system): a file with its
// content, a link as "-> target", a folder as "/". A whole tree in one
// comparable value.
std::map<std::string, std::string> Tree(const std::filesystem::path& root);

// Bytes from a hex dump like "EF BB BF 41".
std::string Hex(const std::string& hex);

// Prints one row of the transfer fault table: the fault and what is left
// afterwards.
void TransferFaultRow(const std::string& fault, const std::string& outcome);
// And one row of the save fault table: the fault, which file's writer, and
// what is left afterwards.
void SaveFaultRow(const std::string& fault, const std::string& writer, const std::string& outcome);

}  // namespace dw::test
