// The store behind one registry root key: its keys and their values, read
// from and written to one text file.
//
// The file is line-based. Its first line is "KIVO-REGISTRY 1". A line
// "[path]" starts a key; each following line "name=type:data" is a value of
// it (an empty name is the key's default value). Types are sz, expand_sz,
// dword (decimal) and binary (hexadecimal). In paths, names and strings,
// '%', line breaks and other control characters, and the characters that
// the line form itself uses are written as %XX, so any byte can be stored.
// A file whose first line is not the marker holds nothing; a line that
// cannot be read is skipped.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/WinTypes.h"

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

struct TRegistryValue {
  std::string Name;
  DWORD Type = REG_NONE;
  // A string's bytes, a DWORD's four bytes in little-endian order, or the
  // binary data.
  std::string Data;
};

// A DWORD value's data, and back; nothing unless exactly four bytes.
std::string DwordToRegistryData(DWORD value);
std::optional<DWORD> RegistryDataToDword(const std::string& data);

class TRegistryFile {
 public:
  // An empty store: only the root key.
  TRegistryFile();

  // Key paths are '\'-separated; empty and repeated separators are ignored,
  // and paths and value names are compared without regard to ASCII case.
  // The empty path is the root key, which always exists.
  static std::string NormalizePath(const std::string& path);

  static TRegistryFile Parse(const std::string& text);
  std::string Format() const;

  // A missing or unreadable file reads as an empty store.
  static TRegistryFile Load(const std::filesystem::path& file);
  // Replaces the file at once (a temporary file renamed over it), so that a
  // reader sees either the old or the new store. False on failure.
  bool Save(const std::filesystem::path& file) const;

  bool KeyExists(const std::string& path) const;
  // Creates the key and any missing parent.
  void CreateKey(const std::string& path);
  // Deletes the key with all its subkeys; false when it does not exist or
  // is the root key.
  bool DeleteKey(const std::string& path);

  const TRegistryValue* FindValue(const std::string& path, const std::string& name) const;
  // False when the key does not exist.
  bool SetValue(const std::string& path, TRegistryValue value);
  bool DeleteValue(const std::string& path, const std::string& name);

 private:
  struct TKey {
    std::string Path;
    std::vector<TRegistryValue> Values;
  };

  TKey* FindKey(const std::string& path);
  const TKey* FindKey(const std::string& path) const;
  void ParseValueLine(TKey& key, const std::string& line);

  // Keyed by the folded normalised path, so that parents sort before their
  // subkeys.
  std::map<std::string, TKey> FKeys;
};
