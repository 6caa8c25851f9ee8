// The component library's exception classes and the string, file-name and
// number functions the units use. Errors of the platform are C++
// exceptions of these classes; they pass to the caller unless a unit
// catches them on purpose.
//
// Strings are UTF-8, Linux's ANSI code page; paths use '/'.
#pragma once

#include <concepts>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message);
  ~Exception() override;

  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// A picture file that is not a graphic the platform can read.
class EInvalidGraphic : public Exception {
 public:
  explicit EInvalidGraphic(std::string message);
  ~EInvalidGraphic() override;
};

// A file that cannot be opened or read.
class EFOpenError : public Exception {
 public:
  explicit EFOpenError(std::string message);
  ~EFOpenError() override;
};

// A conversion that cannot be made, such as a bad format string.
class EConvertError : public Exception {
 public:
  explicit EConvertError(std::string message);
  ~EConvertError() override;
};

// ---- File names ----

// The absolute form of a path: a relative one is taken from the current
// directory, "." and ".." are resolved in the text and repeated separators
// merged; the file system is not consulted. A trailing '/' is kept.
std::string ExpandFileName(const std::string& fileName);
// Everything before the last '/', without it; "/" for a file in the root.
std::string ExtractFileDir(const std::string& fileName);
// Everything up to and including the last '/'.
std::string ExtractFilePath(const std::string& fileName);
// Everything after the last '/'.
std::string ExtractFileName(const std::string& fileName);
// Replaces the name's extension, from its last dot, or appends one when the
// name has no dot.
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
// The empty string when the current directory cannot be determined.
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);

// ---- Strings ----

// Change the case of ASCII and Latin-1 letters (U+00C0 to U+00FE); other
// characters, and bytes that are not UTF-8, pass unchanged.
std::string AnsiLowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);
// Compares without regard to case: negative, zero or positive.
int AnsiCompareText(std::string_view a, std::string_view b);
// 1-based position of the first occurrence of sub in s; 0 when absent or
// when sub is empty.
int AnsiPos(std::string_view sub, std::string_view s);

// ---- Numbers ----

// Reads a 32-bit integer: leading spaces, an optional sign, then decimal
// digits, or hexadecimal digits after '$' or "0x". Hexadecimal gives the
// 32-bit pattern ($FFFFFFFF is -1); decimal must lie within the range.
// Anything else, trailing characters included, gives def.
std::int32_t StrToIntDef(std::string_view s, std::int32_t def);
std::string IntToStr(std::int64_t value);

// One argument of Format: an integer or a string. Built implicitly, so that
// a call reads Format("%s/%d", {name, line}).
class TVarRec {
 public:
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) TVarRec(T value)
      : FKind(std::is_signed_v<T> ? TKind::Signed : TKind::Unsigned),
        FInteger(static_cast<std::uint64_t>(value)),
        FWide(sizeof(T) > 4) {}
  TVarRec(const char* value) : FKind(TKind::String), FString(value) {}
  TVarRec(const std::string& value) : FKind(TKind::String), FString(value) {}
  TVarRec(std::string_view value) : FKind(TKind::String), FString(value) {}

  bool IsString() const { return FKind == TKind::String; }
  bool IsSigned() const { return FKind == TKind::Signed; }
  // The integer's bits, sign-extended from signed types.
  std::uint64_t Bits() const { return FInteger; }
  // Whether the integer was wider than 32 bits.
  bool IsWide() const { return FWide; }
  std::string_view String() const { return FString; }

 private:
  enum class TKind { Signed, Unsigned, String };
  TKind FKind;
  std::uint64_t FInteger = 0;
  bool FWide = false;
  std::string_view FString;
};

// The platform's Format: "%" [index ":"] ["-"] [width] ["." precision] type,
// type one of d, u, x (upper-case hexadecimal), s, and "%%" for a percent
// sign. A precision gives the minimum digits of a number and the maximum
// characters of a string. Raises EConvertError for an unknown type, a
// missing argument or an argument of the wrong kind.
std::string Format(std::string_view format, std::initializer_list<TVarRec> args);

// ---- Process and maths ----

// ParamStr(0) is the full path of the program; 1 to ParamCount() the
// command-line arguments; any other index gives the empty string.
std::string ParamStr(int index);
int ParamCount();

void SinCos(long double angle, long double& sine, long double& cosine);
