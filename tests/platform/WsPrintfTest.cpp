#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/Windows.h"

namespace {

template <typename... Args>
std::string Formatted(const char* format, Args... arguments) {
  std::vector<char> buffer(WSPRINTF_BUFFER_SIZE, '#');
  const int written = wsprintfA(buffer.data(), format, arguments...);
  EXPECT_EQ(written, static_cast<int>(std::strlen(buffer.data())));
  return buffer.data();
}

TEST(WsPrintfTest, ConversionsOfTheSubset) {
  EXPECT_EQ(Formatted("%d|%i|%u", -42, 42, 3000000000u), "-42|42|3000000000");
  EXPECT_EQ(Formatted("%x|%X|%c|%s|%%", 0xbeefu, 0xbeefu, 'K', "KIVO"), "beef|BEEF|K|KIVO|%");
  EXPECT_EQ(Formatted("%d %d", INT_MIN, INT_MAX), "-2147483648 2147483647");
  EXPECT_EQ(Formatted("%u", -1), "4294967295");
  EXPECT_EQ(Formatted("no conversions"), "no conversions");
}

TEST(WsPrintfTest, LongIsThirtyTwoBitsAsOnThePlatform) {
  const int hresult = static_cast<int>(0x80004005u);
  EXPECT_EQ(Formatted("(%s) Error: %lX (%ld) @ %s/%d", "this->get_Left((long*)&Value)", hresult,
                      hresult, "Kivo_tlb.h", 80),
            "(this->get_Left((long*)&Value)) Error: 80004005 (-2147467259) @ Kivo_tlb.h/80");
  EXPECT_EQ(Formatted("%lu|%lx|%hd", 4000000000u, 0xABCu, 7), "4000000000|abc|7");
}

TEST(WsPrintfTest, WidthFlagsAndPrecision) {
  EXPECT_EQ(Formatted("[%5d][%-5d][%05d][%05d]", 42, 42, 42, -42), "[   42][42   ][00042][-0042]");
  EXPECT_EQ(Formatted("[%8X][%08x][%#x][%#X][%#x]", 0x1Fu, 0x1Fu, 255u, 255u, 0u),
            "[      1F][0000001f][0xff][0XFF][0]");
  EXPECT_EQ(Formatted("[%.3d][%6.3d][%.2s][%-4s][%4s][%3c]", 7, -7, "abc", "ab", "ab", 'x'),
            "[007][  -007][ab][ab  ][  ab][  x]");
  EXPECT_EQ(Formatted("[%2d]", 12345), "[12345]") << "a width never cuts";
}

TEST(WsPrintfTest, NullStringsWideTextsAndUnknownConversions) {
  EXPECT_EQ(Formatted("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(Formatted("%S|%ls", u"日本語", u"\U0001F3B5"), "日本語|\U0001F3B5");
  EXPECT_EQ(Formatted("%S", u"a\xD800z"), "a\uFFFDz") << "a lone surrogate";
  EXPECT_EQ(Formatted("%C%lc", u'é', u'x'), "éx");
  EXPECT_EQ(Formatted("%y%d", 5), "y5") << "an unknown conversion takes no argument";
  EXPECT_EQ(Formatted("100%"), "100");
}

TEST(WsPrintfTest, OutputNeverPassesTheBuffer) {
  char buffer[12];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(wnsprintfA(buffer, 8, "%s-%d", "abcdef", 12345), 7);
  EXPECT_STREQ(buffer, "abcdef-");
  EXPECT_EQ(buffer[8], '#');

  EXPECT_EQ(wnsprintfA(buffer, 1, "%d", 5), 0);
  EXPECT_STREQ(buffer, "");
  buffer[0] = '#';
  EXPECT_EQ(wnsprintfA(buffer, 0, "%d", 5), -1);
  EXPECT_EQ(buffer[0], '#');
}

TEST(WsPrintfTest, ClassicFormWritesAtMost1024Characters) {
  std::vector<char> buffer(WSPRINTF_BUFFER_SIZE + 16, '#');
  const std::string longText(2000, 'k');
  EXPECT_EQ(wsprintfA(buffer.data(), "%s", longText.c_str()), 1024);
  EXPECT_EQ(buffer[1024], '\0');
  EXPECT_EQ(buffer[1025], '#');
  EXPECT_EQ(std::string(buffer.data()), std::string(1024, 'k'));
}

}  // namespace
