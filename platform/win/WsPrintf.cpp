// The platform's own small formatter, which differs from printf: integers
// are 32-bit whatever the size prefix, there is no '*' width and no
// floating point, and the output never exceeds the caller's buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/win/Windows.h"

namespace {

class TOutput {
 public:
  TOutput(char* buffer, std::size_t capacity) : FBuffer(buffer), FCapacity(capacity) {}

  void Put(char c) {
    if (FLength < FCapacity) FBuffer[FLength++] = c;
  }
  void Put(std::string_view text) {
    for (const char c : text) Put(c);
  }
  void Repeat(char c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) Put(c);
  }
  int Finish() {
    FBuffer[FLength] = '\0';
    return static_cast<int>(FLength);
  }

 private:
  char* FBuffer;
  std::size_t FCapacity;
  std::size_t FLength = 0;
};

struct TSpec {
  bool Left = false;
  bool Zero = false;
  bool Alternate = false;
  std::size_t Width = 0;
  int Precision = -1;
  bool Wide = false;
  char Type = '\0';
};

std::size_t ReadNumber(const char*& format) {
  std::size_t number = 0;
  while (*format >= '0' && *format <= '9') number = number * 10 + static_cast<std::size_t>(*format++ - '0');
  return number;
}

// Reads what follows a '%'; leaves `format` after the conversion letter.
TSpec ReadSpec(const char*& format) {
  TSpec spec;
  for (;; ++format) {
    if (*format == '-') {
      spec.Left = true;
    } else if (*format == '0') {
      spec.Zero = true;
    } else if (*format == '#') {
      spec.Alternate = true;
    } else {
      break;
    }
  }
  spec.Width = ReadNumber(format);
  if (*format == '.') {
    ++format;
    spec.Precision = static_cast<int>(ReadNumber(format));
  }
  if (*format == 'l' || *format == 'h') spec.Wide = *format++ == 'l';
  spec.Type = *format;
  if (*format != '\0') ++format;
  return spec;
}

void PutField(TOutput& output, const TSpec& spec, std::string_view prefix, std::string_view body) {
  const std::size_t length = prefix.size() + body.size();
  const std::size_t padding = spec.Width > length ? spec.Width - length : 0;
  if (spec.Left) {
    output.Put(prefix);
    output.Put(body);
    output.Repeat(' ', padding);
  } else if (spec.Zero) {
    output.Put(prefix);
    output.Repeat('0', padding);
    output.Put(body);
  } else {
    output.Repeat(' ', padding);
    output.Put(prefix);
    output.Put(body);
  }
}

std::string Digits(std::uint32_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % base]);
    value /= base;
  } while (value != 0);
  return text;
}

void PutInteger(TOutput& output, const TSpec& spec, va_list& arguments) {
  const auto raw = static_cast<std::uint32_t>(va_arg(arguments, int));
  const bool isSigned = spec.Type == 'd' || spec.Type == 'i';
  const bool negative = isSigned && static_cast<std::int32_t>(raw) < 0;
  const std::uint32_t magnitude = negative ? 0u - raw : raw;
  const bool hex = spec.Type == 'x' || spec.Type == 'X';
  std::string body = Digits(magnitude, hex ? 16 : 10, spec.Type == 'X');
  if (spec.Precision > 0 && body.size() < static_cast<std::size_t>(spec.Precision)) {
    body.insert(0, static_cast<std::size_t>(spec.Precision) - body.size(), '0');
  }
  std::string prefix = negative ? "-" : "";
  if (hex && spec.Alternate && magnitude != 0) prefix = spec.Type == 'X' ? "0X" : "0x";
  PutField(output, spec, prefix, body);
}

void AppendUtf8(std::string& text, char32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Wide arguments are UTF-16; they come out in the ANSI code page, UTF-8
// here, a lone surrogate as U+FFFD.
std::string Utf8From(LPCWSTR text) {
  std::string result;
  for (; *text != 0; ++text) {
    const char32_t unit = *text;
    if (IsHighSurrogate(unit) && IsLowSurrogate(text[1])) {
      AppendUtf8(result, 0x10000 + ((unit - 0xD800) << 10) + (char32_t{text[1]} - 0xDC00));
      ++text;
    } else {
      AppendUtf8(result, IsHighSurrogate(unit) || IsLowSurrogate(unit) ? char32_t{0xFFFD} : unit);
    }
  }
  return result;
}

void PutString(TOutput& output, const TSpec& spec, va_list& arguments) {
  std::string text;
  if (spec.Wide) {
    const auto* wide = va_arg(arguments, LPCWSTR);
    text = wide == nullptr ? "(null)" : Utf8From(wide);
  } else {
    const char* narrow = va_arg(arguments, const char*);
    text = narrow == nullptr ? "(null)" : narrow;
  }
  if (spec.Precision >= 0 && text.size() > static_cast<std::size_t>(spec.Precision)) {
    text.resize(static_cast<std::size_t>(spec.Precision));
  }
  PutField(output, TSpec{spec.Left, false, false, spec.Width, -1, false, 's'}, "", text);
}

void PutCharacter(TOutput& output, const TSpec& spec, va_list& arguments) {
  const int value = va_arg(arguments, int);
  std::string text;
  if (spec.Wide) {
    AppendUtf8(text, IsHighSurrogate(static_cast<char16_t>(value)) ||
                             IsLowSurrogate(static_cast<char16_t>(value))
                         ? char32_t{0xFFFD}
                         : char32_t{static_cast<char16_t>(value)});
  } else {
    text += static_cast<char>(value);
  }
  PutField(output, TSpec{spec.Left, false, false, spec.Width, -1, false, 'c'}, "", text);
}

void PutConversion(TOutput& output, TSpec spec, va_list& arguments) {
  switch (spec.Type) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
      PutInteger(output, spec, arguments);
      break;
    case 'S':
      spec.Wide = true;
      [[fallthrough]];
    case 's':
      PutString(output, spec, arguments);
      break;
    case 'C':
      spec.Wide = true;
      [[fallthrough]];
    case 'c':
      PutCharacter(output, spec, arguments);
      break;
    case '\0':
      break;
    default:
      output.Put(spec.Type);
      break;
  }
}

}  // namespace

int wvnsprintfA(LPSTR buffer, int size, LPCSTR format, va_list arguments) {
  if (buffer == nullptr || size < 1) return -1;
  TOutput output(buffer, static_cast<std::size_t>(size) - 1);
  va_list remaining;
  va_copy(remaining, arguments);
  while (*format != '\0') {
    if (*format != '%') {
      output.Put(*format++);
      continue;
    }
    ++format;
    PutConversion(output, ReadSpec(format), remaining);
  }
  va_end(remaining);
  return output.Finish();
}

int wnsprintfA(LPSTR buffer, int size, LPCSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = wvnsprintfA(buffer, size, format, arguments);
  va_end(arguments);
  return written;
}

int wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments) {
  return wvnsprintfA(buffer, WSPRINTF_BUFFER_SIZE, format, arguments);
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = wvnsprintfA(buffer, WSPRINTF_BUFFER_SIZE, format, arguments);
  va_end(arguments);
  return written;
}
