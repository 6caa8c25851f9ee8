#include <gtest/gtest.h>

#include "player/terminal/TextWidth.h"

namespace {

using kivo::ClipToColumns;

TEST(TextWidthTest, WideAndZeroWidthCharactersAreMeasuredAsTerminalsShowThem) {
  EXPECT_EQ(kivo::ColumnsOf(U'a'), 1);
  EXPECT_EQ(kivo::ColumnsOf(U'\u00e9'), 1);
  EXPECT_EQ(kivo::ColumnsOf(U'\u65e5'), 2);  // a CJK ideograph
  EXPECT_EQ(kivo::ColumnsOf(U'\u30ab'), 2);  // katakana
  EXPECT_EQ(kivo::ColumnsOf(U'\uff21'), 2);  // a full-width Latin letter
  EXPECT_EQ(kivo::ColumnsOf(U'\uac00'), 2);  // hangul
  EXPECT_EQ(kivo::ColumnsOf(U'\u0301'), 0);  // a combining accent
}

TEST(TextWidthTest, TextIsClippedByColumns) {
  EXPECT_EQ(ClipToColumns("abcdef", 4), "abcd");
  EXPECT_EQ(ClipToColumns("ab", 4), "ab");
  EXPECT_EQ(ClipToColumns("ab", 0), "");
  EXPECT_EQ(ClipToColumns("\u00e9t\u00e9!", 3), "\u00e9t\u00e9");
  EXPECT_EQ(ClipToColumns("\u65e5\u672c\u8a9e", 5), "\u65e5\u672c") << "no half a wide character";
  EXPECT_EQ(ClipToColumns("\u65e5\u672c\u8a9e", 6), "\u65e5\u672c\u8a9e");
  EXPECT_EQ(ClipToColumns("e\u0301x", 2), "e\u0301x") << "a combining mark takes no column";
}

TEST(TextWidthTest, ControlCharactersAndBrokenUtf8BecomeQuestionMarks) {
  EXPECT_EQ(ClipToColumns("a\x1b[2Jb\n\x7f", 80), "a?[2Jb??");
  EXPECT_EQ(ClipToColumns("\xc2\x9b"
                          "2J",
                          80),
            "?2J")
      << "C1 introducer, UTF-8 encoded";
  EXPECT_EQ(ClipToColumns("a\xff\xc3", 80), "a??") << "a stray byte and a cut-off character";
  EXPECT_EQ(ClipToColumns("\xc0\xaf", 80), "??") << "an overlong '/'";
  EXPECT_EQ(ClipToColumns("\xed\xa0\x80", 80), "???") << "a surrogate";
  EXPECT_EQ(ClipToColumns("\xf4\x90\x80\x80", 80), "????") << "past U+10FFFF";
  EXPECT_EQ(ClipToColumns("\xf0\x9f\x8e\xb5", 80), "\xf0\x9f\x8e\xb5") << "four bytes, valid";
}

}  // namespace
