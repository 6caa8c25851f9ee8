#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/com/Bstr.h"

namespace {

TEST(Bstr, KeepsItsLengthInBytesBeforeTheTextAndAZeroAfterIt) {
  const char16_t source[] = u"ab\0cd";
  const TBstr text(SysAllocStringLen(source, 5));
  ASSERT_NE(text.Get(), nullptr);
  EXPECT_EQ(SysStringLen(text.Get()), 5u) << "an embedded zero does not shorten it";
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const char*>(text.Get()) - 4, 4);
  EXPECT_EQ(prefix, 10u);
  EXPECT_EQ(text.Get()[5], u'\0');
  EXPECT_EQ(std::u16string(text.Get(), 5), std::u16string(source, 5));
}

TEST(Bstr, WithoutASourceIsZeroedToTheRequestedLength) {
  const TBstr text(SysAllocStringLen(nullptr, 3));
  ASSERT_NE(text.Get(), nullptr);
  EXPECT_EQ(SysStringLen(text.Get()), 3u);
  EXPECT_EQ(std::u16string(text.Get(), 4), std::u16string(4, u'\0'));
}

TEST(Bstr, NullIsTheEmptyString) {
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(BstrToString(nullptr), "");
  const TBstr empty(SysAllocString(u""));
  ASSERT_NE(empty.Get(), nullptr);
  EXPECT_EQ(SysStringLen(empty.Get()), 0u);
  EXPECT_EQ(BstrToString(empty.Get()), "");
}

TEST(Bstr, ImpossibleLengthsGiveNull) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr)
      << "its byte length does not fit the prefix";
}

TEST(Bstr, HolderFreesWhatItHeldWhenReceivingAnother) {
  TBstr text(SysAllocString(u"first"));
  BSTR* slot = text.Put();
  EXPECT_EQ(*slot, nullptr);
  *slot = SysAllocString(u"second");
  EXPECT_EQ(std::u16string(text.Get()), u"second");

  TBstr moved(std::move(text));
  EXPECT_EQ(text.Get(), nullptr);
  BSTR detached = moved.Detach();
  EXPECT_EQ(std::u16string(detached), u"second");
  SysFreeString(detached);
}

TEST(BstrConversion, JapaneseTextRoundTrips) {
  const std::u16string japanese =
      u"このバージョンのKIVOには対応していません\n対応版をお使いください";
  const TBstr text(SysAllocStringLen(japanese.data(), static_cast<UINT>(japanese.size())));
  const std::string utf8 = BstrToString(text.Get());
  EXPECT_EQ(utf8, reinterpret_cast<const char*>(
                      u8"このバージョンのKIVOには対応していません\n対応版をお使いください"));
  const TBstr back = StringToBstr(utf8);
  EXPECT_EQ(std::u16string(back.Get(), back.Length()), japanese);
}

TEST(BstrConversion, CharactersBeyondTheBasicPlaneRoundTrip) {
  const std::string utf8 = "\xF0\x9F\x8E\xB5 track \xF0\x9D\x84\x9E";
  const TBstr text = StringToBstr(utf8);
  EXPECT_EQ(text.Length(), 11u) << "each of the two characters is a surrogate pair";
  EXPECT_EQ(std::u16string(text.Get(), text.Length()), u"\U0001F3B5 track \U0001D11E");
  EXPECT_EQ(BstrToString(text.Get()), utf8);
}

TEST(BstrConversion, StopsAtTheFirstZeroCharacter) {
  const char16_t source[] = u"ab\0cd";
  const TBstr text(SysAllocStringLen(source, 5));
  EXPECT_EQ(BstrToString(text.Get()), "ab");
}

TEST(BstrConversion, InvalidInputIsReplacedNotDropped) {
  const TBstr fromBadUtf8 = StringToBstr(
      "a\xFF"
      "b");
  EXPECT_EQ(std::u16string(fromBadUtf8.Get(), fromBadUtf8.Length()), u"a\uFFFDb");
  const char16_t loneHalf[] =
      u"a\xD800"
      "b";
  const TBstr text(SysAllocStringLen(loneHalf, 3));
  EXPECT_EQ(BstrToString(text.Get()),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(BstrConversion, EmptyStringGivesAnEmptyNonNullBstr) {
  const TBstr text = StringToBstr("");
  ASSERT_NE(text.Get(), nullptr);
  EXPECT_EQ(text.Length(), 0u);
}

}  // namespace
