#include "platform/win/CodePage.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win/LastError.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
    return;
  }
  const char32_t offset = code - 0x10000;
  out += static_cast<char16_t>(0xD800 + (offset >> 10));
  out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
}

struct TEncoded {
  std::string Text;
  bool Replaced = false;
};

// A lone surrogate cannot be encoded; `replacement` stands in for it.
TEncoded EncodeUtf8(std::u16string_view src, std::string_view replacement) {
  TEncoded result;
  for (std::size_t i = 0; i < src.size(); ++i) {
    const char16_t unit = src[i];
    if (IsHighSurrogate(unit) && i + 1 < src.size() && IsLowSurrogate(src[i + 1])) {
      const char32_t code = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (src[i + 1] - 0xDC00);
      AppendUtf8(result.Text, code);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      result.Text += replacement;
      result.Replaced = true;
    } else {
      AppendUtf8(result.Text, unit);
    }
  }
  return result;
}

// The range the byte after a lead byte must fall in; later continuation
// bytes are always 0x80-0xBF. Excluding overlong forms, surrogates and code
// points above U+10FFFF here makes every rejected sequence end at the first
// byte that cannot belong to it, which is what "maximal subpart" means.
struct TLeadRule {
  int Continuations;
  unsigned char Low;
  unsigned char High;
};

std::optional<TLeadRule> LeadRule(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return TLeadRule{1, 0x80, 0xBF};
  if (lead == 0xE0) return TLeadRule{2, 0xA0, 0xBF};
  if (lead == 0xED) return TLeadRule{2, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return TLeadRule{2, 0x80, 0xBF};
  if (lead == 0xF0) return TLeadRule{3, 0x90, 0xBF};
  if (lead == 0xF4) return TLeadRule{3, 0x80, 0x8F};
  if (lead >= 0xF1 && lead <= 0xF3) return TLeadRule{3, 0x80, 0xBF};
  return std::nullopt;
}

struct TDecoded {
  std::u16string Text;
  bool Replaced = false;
};

// Decodes one sequence starting at `pos` and advances `pos` past it; an
// invalid sequence yields nothing and advances past its maximal subpart.
std::optional<char32_t> DecodeSequence(std::string_view src, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(src[pos++]);
  if (lead < 0x80) return lead;
  const std::optional<TLeadRule> rule = LeadRule(lead);
  if (!rule) return std::nullopt;
  const int payloadBits = 6 - rule->Continuations;
  char32_t code = lead & ((1u << payloadBits) - 1);
  for (int n = 0; n < rule->Continuations; ++n) {
    if (pos >= src.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(src[pos]);
    const unsigned char low = n == 0 ? rule->Low : 0x80;
    const unsigned char high = n == 0 ? rule->High : 0xBF;
    if (next < low || next > high) return std::nullopt;
    code = (code << 6) | (next & 0x3F);
    ++pos;
  }
  return code;
}

TDecoded DecodeUtf8(std::string_view src) {
  TDecoded result;
  std::size_t pos = 0;
  while (pos < src.size()) {
    if (const std::optional<char32_t> code = DecodeSequence(src, pos)) {
      AppendUtf16(result.Text, *code);
    } else {
      AppendUtf16(result.Text, kReplacement);
      result.Replaced = true;
    }
  }
  return result;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

bool IsSupportedCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

// srcLen -1 takes the text up to and including its terminating zero.
template <typename Char>
std::basic_string_view<Char> SourceText(const Char* src, int srcLen) {
  if (srcLen == -1)
    return std::basic_string_view<Char>(src, std::char_traits<Char>::length(src) + 1);
  return std::basic_string_view<Char>(src, static_cast<std::size_t>(srcLen));
}

bool AreBufferArgumentsValid(const void* src, int srcLen, const void* dst, int dstLen) {
  if (src == nullptr || srcLen == 0 || srcLen < -1) return false;
  if (dstLen < 0 || (dstLen > 0 && dst == nullptr)) return false;
  return true;
}

// The size convention shared by both directions: dstLen 0 asks for the
// size; a result that does not fit is not written at all.
template <typename Char>
int Deliver(const std::basic_string<Char>& text, Char* dst, int dstLen) {
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return Fail(ERROR_INVALID_PARAMETER);
  const int needed = static_cast<int>(text.size());
  if (dstLen == 0) return needed;
  if (needed > dstLen) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(text.begin(), text.end(), dst);
  return needed;
}

}  // namespace

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, BOOL* usedDefaultChar) {
  if (!IsSupportedCodePage(codePage)) return Fail(ERROR_INVALID_PARAMETER);
  if (!AreBufferArgumentsValid(src, srcLen, dst, dstLen)) return Fail(ERROR_INVALID_PARAMETER);
  const bool utf8Proper = codePage == CP_UTF8;
  if (utf8Proper && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const DWORD allowedFlags =
      utf8Proper ? WC_ERR_INVALID_CHARS : WC_ERR_INVALID_CHARS | WC_NO_BEST_FIT_CHARS;
  if ((flags & ~allowedFlags) != 0) return Fail(ERROR_INVALID_FLAGS);

  const std::string replacementUtf8 = "\xEF\xBF\xBD";
  const std::string_view replacement =
      defaultChar != nullptr ? std::string_view(defaultChar, 1) : std::string_view(replacementUtf8);
  const TEncoded encoded = EncodeUtf8(SourceText(src, srcLen), replacement);
  if (encoded.Replaced && (flags & WC_ERR_INVALID_CHARS) != 0)
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  if (usedDefaultChar != nullptr) *usedDefaultChar = encoded.Replaced ? TRUE : FALSE;
  return Deliver(encoded.Text, dst, dstLen);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst,
                        int dstLen) {
  if (!IsSupportedCodePage(codePage)) return Fail(ERROR_INVALID_PARAMETER);
  if (!AreBufferArgumentsValid(src, srcLen, dst, dstLen)) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD allowedFlags =
      codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : MB_ERR_INVALID_CHARS | MB_PRECOMPOSED;
  if ((flags & ~allowedFlags) != 0) return Fail(ERROR_INVALID_FLAGS);

  const TDecoded decoded = DecodeUtf8(SourceText(src, srcLen));
  if (decoded.Replaced && (flags & MB_ERR_INVALID_CHARS) != 0)
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  return Deliver(decoded.Text, dst, dstLen);
}
