#include "platform/vcl/SysUtils.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

// Defined out of line so that the class's type information lives in the
// platform library alone, and an error raised in one module is caught as
// the same class in another.
Exception::Exception(std::string message) : FMessage(std::move(message)) {}
Exception::~Exception() = default;

EInvalidGraphic::EInvalidGraphic(std::string message) : Exception(std::move(message)) {}
EInvalidGraphic::~EInvalidGraphic() = default;

EFOpenError::EFOpenError(std::string message) : Exception(std::move(message)) {}
EFOpenError::~EFOpenError() = default;

EConvertError::EConvertError(std::string message) : Exception(std::move(message)) {}
EConvertError::~EConvertError() = default;

// ---- File names ----

namespace {

std::vector<std::string_view> ResolvedComponents(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::string ExpandFileName(const std::string& fileName) {
  if (fileName.empty()) return fileName;
  const std::string absolute =
      fileName.front() == '/' ? fileName : GetCurrentDir() + "/" + fileName;
  std::string result;
  for (const auto part : ResolvedComponents(absolute)) {
    result += '/';
    result += part;
  }
  if (result.empty() || fileName.back() == '/') result += '/';
  return result;
}

std::string ExtractFileDir(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : fileName.substr(0, slash);
}

std::string ExtractFilePath(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string::npos ? "" : fileName.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  const std::size_t mark = fileName.find_last_of("./");
  if (mark == std::string::npos || fileName[mark] != '.') return fileName + extension;
  return fileName.substr(0, mark) + extension;
}

std::string GetCurrentDir() {
  std::error_code error;
  const auto path = std::filesystem::current_path(error);
  return error ? std::string() : path.string();
}

bool SetCurrentDir(const std::string& dir) { return !dir.empty() && ::chdir(dir.c_str()) == 0; }

// ---- Strings ----

namespace {

// In UTF-8, U+00C0 to U+00FF are 0xC3 followed by 0x80 to 0xBF; capitals
// and small letters lie 0x20 apart, except for the two signs × and ÷.
constexpr unsigned char kLatin1Lead = 0xC3;

std::string ChangeCase(std::string_view s, bool toLower) {
  std::string result(s);
  for (std::size_t i = 0; i < result.size(); ++i) {
    auto c = static_cast<unsigned char>(result[i]);
    if (toLower && c >= 'A' && c <= 'Z') {
      result[i] = static_cast<char>(c + 0x20);
    } else if (!toLower && c >= 'a' && c <= 'z') {
      result[i] = static_cast<char>(c - 0x20);
    } else if (c == kLatin1Lead && i + 1 < result.size()) {
      c = static_cast<unsigned char>(result[i + 1]);
      if (toLower && c >= 0x80 && c <= 0x9E && c != 0x97) {
        result[++i] = static_cast<char>(c + 0x20);
      } else if (!toLower && c >= 0xA0 && c <= 0xBE && c != 0xB7) {
        result[++i] = static_cast<char>(c - 0x20);
      }
    }
  }
  return result;
}

}  // namespace

std::string AnsiLowerCase(std::string_view s) { return ChangeCase(s, true); }

std::string AnsiUpperCase(std::string_view s) { return ChangeCase(s, false); }

int AnsiCompareText(std::string_view a, std::string_view b) {
  const int order = AnsiLowerCase(a).compare(AnsiLowerCase(b));
  return (order > 0) - (order < 0);
}

int AnsiPos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  const std::size_t at = s.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

// ---- Numbers ----

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The digits after a '$' or "0x": at most 32 bits of value.
bool ParseHex(std::string_view digits, std::uint32_t& value) {
  if (digits.empty()) return false;
  std::uint64_t result = 0;
  for (const char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    result = result * 16 + static_cast<std::uint64_t>(digit);
    if (result > 0xFFFFFFFFu) return false;
  }
  value = static_cast<std::uint32_t>(result);
  return true;
}

bool ParseDecimal(std::string_view digits, bool negative, std::int32_t& value) {
  if (digits.empty()) return false;
  const std::int64_t limit = negative ? std::int64_t{2147483648} : std::int64_t{2147483647};
  std::int64_t result = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
    if (result > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -result : result);
  return true;
}

}  // namespace

std::int32_t StrToIntDef(std::string_view s, std::int32_t def) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  const bool negative = i < s.size() && s[i] == '-';
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  const std::string_view rest = s.substr(i);
  std::size_t hexStart = 0;
  if (rest.starts_with('$')) {
    hexStart = 1;
  } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
    hexStart = 2;
  }
  if (hexStart != 0) {
    std::uint32_t bits = 0;
    if (!ParseHex(rest.substr(hexStart), bits)) return def;
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
  }
  std::int32_t value = 0;
  return ParseDecimal(rest, negative, value) ? value : def;
}

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

// ---- Format ----

namespace {

struct TFormatSpec {
  bool LeftJustify = false;
  std::size_t Width = 0;
  bool HasPrecision = false;
  std::size_t Precision = 0;
  char Type = 0;
};

class TFormatter {
 public:
  TFormatter(std::string_view format, std::initializer_list<TVarRec> args)
      : FFormat(format), FArgs(args.begin(), args.end()) {}

