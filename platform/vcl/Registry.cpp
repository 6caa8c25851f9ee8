#include "platform/vcl/Registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

namespace {

std::optional<std::filesystem::path> RootFile(HKEY root) {
  const char* name = nullptr;
  if (root == HKEY_CLASSES_ROOT) name = "HKEY_CLASSES_ROOT";
  if (root == HKEY_CURRENT_USER) name = "HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) name = "HKEY_LOCAL_MACHINE";
  if (root == HKEY_USERS) name = "HKEY_USERS";
  if (root == HKEY_CURRENT_CONFIG) name = "HKEY_CURRENT_CONFIG";
  if (name == nullptr) return std::nullopt;
  return RegistryFolder() / (std::string(name) + ".txt");
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::filesystem::path HomeFolder() {
  const std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return std::filesystem::current_path();
}

// Holds an exclusive lock on a file beside the store for as long as it
// lives, so that writers in any thread or process take turns.
class TWriterLock {
 public:
  explicit TWriterLock(const std::filesystem::path& store)
      : FFd(::open((store.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (FFd >= 0 && ::flock(FFd, LOCK_EX) != 0) {
      ::close(FFd);
      FFd = -1;
    }
  }
  TWriterLock(const TWriterLock&) = delete;
  TWriterLock& operator=(const TWriterLock&) = delete;
  ~TWriterLock() {
    if (FFd >= 0) ::close(FFd);
  }

  bool Held() const { return FFd >= 0; }

 private:
  int FFd;
};

// Reads the root key's store afresh, lets `change` alter it and writes it
// back; false when the root key is unknown, the change is refused or the
// store cannot be written.
template <class Change>
bool ChangeRoot(HKEY root, Change change) {
  const std::optional<std::filesystem::path> file = RootFile(root);
  if (!file) return false;
  std::error_code error;
  std::filesystem::create_directories(file->parent_path(), error);
  if (error) return false;
  const TWriterLock lock(*file);
  if (!lock.Held()) return false;
  TRegistryFile store = TRegistryFile::Load(*file);
  if (!change(store)) return false;
  return store.Save(*file);
}

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

}  // namespace

std::filesystem::path RegistryFolder() {
  const std::string configured = EnvironmentValue("KIVO_REGISTRY_DIR");
  if (!configured.empty()) return configured;
  const std::filesystem::path configHome = EnvironmentValue("XDG_CONFIG_HOME");
  if (configHome.is_absolute()) return configHome / "kivo" / "registry";
  return HomeFolder() / ".config" / "kivo" / "registry";
}

ERegistryException::ERegistryException(std::string message) : Exception(std::move(message)) {}
ERegistryException::~ERegistryException() = default;

TRegistry::TRegistry() : FRootKey(HKEY_CURRENT_USER) {}
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY rootKey) {
  CloseKey();
  FRootKey = rootKey;
}

std::string TRegistry::ResolvePath(const std::string& key) const {
  const bool absolute = !key.empty() && key.front() == '\\';
  if (absolute || !FKeyOpen) return TRegistryFile::NormalizePath(key);
  return TRegistryFile::NormalizePath(FCurrentPath + '\\' + key);
}

TRegistryFile TRegistry::LoadRoot() const {
  const std::optional<std::filesystem::path> file = RootFile(FRootKey);
  return file ? TRegistryFile::Load(*file) : TRegistryFile();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  if (!RootFile(FRootKey)) return false;
  const std::string path = ResolvePath(key);
  if (!LoadRoot().KeyExists(path)) {
    const bool created = canCreate && ChangeRoot(FRootKey, [&](TRegistryFile& store) {
                           store.CreateKey(path);
                           return true;
                         });
    if (!created) return false;
  }
  FKeyOpen = true;
  FReadOnly = false;
  FCurrentPath = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  if (!OpenKey(key, false)) return false;
  FReadOnly = true;
  return true;
}

void TRegistry::CloseKey() {
  FKeyOpen = false;
  FReadOnly = false;
  FCurrentPath.clear();
}

bool TRegistry::KeyExists(const std::string& key) const {
  return RootFile(FRootKey) && LoadRoot().KeyExists(ResolvePath(key));
}

bool TRegistry::DeleteKey(const std::string& key) {
  const std::string path = ResolvePath(key);
  return ChangeRoot(FRootKey, [&](TRegistryFile& store) { return store.DeleteKey(path); });
}

bool TRegistry::ValueExists(const std::string& name) const {
  return FKeyOpen && LoadRoot().FindValue(FCurrentPath, name) != nullptr;
}

std::string TRegistry::ReadString(const std::string& name) const {
  if (!FKeyOpen) return {};
  const TRegistryFile store = LoadRoot();
  const TRegistryValue* value = store.FindValue(FCurrentPath, name);
  if (value == nullptr) return {};
  if (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ) {
    throw ERegistryException("Invalid data type for " + Quoted(name));
  }
  return value->Data;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  WriteValue({name, REG_SZ, value});
}

int TRegistry::ReadInteger(const std::string& name) const {
  const TRegistryFile store = FKeyOpen ? LoadRoot() : TRegistryFile();
  const TRegistryValue* value = FKeyOpen ? store.FindValue(FCurrentPath, name) : nullptr;
  if (value == nullptr) throw ERegistryException("Failed to get data for " + Quoted(name));
  const std::optional<DWORD> bits =
      value->Type == REG_DWORD ? RegistryDataToDword(value->Data) : std::nullopt;
  if (!bits) throw ERegistryException("Invalid data type for " + Quoted(name));
  return static_cast<int>(*bits);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  WriteValue({name, REG_DWORD, DwordToRegistryData(static_cast<DWORD>(value))});
}

void TRegistry::WriteValue(TRegistryValue value) {
  const std::string name = value.Name;
  const bool written = FKeyOpen && !FReadOnly && ChangeRoot(FRootKey, [&](TRegistryFile& store) {
                         return store.SetValue(FCurrentPath, std::move(value));
                       });
  if (!written) throw ERegistryException("Failed to set data for " + Quoted(name));
}

bool TRegistry::DeleteValue(const std::string& name) {
  return FKeyOpen && !FReadOnly && ChangeRoot(FRootKey, [&](TRegistryFile& store) {
           return store.DeleteValue(FCurrentPath, name);
         });
}
