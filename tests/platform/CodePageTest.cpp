#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win/CodePage.h"
#include "platform/win/LastError.h"

namespace {

// Converts all of `text` (no terminator) through the size query and the
// conversion proper, checking that both agree.
std::string ToMultiByte(const std::u16string& text, DWORD flags = 0) {
  const int srcLen = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, flags, text.data(), srcLen, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(needed), '\0');
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, flags, text.data(), srcLen, result.data(), needed, nullptr,
                                nullptr),
            needed);
  return result;
}

std::u16string ToWide(const std::string& text, DWORD flags = 0) {
  const int srcLen = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, flags, text.data(), srcLen, nullptr, 0);
  std::u16string result(static_cast<std::size_t>(needed), u'\0');
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, flags, text.data(), srcLen, result.data(), needed), needed);
  return result;
}

// The compiler's own UTF-8 encoding of a literal, as an independent oracle.
template <std::size_t N>
std::string Utf8Literal(const char8_t (&text)[N]) {
  return std::string(reinterpret_cast<const char*>(text), N - 1);
}

TEST(CodePageRoundTrip, JapaneseTextKeepsEveryCharacter) {
  const std::u16string japanese = u"このバージョンのKIVOには対応していません";
  const std::string utf8 = ToMultiByte(japanese);
  EXPECT_EQ(utf8, Utf8Literal(u8"このバージョンのKIVOには対応していません"));
  EXPECT_EQ(ToWide(utf8), japanese);
}

TEST(CodePageRoundTrip, CharactersBeyondTheBasicPlaneBecomeFourBytes) {
  const std::u16string music = u"\U0001F3B5 \U00010000\U0010FFFF";
  const std::string utf8 = ToMultiByte(music);
  EXPECT_EQ(utf8, "\xF0\x9F\x8E\xB5 \xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
  EXPECT_EQ(ToWide(utf8), music);
}

TEST(CodePageRoundTrip, EveryEncodingLengthBoundary) {
  const std::u16string boundaries = u"\u007F\u0080\u07FF\u0800\uFFFF";
  EXPECT_EQ(ToMultiByte(boundaries), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
  EXPECT_EQ(ToWide(ToMultiByte(boundaries)), boundaries);
}

TEST(WideCharToMultiByteInvalid, LoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(ToMultiByte(u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(ToMultiByte(u"a\xDC00z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(ToMultiByte(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD")
      << "a reversed pair is two lone halves";
  EXPECT_EQ(ToMultiByte(std::u16string(u"x\xD83C")), "x\xEF\xBF\xBD")
      << "a high half at the very end";
}

TEST(WideCharToMultiByteInvalid, FailsOnLoneSurrogateOnlyWhenAskedTo) {
  const std::u16string text = u"a\xD800";
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), 2, nullptr, 0, nullptr,
                                nullptr),
            0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(WideCharToMultiByteInvalid, ReportsReplacementAndUsesTheGivenDefaultCharacter) {
  const std::u16string text = u"a\xD800";
  char out[8] = {};
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.data(), 2, out, sizeof out, "?", &usedDefault), 2);
  EXPECT_EQ(std::string(out, 2), "a?");
  EXPECT_EQ(usedDefault, TRUE);

  const std::u16string clean = u"ab";
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, clean.data(), 2, out, sizeof out, "?", &usedDefault), 2);
  EXPECT_EQ(usedDefault, FALSE);
}

TEST(WideCharToMultiByteInvalid, Utf8ProperRefusesDefaultCharacterArguments) {
  const std::u16string text = u"a";
  BOOL usedDefault = FALSE;
  char out[4];
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text.data(), 1, out, 4, nullptr, &usedDefault), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(MultiByteToWideCharInvalid, EachMaximalSubpartBecomesOneReplacement) {
  // A truncated three-byte sequence is one subpart; the byte that breaks it
  // starts afresh.
  EXPECT_EQ(ToWide("\xE3\x81"
                   "A"),
            u"\uFFFD"
            "A");
  // Overlong forms: C0/C1 are never valid, E0 80 fails at its second byte.
  EXPECT_EQ(ToWide("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(ToWide("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");
  // Encoded surrogates and code points above U+10FFFF.
  EXPECT_EQ(ToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(ToWide("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  // Stray continuation bytes and bytes that never occur.
  EXPECT_EQ(ToWide("\x80\xBF\xFE\xFF"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  // A four-byte sequence cut at its end.
  EXPECT_EQ(ToWide("x\xF0\x9F\x8E"), u"x\uFFFD");
}

TEST(MultiByteToWideCharInvalid, FailsOnInvalidInputOnlyWithErrInvalidChars) {
  const std::string text = "ok\xC3";
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), 3, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.data(), 3, nullptr, 0), 3);
}

TEST(CodePageSizes, MinusOneCountsTheTerminatingZero) {
  const char16_t wide[] = u"\u00E9t\u00E9";
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr), 6);
  char narrow[6];
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, 6, nullptr, nullptr), 6);
  EXPECT_STREQ(narrow, "\xC3\xA9t\xC3\xA9");

  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, narrow, -1, nullptr, 0), 4);
  char16_t back[4];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, narrow, -1, back, 4), 4);
  EXPECT_EQ(std::u16string(back), wide);
}

TEST(CodePageSizes, AnExplicitLengthStopsNeitherAtNorAfterAZero) {
  const std::string withZero("a\0b", 3);
  EXPECT_EQ(ToWide(withZero), std::u16string(u"a\0b", 3));
}

TEST(CodePageSizes, TooSmallABufferFailsAndWritesNothing) {
  const std::u16string text = u"\U0001F3B5";
  char narrow[3] = {'x', 'x', 'x'};
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.data(), 2, narrow, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(narrow, 3), "xxx");

  char16_t wide[1] = {u'x'};
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xF0\x9F\x8E\xB5", 4, wide, 1), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(wide[0], u'x');
}

TEST(CodePageArguments, InvalidArgumentsFailWithTheirCodes) {
  const char16_t wide[] = u"a";
  char narrow[4];
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 0, narrow, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, nullptr, -1, narrow, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(MultiByteToWideChar(932, 0, "a", 1, nullptr, 0), 0) << "no other code page exists here";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

TEST(LastError, IsKeptPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seenByOtherThread = 1;
  std::thread other([&] { seenByOtherThread = GetLastError(); });
  other.join();
  EXPECT_EQ(seenByOtherThread, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
