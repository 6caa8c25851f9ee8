// TIniFile: reads and writes one INI file by section and key name.
//
// Nothing is cached: every call reads the file again, so a read sees what
// another writer changed, and every write rewrites it at once. A missing
// or unreadable file reads as empty, giving every default. A write keeps
// every other line of the file exactly as it was, line endings included;
// it creates the file or the section when missing, and replaces the file
// in one step (a new file renamed over the old), keeping its permissions.
// A relative file name is taken from the current directory.
// See IniDocument.h for how lines are read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/vcl/SysUtils.h"

class TIniDocument;
class TStringList;

// A write that could not be made: the file could not be read back or
// written, or a name or value would break the file's line structure.
class EIniFileException : public Exception {
 public:
  explicit EIniFileException(std::string message);
  ~EIniFileException() override;
};

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return FFileName; }

  // The value without surrounding blanks and one pair of matching quotes,
  // or def when the key is missing.
  std::string ReadString(std::string_view section, std::string_view ident,
                         const std::string& def) const;
  // The string read as StrToIntDef reads it: decimal, or hexadecimal after
  // '$' or "0x"; def when missing or not a 32-bit integer.
  std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                           std::int32_t def) const;
  // An integer read with default 0 or 1; any non-zero value is true.
  bool ReadBool(std::string_view section, std::string_view ident, bool def) const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;
  // Replace the list's contents by the section's key names / the section
  // names, in file order.
  void ReadSection(std::string_view section, TStringList& strings) const;
  void ReadSections(TStringList& strings) const;

  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view ident, std::int32_t value);
  // Writes 1 or 0.
  void WriteBool(std::string_view section, std::string_view ident, bool value);
  // Missing keys and sections are no error; the file is then left alone.
  void DeleteKey(std::string_view section, std::string_view ident);
  void EraseSection(std::string_view section);

 private:
  TIniDocument Read() const;
  TIniDocument ReadForWrite() const;
  void Save(const TIniDocument& document) const;
  [[noreturn]] void WriteFailed(const std::string& why) const;

  std::string FFileName;
};
