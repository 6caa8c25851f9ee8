// Scratch folders and whole-file reads and writes for the file tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace files_test {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
class TTempDir {
 public:
  TTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kolmira-files-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    FPath = pattern;
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::string File(const std::string& name) const { return (FPath / name).string(); }

 private:
  std::filesystem::path FPath;
};

inline void WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace files_test
