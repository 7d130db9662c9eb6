#include "support/TestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace dw::test {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("dropwell-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::u16string TempDir::U16(const std::string& name) const {
  return (name.empty() ? path_
                       : path_ / std::filesystem::path(std::u8string(name.begin(), name.end())))
      .u16string();
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write test file " + file.string());
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read test file " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Hex(const std::string& hex) {
  std::istringstream in(hex);
  std::string out, byte;
  while (in >> byte) out += static_cast<char>(std::stoi(byte, nullptr, 16));
  return out;
}

FolderBesideProgram::FolderBesideProgram(const std::filesystem::path& programFile) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  name_ = "dw-relative-" + std::to_string(stamp) + "-" + std::to_string(++counter);
  path_ = programFile.parent_path() / name_;
  std::filesystem::create_directory(path_);
}

FolderBesideProgram::~FolderBesideProgram() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

CurrentDirectory::CurrentDirectory(const std::filesystem::path& folder)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(folder);
}

CurrentDirectory::~CurrentDirectory() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string rel = entry.path().lexically_relative(root).generic_string();
    if (entry.is_symlink())
      tree[rel] = "-> " + std::filesystem::read_symlink(entry.path()).string();
    else if (entry.is_directory())
      tree[rel] = "/";
    else
      tree[rel] = ReadBytes(entry.path());
  }
  return tree;
}

void TransferFaultRow(const std::string& fault, const std::string& outcome) {
  std::printf("| transfer | %-46s | %-44s |\n", fault.c_str(), outcome.c_str());
}

void SaveFaultRow(const std::string& fault, const std::string& writer, const std::string& outcome) {
  std::printf("| save | %-34s | %-11s | %-40s |\n", fault.c_str(), writer.c_str(), outcome.c_str());
}

}  // namespace dw::test
