#include "platform/vcl/RegistryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

namespace {

constexpr std::string_view kMarker = "KIVO-REGISTRY 1";
constexpr std::string_view kPathSpecials = "[]";
constexpr std::string_view kNameSpecials = "=[;";
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Fold(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return folded;
}

bool SameName(std::string_view left, std::string_view right) { return Fold(left) == Fold(right); }

std::string Encode(std::string_view text, std::string_view specials) {
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '%' || byte < 0x20 || byte == 0x7F || specials.find(c) != std::string_view::npos) {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0xF];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

std::optional<unsigned> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return std::nullopt;
}

std::optional<char> HexByte(char high, char low) {
  const std::optional<unsigned> h = HexDigit(high);
  const std::optional<unsigned> l = HexDigit(low);
  if (!h || !l) return std::nullopt;
  return static_cast<char>((*h << 4) | *l);
}

std::optional<std::string> Decode(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const std::optional<char> byte = HexByte(text[i + 1], text[i + 2]);
    if (!byte) return std::nullopt;
    decoded += *byte;
    i += 2;
  }
  return decoded;
}

std::string FormatData(const TRegistryValue& value) {
  switch (value.Type) {
    case REG_SZ:
      return "sz:" + Encode(value.Data, {});
    case REG_EXPAND_SZ:
      return "expand_sz:" + Encode(value.Data, {});
    case REG_DWORD:
      return "dword:" + std::to_string(RegistryDataToDword(value.Data).value_or(0));
    default: {
      std::string hex = "binary:";
      for (const char c : value.Data) {
        hex += kHexDigits[static_cast<unsigned char>(c) >> 4];
        hex += kHexDigits[static_cast<unsigned char>(c) & 0xF];
      }
      return hex;
    }
  }
}

std::optional<std::string> ParseDword(std::string_view text) {
  DWORD value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return DwordToRegistryData(value);
}

std::optional<std::string> ParseBinary(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const std::optional<char> byte = HexByte(text[i], text[i + 1]);
    if (!byte) return std::nullopt;
    bytes += *byte;
  }
  return bytes;
}

// The value's type and data from "type:data"; nothing when unreadable.
std::optional<TRegistryValue> ParseTypedData(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view type = text.substr(0, colon);
  const std::string_view data = text.substr(colon + 1);
  TRegistryValue value;
  std::optional<std::string> bytes;
  if (type == "sz") {
    value.Type = REG_SZ;
    bytes = Decode(data);
  } else if (type == "expand_sz") {
    value.Type = REG_EXPAND_SZ;
    bytes = Decode(data);
  } else if (type == "dword") {
    value.Type = REG_DWORD;
    bytes = ParseDword(data);
  } else if (type == "binary") {
    value.Type = REG_BINARY;
    bytes = ParseBinary(data);
  }
  if (!bytes) return std::nullopt;
  value.Data = std::move(*bytes);
  return value;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

std::filesystem::path TemporaryPathFor(const std::filesystem::path& file) {
  static std::atomic<unsigned> counter{0};
  return file.parent_path() / (file.filename().string() + ".tmp." + std::to_string(::getpid()) +
                               "." + std::to_string(counter++));
}

}  // namespace

std::string DwordToRegistryData(DWORD value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

std::optional<DWORD> RegistryDataToDword(const std::string& bytes) {
  if (bytes.size() != 4) return std::nullopt;
  DWORD value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

TRegistryFile::TRegistryFile() { FKeys.emplace("", TKey{}); }

std::string TRegistryFile::NormalizePath(const std::string& path) {
  std::string normalized;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) {
      if (!normalized.empty()) normalized += '\\';
      normalized.append(path, start, end - start);
    }
    start = end + 1;
  }
  return normalized;
}

