#include "player/OutputPaths.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace kivo {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Empty when files can be made in `folder`, else why not. Tried with a
// file of its own, since permissions alone do not tell (root, read-only
// file systems, /proc).
std::string CannotWriteIn(const fs::path& folder) {
  std::string probe = (folder / ".kivo-write-check-XXXXXX").string();
  const int descriptor = ::mkstemp(probe.data());
  if (descriptor < 0) return "cannot write in " + Quoted(folder) + ": " + std::strerror(errno);
  ::close(descriptor);
  ::unlink(probe.c_str());
  return {};
}

// The folder the missing part of `path` would be made in.
fs::path NearestExisting(fs::path path) {
  std::error_code error;
  while (!path.empty() && !fs::exists(path, error)) path = path.parent_path();
  return path.empty() ? fs::path(".") : path;
}

std::string FolderProblem(const std::string& text) {
  const fs::path folder(text);
  std::error_code error;
  if (fs::exists(folder, error)) {
    if (!fs::is_directory(folder, error)) return Quoted(folder) + " is not a folder";
    return CannotWriteIn(folder);
  }
  const fs::path existing = NearestExisting(folder.parent_path());
  if (!fs::is_directory(existing, error))
    return "cannot make " + Quoted(folder) + ": " + Quoted(existing) + " is not a folder";
  return CannotWriteIn(existing);
}

std::string FileProblem(const std::string& text) {
  const fs::path file(text);
  std::error_code error;
  if (fs::is_directory(file, error)) return Quoted(file) + " is a folder, not a file";
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (!fs::exists(folder, error)) return "no folder " + Quoted(folder) + " to write in";
  if (!fs::is_directory(folder, error)) return Quoted(folder) + " is not a folder";
  return CannotWriteIn(folder);
}

}  // namespace

CLI::Validator OutputFolder() {
  return CLI::Validator([](std::string& text) { return FolderProblem(text); }, "");
}

CLI::Validator OutputFile() {
  return CLI::Validator([](std::string& text) { return FileProblem(text); }, "");
}

}  // namespace kivo