  std::string Run() {
    std::string result;
    while (FPos < FFormat.size()) {
      const char c = FFormat[FPos++];
      if (c != '%') {
        result += c;
      } else if (FPos < FFormat.size() && FFormat[FPos] == '%') {
        result += '%';
        ++FPos;
      } else {
        result += Convert(ReadSpec());
      }
    }
    return result;
  }

 private:
  [[noreturn]] void Fail() const {
    throw EConvertError("Format '" + std::string(FFormat) +
                        "' invalid or incompatible with argument");
  }

  bool AtDigit() const {
    return FPos < FFormat.size() && FFormat[FPos] >= '0' && FFormat[FPos] <= '9';
  }

  std::size_t ReadNumber() {
    std::size_t value = 0;
    while (AtDigit()) {
      value = value * 10 + static_cast<std::size_t>(FFormat[FPos++] - '0');
      if (value > 1'000'000) Fail();
    }
    return value;
  }

  TFormatSpec ReadSpec() {
    TFormatSpec directive;
    std::size_t number = ReadNumber();
    if (FPos < FFormat.size() && FFormat[FPos] == ':') {
      FNextArg = number;
      ++FPos;
      number = ReadNumber();
    }
    if (FPos < FFormat.size() && FFormat[FPos] == '-') {
      directive.LeftJustify = true;
      ++FPos;
      number = ReadNumber();
    }
    directive.Width = number;
    if (FPos < FFormat.size() && FFormat[FPos] == '.') {
      ++FPos;
      directive.HasPrecision = true;
      directive.Precision = ReadNumber();
    }
    if (FPos >= FFormat.size()) Fail();
    directive.Type = static_cast<char>(FFormat[FPos++] | 0x20);
    return directive;
  }

  const TVarRec& NextArg() {
    if (FNextArg >= FArgs.size()) Fail();
    return FArgs[FNextArg++];
  }

  std::string Convert(const TFormatSpec& directive) {
    switch (directive.Type) {
      case 'd':
        return Pad(Decimal(NextInteger(), directive), directive);
      case 'u':
        return Pad(WithPrecision(std::to_string(Unsigned(NextInteger())), directive), directive);
      case 'x':
        return Pad(WithPrecision(Hex(Unsigned(NextInteger())), directive), directive);
      case 's':
        return Pad(NextString(directive), directive);
      default:
        Fail();
    }
  }

  const TVarRec& NextInteger() {
    const TVarRec& arg = NextArg();
    if (arg.IsString()) Fail();
    return arg;
  }

  std::string NextString(const TFormatSpec& directive) {
    const TVarRec& arg = NextArg();
    if (!arg.IsString()) Fail();
    std::string text(arg.String());
    if (directive.HasPrecision && text.size() > directive.Precision) text.resize(directive.Precision);
    return text;
  }

  // A negative 32-bit value counts as its 32-bit pattern, a wider one as
  // its 64-bit pattern.
  static std::uint64_t Unsigned(const TVarRec& arg) {
    return arg.IsWide() ? arg.Bits() : arg.Bits() & 0xFFFFFFFFu;
  }

  static std::string Hex(std::uint64_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
      text.insert(text.begin(), kDigits[value % 16]);
      value /= 16;
    } while (value != 0);
    return text;
  }

  static std::string WithPrecision(std::string digits, const TFormatSpec& directive) {
    if (directive.HasPrecision && digits.size() < directive.Precision)
      digits.insert(0, directive.Precision - digits.size(), '0');
    return digits;
  }

  static std::string Decimal(const TVarRec& arg, const TFormatSpec& directive) {
    const bool negative = arg.IsSigned() && static_cast<std::int64_t>(arg.Bits()) < 0;
    const std::uint64_t magnitude = negative ? 0 - arg.Bits() : arg.Bits();
    std::string text = WithPrecision(std::to_string(magnitude), directive);
    if (negative) text.insert(text.begin(), '-');
    return text;
  }

  static std::string Pad(std::string text, const TFormatSpec& directive) {
    if (text.size() >= directive.Width) return text;
    const std::string blanks(directive.Width - text.size(), ' ');
    return directive.LeftJustify ? text + blanks : blanks + text;
  }

  std::string_view FFormat;
  std::vector<TVarRec> FArgs;
  std::size_t FPos = 0;
  std::size_t FNextArg = 0;
};

}  // namespace

std::string Format(std::string_view format, std::initializer_list<TVarRec> args) {
  return TFormatter(format, args).Run();
}

// ---- Process and maths ----

namespace {

std::vector<std::string> CommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start < all.size()) {
    const std::size_t end = std::min(all.find('\0', start), all.size());
    args.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

std::string ProgramPath() {
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

}  // namespace

std::string ParamStr(int index) {
  if (index == 0) return ProgramPath();
  const auto args = CommandLine();
  if (index < 0 || static_cast<std::size_t>(index) >= args.size()) return "";
  return args[static_cast<std::size_t>(index)];
}

int ParamCount() {
  const auto args = CommandLine();
  return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

void SinCos(long double angle, long double& sine, long double& cosine) {
  sine = std::sin(angle);
  cosine = std::cos(angle);
}
