#include "platform/vcl/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "platform/vcl/IniDocument.h"
#include "platform/vcl/StringList.h"

EIniFileException::EIniFileException(std::string message) : Exception(std::move(message)) {}
EIniFileException::~EIniFileException() = default;

namespace {

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// Owns an open file descriptor.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : FFd(fd) {}
  ~TFileDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;

  int Get() const { return FFd; }
  // Closes now, reporting the error that a deferred write may only show here.
  int Close() { return ::close(std::exchange(FFd, -1)); }

 private:
  int FFd;
};

// Reads the whole file into text; returns 0 or the error number.
int ReadWholeFile(const std::string& path, std::string& text) {
  const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return errno;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t done = ::write(fd, text.data(), text.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

// A link is followed, so that the rename replaces the file it names and
// not the link itself.
std::string WriteTarget(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string TemporaryName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos;
}

// Names and values that would read back as something else, or add lines.
std::string WhyUnwritable(std::string_view section, std::string_view ident,
                          std::string_view value) {
  if (HasLineBreakOrNul(section) || section.find(']') != section.npos) return "bad section name";
  const auto first = ident.find_first_not_of(" \t");
  if (first == ident.npos || ident[first] == '[' || ident[first] == ';' ||
      ident.find('=') != ident.npos || HasLineBreakOrNul(ident)) {
    return "bad key name";
  }
  if (HasLineBreakOrNul(value)) return "a value cannot hold a line break";
  return "";
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

TIniDocument TIniFile::Read() const {
  std::string text;
  return ReadWholeFile(FFileName, text) == 0 ? TIniDocument(text) : TIniDocument();
}

// Unlike a read, a write must not take a file it cannot read for an empty
// one: writing that back would lose the file's contents.
TIniDocument TIniFile::ReadForWrite() const {
  std::string text;
  const int error = ReadWholeFile(FFileName, text);
  if (error == ENOENT) return TIniDocument();
  if (error != 0) WriteFailed(ErrnoText(error));
  return TIniDocument(text);
}

void TIniFile::WriteFailed(const std::string& why) const {
  throw EIniFileException("Unable to write to " + FFileName + ": " + why);
}

void TIniFile::Save(const TIniDocument& document) const {
  const std::string target = WriteTarget(FFileName);
  const std::string temporary = TemporaryName(target);
  TFileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (file.Get() < 0) WriteFailed(ErrnoText(errno));
  struct stat old {};
  const bool keepMode = ::stat(target.c_str(), &old) == 0;
  const bool written = (!keepMode || ::fchmod(file.Get(), old.st_mode & 07777) == 0) &&
                       WriteAll(file.Get(), document.Text()) && ::fsync(file.Get()) == 0 &&
                       file.Close() == 0 && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!written) {
    const int error = errno;
    ::unlink(temporary.c_str());
    WriteFailed(ErrnoText(error));
  }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 const std::string& def) const {
  return Read().Value(section, ident).value_or(def);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view ident,
                                   std::int32_t def) const {
  return StrToIntDef(ReadString(section, ident, ""), def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const { return Read().HasSection(section); }

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  return Read().Value(section, ident).has_value();
}

void TIniFile::ReadSection(std::string_view section, TStringList& strings) const {
  strings.Clear();
  for (const auto& key : Read().Keys(section)) strings.Add(key);
}

void TIniFile::ReadSections(TStringList& strings) const {
  strings.Clear();
  for (const auto& section : Read().Sections()) strings.Add(section);
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
  const std::string why = WhyUnwritable(section, ident, value);
  if (!why.empty()) WriteFailed(why);
  TIniDocument document = ReadForWrite();
  document.SetValue(section, ident, value);
  Save(document);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, std::int32_t value) {
  WriteString(section, ident, IntToStr(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  TIniDocument document = ReadForWrite();
  if (document.DeleteKey(section, ident)) Save(document);
}

void TIniFile::EraseSection(std::string_view section) {
  TIniDocument document = ReadForWrite();
  if (document.EraseSection(section)) Save(document);
}
