// TStringList: indexing, name=value items and the comma-text convention
// that the design file's "Option" and "Colors" lists are read with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/StringList.h"

namespace {

using TItems = std::vector<std::string>;

TItems ItemsOf(const TStringList& list) {
  TItems items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Strings(i));
  return items;
}

TItems SplitCommaText(const std::string& text) {
  TStringList list;
  list.SetCommaText(text);
  return ItemsOf(list);
}

// The design file's "Option" value: lower-cased, split, "dir" looked up.
int DirectionOf(const std::string& option) {
  TStringList list;
  list.SetCommaText(AnsiLowerCase(option));
  return StrToIntDef(list.Values("dir"), 0);
}

TEST(CommaTextOption, DirectionItemAmongOthers) {
  EXPECT_EQ(DirectionOf("Dir=3,Foo"), 3);
  EXPECT_EQ(DirectionOf("foo, DIR=6 bar"), 6);
  EXPECT_EQ(DirectionOf("dir=x"), 0);
  EXPECT_EQ(DirectionOf(""), 0);
  EXPECT_EQ(DirectionOf("direction=5,dir"), 0);
  EXPECT_EQ(DirectionOf("dir=2,dir=7"), 2);
}

TEST(CommaTextColors, ListsOfColoursAsTheControllerCountsThem) {
  EXPECT_EQ(SplitCommaText("255,65535"), (TItems{"255", "65535"}));
  const auto defaults =
      SplitCommaText("16776960,16776960,16776960,16776960,16776960,16776960,65535,65535,255,255");
  EXPECT_EQ(defaults.size(), 10u);
  EXPECT_EQ(defaults[6], "65535");
  EXPECT_EQ(SplitCommaText("1,2,3,4,5,6,7,8,9,10,11,12").size(), 12u);
  EXPECT_EQ(SplitCommaText("255, 65535 , $FF"), (TItems{"255", "65535", "$FF"}));
}

TEST(CommaTextSplit, BlanksAndCommasSeparate) {
  EXPECT_EQ(SplitCommaText("a b,c"), (TItems{"a", "b", "c"}));
  EXPECT_EQ(SplitCommaText("  a  ,  b  "), (TItems{"a", "b"}));
  EXPECT_EQ(SplitCommaText("a\tb"), (TItems{"a", "b"}));
  EXPECT_EQ(SplitCommaText(""), TItems{});
  EXPECT_EQ(SplitCommaText("   "), TItems{});
}

TEST(CommaTextSplit, EmptyItemsBetweenAndAfterCommas) {
  EXPECT_EQ(SplitCommaText("a,,b"), (TItems{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText("a, ,b"), (TItems{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText(",a"), (TItems{"", "a"}));
  EXPECT_EQ(SplitCommaText("a,"), (TItems{"a", ""}));
  EXPECT_EQ(SplitCommaText("a, "), (TItems{"a"}));
}

TEST(CommaTextSplit, QuotedItemsHoldBlanksCommasAndDoubledQuotes) {
  EXPECT_EQ(SplitCommaText(R"("a b","c,d")"), (TItems{"a b", "c,d"}));
  EXPECT_EQ(SplitCommaText(R"("say ""hi""",x)"), (TItems{R"(say "hi")", "x"}));
  EXPECT_EQ(SplitCommaText(R"("",a)"), (TItems{"", "a"}));
  EXPECT_EQ(SplitCommaText(R"("a"b)"), (TItems{"a", "b"}));
  EXPECT_EQ(SplitCommaText(R"(x "unclosed, here)"), (TItems{"x", "unclosed, here"}));
  EXPECT_EQ(SplitCommaText(R"(a"b)"), (TItems{R"(a"b)"}));
}

TEST(CommaTextJoin, QuotesOnlyWhatWouldNotSplitBack) {
  TStringList list;
  for (const char* item : {"plain", "two words", "a,b", R"(q"q)", "", "last"}) list.Add(item);
  const std::string text = list.CommaText();
  EXPECT_EQ(text, R"(plain,"two words","a,b","q""q",,last)");
  EXPECT_EQ(SplitCommaText(text), ItemsOf(list));

  TStringList single;
  single.Add("");
  EXPECT_EQ(single.CommaText(), R"("")");
  EXPECT_EQ(SplitCommaText(single.CommaText()), TItems{""});
  EXPECT_EQ(TStringList().CommaText(), "");
}

TEST(StringListItems, IndexingInsertDeleteAndSearch) {
  TStringList list;
  EXPECT_EQ(list.Add("One"), 0);
  EXPECT_EQ(list.Add("Two"), 1);
  list.Insert(0, "Zero");
  list.Insert(3, "Three");
  EXPECT_EQ(ItemsOf(list), (TItems{"Zero", "One", "Two", "Three"}));
  list.SetStrings(1, "Uno");
  list.Delete(2);
  EXPECT_EQ(ItemsOf(list), (TItems{"Zero", "Uno", "Three"}));
  EXPECT_EQ(list.IndexOf("THREE"), 2);
  EXPECT_EQ(list.IndexOf("Two"), -1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringListItems, IndexesOutsideTheListRaise) {
  TStringList list;
  list.Add("only");
  EXPECT_THROW(list.Strings(1), EStringListError);
  EXPECT_THROW(list.Strings(-1), EStringListError);
  EXPECT_THROW(list.SetStrings(1, "x"), EStringListError);
  EXPECT_THROW(list.Delete(1), EStringListError);
  EXPECT_THROW(list.Insert(2, "x"), EStringListError);
  EXPECT_THROW(list.Names(3), EStringListError);
  EXPECT_EQ(list.Count(), 1);
}

TEST(StringListValues, NamesValuesAndSettingThem) {
  TStringList list;
  list.SetCommaText("Dir=3 foo a=b=c");
  EXPECT_EQ(list.Names(0), "Dir");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.Values("DIR"), "3");
  EXPECT_EQ(list.Values("a"), "b=c");
  EXPECT_EQ(list.Values("foo"), "");
  EXPECT_EQ(list.IndexOfName("A"), 2);

  list.SetValues("dir", "5");
  list.SetValues("new", "1");
  list.SetValues("a", "");
  EXPECT_EQ(ItemsOf(list), (TItems{"dir=5", "foo", "new=1"}));
  list.SetValues("missing", "");
  EXPECT_EQ(list.Count(), 3);
}

}  // namespace