TRegistryFile TRegistryFile::Parse(const std::string& text) {
  TRegistryFile store;
  const std::vector<std::string> lines = SplitLines(text);
  if (lines.empty() || lines.front() != kMarker) return store;
  TKey* current = nullptr;
  for (auto line = std::next(lines.begin()); line != lines.end(); ++line) {
    if (line->empty() || line->front() == ';') continue;
    if (line->front() == '[' && line->back() == ']' && line->size() >= 2) {
      const std::optional<std::string> path =
          Decode(std::string_view(*line).substr(1, line->size() - 2));
      current = nullptr;
      if (path) {
        store.CreateKey(*path);
        current = store.FindKey(*path);
      }
    } else if (current != nullptr) {
      store.ParseValueLine(*current, *line);
    }
  }
  return store;
}

void TRegistryFile::ParseValueLine(TKey& key, const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return;
  const std::optional<std::string> name = Decode(std::string_view(line).substr(0, equals));
  std::optional<TRegistryValue> value = ParseTypedData(std::string_view(line).substr(equals + 1));
  if (!name || !value) return;
  value->Name = *name;
  SetValue(key.Path, std::move(*value));
}

std::string TRegistryFile::Format() const {
  std::string text(kMarker);
  text += '\n';
  for (const auto& [folded, key] : FKeys) {
    text += '[' + Encode(key.Path, kPathSpecials) + "]\n";
    for (const TRegistryValue& value : key.Values)
      text += Encode(value.Name, kNameSpecials) + '=' + FormatData(value) + '\n';
  }
  return text;
}

TRegistryFile TRegistryFile::Load(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return TRegistryFile();
  const std::string text{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  return Parse(text);
}

bool TRegistryFile::Save(const std::filesystem::path& file) const {
  const std::filesystem::path temporary = TemporaryPathFor(file);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, Format()) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (written && closed && ::rename(temporary.c_str(), file.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

TRegistryFile::TKey* TRegistryFile::FindKey(const std::string& path) {
  const auto found = FKeys.find(Fold(NormalizePath(path)));
  return found == FKeys.end() ? nullptr : &found->second;
}

const TRegistryFile::TKey* TRegistryFile::FindKey(const std::string& path) const {
  const auto found = FKeys.find(Fold(NormalizePath(path)));
  return found == FKeys.end() ? nullptr : &found->second;
}

bool TRegistryFile::KeyExists(const std::string& path) const { return FindKey(path) != nullptr; }

void TRegistryFile::CreateKey(const std::string& path) {
  const std::string normalized = NormalizePath(path);
  std::size_t end = 0;
  while (end != std::string::npos) {
    end = normalized.find('\\', end + 1);
    const std::string prefix = normalized.substr(0, end);
    FKeys.try_emplace(Fold(prefix), TKey{prefix, {}});
  }
}

bool TRegistryFile::DeleteKey(const std::string& path) {
  const std::string folded = Fold(NormalizePath(path));
  if (folded.empty() || FKeys.erase(folded) == 0) return false;
  const std::string subkeyPrefix = folded + '\\';
  std::erase_if(FKeys, [&](const auto& entry) { return entry.first.starts_with(subkeyPrefix); });
  return true;
}

const TRegistryValue* TRegistryFile::FindValue(const std::string& path,
                                               const std::string& name) const {
  const TKey* key = FindKey(path);
  if (key == nullptr) return nullptr;
  const auto found =
      std::find_if(key->Values.begin(), key->Values.end(),
                   [&](const TRegistryValue& value) { return SameName(value.Name, name); });
  return found == key->Values.end() ? nullptr : &*found;
}

bool TRegistryFile::SetValue(const std::string& path, TRegistryValue value) {
  TKey* key = FindKey(path);
  if (key == nullptr) return false;
  const auto found = std::find_if(
      key->Values.begin(), key->Values.end(),
      [&](const TRegistryValue& existing) { return SameName(existing.Name, value.Name); });
  if (found == key->Values.end()) {
    key->Values.push_back(std::move(value));
  } else {
    found->Type = value.Type;
    found->Data = std::move(value.Data);
  }
  return true;
}

bool TRegistryFile::DeleteValue(const std::string& path, const std::string& name) {
  TKey* key = FindKey(path);
  if (key == nullptr) return false;
  return std::erase_if(key->Values,
                       [&](const TRegistryValue& value) { return SameName(value.Name, name); }) > 0;
}
