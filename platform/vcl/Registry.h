// The component library's registry object. Each root key is kept in a file
// of its own in the registry folder: $KIVO_REGISTRY_DIR, or else
// $XDG_CONFIG_HOME/kivo/registry, or else ~/.config/kivo/registry.
// Every read sees the files as they are now; every change is written at
// once, so other objects and other processes see it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/vcl/RegistryFile.h"
#include "platform/vcl/SysUtils.h"

using HKEY = struct HKEY__*;

inline HKEY const HKEY_CLASSES_ROOT =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(LONG(0x80000000)));
inline HKEY const HKEY_CURRENT_USER =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(LONG(0x80000001)));
inline HKEY const HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(LONG(0x80000002)));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(static_cast<std::intptr_t>(LONG(0x80000003)));
inline HKEY const HKEY_CURRENT_CONFIG =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(LONG(0x80000005)));

class ERegistryException : public Exception {
 public:
  explicit ERegistryException(std::string message);
  ~ERegistryException() override;
};

class TRegistry {
 public:
  // The root key starts as HKEY_CURRENT_USER.
  TRegistry();
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return FRootKey; }
  // Closes the open key.
  void SetRootKey(HKEY rootKey);
  // The open key's path below the root key; empty when none is open.
  const std::string& CurrentPath() const { return FCurrentPath; }

  // A key path is relative to the open key, or to the root key when none
  // is open or the path begins with '\'. Opening closes the key open
  // before, but only on success. With canCreate the key and its missing
  // parents are made.
  bool OpenKey(const std::string& key, bool canCreate);
  // Opens an existing key for reading; writes to it fail.
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool KeyExists(const std::string& key) const;
  // Deletes the key with its subkeys.
  bool DeleteKey(const std::string& key);

  // Values of the open key. The empty name is the key's default value.
  bool ValueExists(const std::string& name) const;
  // A missing value reads as ""; a value that is not a string raises
  // ERegistryException.
  std::string ReadString(const std::string& name) const;
  // Raises ERegistryException when no key is open for writing or the
  // change cannot be stored.
  void WriteString(const std::string& name, const std::string& value);
  // A missing value or one that is not an integer raises ERegistryException.
  int ReadInteger(const std::string& name) const;
  void WriteInteger(const std::string& name, int value);
  bool DeleteValue(const std::string& name);

 private:
  std::string ResolvePath(const std::string& key) const;
  TRegistryFile LoadRoot() const;
  void WriteValue(TRegistryValue value);

  HKEY FRootKey;
  bool FKeyOpen = false;
  bool FReadOnly = false;
  std::string FCurrentPath;
};

// The folder holding the root keys' files, as the environment names it now.
std::filesystem::path RegistryFolder();
