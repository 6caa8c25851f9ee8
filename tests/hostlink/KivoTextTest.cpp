// Track records with the audio-CD rule, the display text, lyrics lines and
// fonts as they come from the player.
#include "tests/hostlink/KivoTestSupport.h"

namespace kivo_test {
namespace {

using ::testing::ElementsAre;

TTrackAnswer Track(const std::string& Path, LONG Kind, LONG Drive, LONG CDTrack) {
  TTrackAnswer answer;
  answer.Texts = {"title", "artist", Path, "album", "note"};
  answer.Numbers = {11, 12, 13, Kind, (Drive << 16) | CDTrack, 17, 18};
  return answer;
}

class KivoTrackInfoTest : public TKivoTest {
 protected:
  TTrackInfo Read(const TTrackAnswer& Answer) {
    if (!Kivo) BoundKivo();
    Player->Tracks[3] = Answer;
    return Kivo->GetTrackInfo(3);
  }
};

TEST_F(KivoTrackInfoTest, UnboundGivesTheDefaultRecord) {
  StartPlayer();
  EXPECT_EQ(MakeKivo().GetTrackInfo(1), TTrackInfo{});
  Kivo->SetTrackInfo(1, TTrackInfo{});
  EXPECT_TRUE(Player->Calls.empty());
}

TEST_F(KivoTrackInfoTest, FieldsComeInTheirOrderAndTheDriveIsUnpacked) {
  const TTrackInfo info = Read(Track("/music/a.wav", 1, 0x12, 0x8034));
  EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{3});
  EXPECT_EQ(info.Text1, "title");
  EXPECT_EQ(info.Text2, "artist");
  EXPECT_EQ(info.Path, "/music/a.wav");
  EXPECT_EQ(info.Text4, "album");
  EXPECT_EQ(info.Text5, "note");
  EXPECT_EQ(info.Number1, 11);
  EXPECT_EQ(info.Number2, 12);
  EXPECT_EQ(info.Number3, 13);
  EXPECT_EQ(info.Kind, 1);
  EXPECT_EQ(info.Drive, 0x12);
  EXPECT_EQ(info.CDTrack, 0x8034) << "both halves are unsigned";
  EXPECT_EQ(info.Number7, 17);
  EXPECT_EQ(info.Number8, 18);
  EXPECT_EQ(info.Number9, 0);
}

TEST_F(KivoTrackInfoTest, AudioCDTracksTakeDriveAndTrackFromThePath) {
  TTrackInfo info = Read(Track("D:\\Track05.cda", 16, 0, 0));
  EXPECT_EQ(info.Drive, 3);
  EXPECT_EQ(info.CDTrack, 5);
  info = Read(Track("E:\\TRACK12.CDA", 17, 7, 0));
  EXPECT_EQ(info.Drive, 4) << "the path's drive replaces the player's";
  EXPECT_EQ(info.CDTrack, 12);
  info = Read(Track("D:\\Track05.cda", 16, 9, 8));
  EXPECT_EQ(info.Drive, 9) << "complete values are kept";
  EXPECT_EQ(info.CDTrack, 8);
  info = Read(Track("D:\\Track05.cda", 1, 0, 0));
  EXPECT_EQ(info.Drive, 0) << "only audio-CD kinds";
}

TEST_F(KivoTrackInfoTest, IncompleteAudioCDPathsStopWhereTheyEnd) {
  TTrackInfo info = Read(Track("d:\\music\\song.cda", 16, 0, 6));
  EXPECT_EQ(info.Drive, 3);
  EXPECT_EQ(info.CDTrack, 6) << "no \"track\": the number stays";
  info = Read(Track("d:\\trackxx.cda", 16, 0, 6));
  EXPECT_EQ(info.CDTrack, 0) << "not a number";
  info = Read(Track("d:\\track07.wav", 16, 0, 6));
  EXPECT_EQ(info.Drive, 3);
  EXPECT_EQ(info.CDTrack, 6) << "no \".cda\"";
  info = Read(Track("d", 16, 5, 0));
  EXPECT_EQ(info.Drive, 5) << "too short: nothing is derived";
  info = Read(Track("d/track1.cda", 16, 5, 0));
  EXPECT_EQ(info.Drive, 5) << "no drive colon: nothing is derived";
}

TEST_F(KivoTrackInfoTest, DrivesOutsideTheLettersGiveZeroExceptOnePastZ) {
  EXPECT_EQ(Read(Track("{:\\track01.cda", 16, 0, 0)).Drive, 26);
  EXPECT_EQ(Read(Track("|:\\track01.cda", 16, 0, 0)).Drive, 0);
  EXPECT_EQ(Read(Track("1:\\track01.cda", 16, 0, 0)).Drive, 0);
  EXPECT_EQ(Read(Track("\xC3\xA9:\\track01.cda", 16, 0, 0)).Drive, 0);
  EXPECT_EQ(Read(Track("a:\\track01.cda", 16, 7, 0)).Drive, 0);
}

TEST_F(KivoTrackInfoTest, AFailedReadGivesTheDefaultRecord) {
  BoundKivo();
  Player->WritesOutValuesOnFailure = true;
  Player->Failures["GetTrackInfo"] = E_FAIL;
  EXPECT_EQ(Read(Track("D:\\Track05.cda", 16, 0, 0)), TTrackInfo{});
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(KivoTrackInfoTest, WritingPacksDriveAndTrackAndLeavesNumberNineOut) {
  TKIVO& kivo = BoundKivo();
  TTrackInfo info;
  info.Text1 = "one";
  info.Text2 = "two";
  info.Path = "D:\\Track05.cda";
  info.Text4 = "";
  info.Text5 = "fünf";
  info.Number1 = 1;
  info.Number2 = 2;
  info.Number3 = 3;
  info.Kind = 16;
  info.Drive = 3;
  info.CDTrack = 5;
  info.Number7 = 7;
  info.Number8 = 8;
  info.Number9 = 9;
  kivo.SetTrackInfo(4, info);
  ASSERT_EQ(Player->Calls.size(), 1u);
  EXPECT_EQ(Player->Calls[0].Operation, "SetTrackInfo");
  EXPECT_EQ(Player->Calls[0].Args, (std::vector<std::int64_t>{4, 1, 2, 3, 16, 0x30005, 7, 8}));
  EXPECT_THAT(Player->Calls[0].Texts, ElementsAre("one", "two", "D:\\Track05.cda", "", "fünf"));
}

class KivoTextObjectsTest : public TKivoTest {};

TEST_F(KivoTextObjectsTest, ANewTextObjectHasItsInitialValues) {
  TKIVO& kivo = MakeKivo();
  TLyrics* text = kivo.GetText();
  EXPECT_EQ(text->Number, -1);
  EXPECT_EQ(text->Text, "");
  EXPECT_EQ(text->Code, 2);
  EXPECT_TRUE(text->Flag1);
  EXPECT_FALSE(text->Flag2);
  EXPECT_EQ(text->Value, 0);
  EXPECT_EQ(text->Spare, 0);
  EXPECT_EQ(text->Font->Name(), TFont().Name());
  EXPECT_EQ(kivo.GetText(), text);
}

TEST_F(KivoTextObjectsTest, TheDisplayTextTakesEveryValueButKeepsItsNumber) {
  TKIVO& kivo = BoundKivo();
  TTextAnswer& answer = Player->DisplayText;
  answer = {55, "Hello – 世界", 0x1FF, 1, 1, "Arial", 0x180, -12, 5, 0x00FF00, 99};
  TLyrics* text = kivo.GetText();
  EXPECT_EQ(text->Number, -1) << "the display text has no number";
  EXPECT_EQ(text->Text, "Hello – 世界");
  EXPECT_EQ(text->Code, 0xFF);
  EXPECT_TRUE(text->Flag1);
  EXPECT_TRUE(text->Flag2);
  EXPECT_EQ(text->Font->Name(), "Arial");
  EXPECT_EQ(text->Font->Charset(), 0x80);
  EXPECT_EQ(text->Font->Height(), -12);
  EXPECT_EQ(text->Font->Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(text->Font->Color(), 0x00FF00);
  EXPECT_EQ(text->Value, 99);
  answer.Size = 9;
  answer.Style = 0xFA;  // italic and strike-out; higher bits ignored
  answer.Flag2 = 0;
  kivo.GetText();
  EXPECT_EQ(text->Font->Size(), 9);
  EXPECT_EQ(text->Font->Style(), (TFontStyles{fsItalic, fsStrikeOut}));
  EXPECT_FALSE(text->Flag2);
}

TEST_F(KivoTextObjectsTest, TheTextObjectKeepsItsContentsWhenUnboundOrWhenTheReadFails) {
  TKIVO& kivo = BoundKivo();
  Player->DisplayText.Text = "first";
  kivo.GetText();
  Player->Failures["GetText"] = E_FAIL;
  Player->WritesOutValuesOnFailure = true;
  Player->DisplayText.Text = "second";
  EXPECT_EQ(kivo.GetText()->Text, "first");
  kivo.Unbind();
  Player->Calls.clear();
  EXPECT_EQ(kivo.GetText()->Text, "first");
  EXPECT_TRUE(Player->Calls.empty());
}

TEST_F(KivoTextObjectsTest, FontsTakeTheirLookFromThePlayer) {
  TKIVO& kivo = BoundKivo();
  Player->Fonts[2] = {0, "", 0, 0, 0, "Courier", 1, 9, 5, 0x123456, 0};
  TFont* font = kivo.GetFont(2);
  EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{2});
  EXPECT_EQ(font->Name(), "Courier");
  EXPECT_EQ(font->Charset(), 1);
  EXPECT_EQ(font->Size(), 9);
  EXPECT_EQ(font->Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(font->Color(), 0x123456);
  Player->Fonts[3] = {0, "", 0, 0, 0, "Gothic", 128, -12, 0, 0, 0};
  EXPECT_EQ(kivo.GetFont(3), font);
  EXPECT_EQ(font->Height(), -12);
  EXPECT_TRUE(font->Style().Empty());
  Player->Failures["GetFont"] = E_FAIL;
  Player->WritesOutValuesOnFailure = true;
  kivo.GetFont(2);
  EXPECT_EQ(font->Name(), "Gothic") << "a failed read changes nothing";
  kivo.Unbind();
  Player->Calls.clear();
  EXPECT_EQ(kivo.GetFont(2)->Name(), "Gothic");
  EXPECT_TRUE(Player->Calls.empty());
}

class KivoLyricsTest : public TKivoTest {
 protected:
  TKIVO& WithLines(LONG Count) {
    TKIVO& kivo = BoundKivo();
    Player->Longs["Lines"] = Count;
    for (LONG i = 0; i < Count; ++i)
      Player->Lines[i] = {100 + i, "line " + std::to_string(i), 3, -1, 0, "Mincho", 128, 14, 2, 7,
                          i};
    return kivo;
  }
};

TEST_F(KivoLyricsTest, LinesOutsideTheCountGiveNull) {
  TKIVO& kivo = WithLines(3);
  EXPECT_EQ(kivo.GetLyricsText(-1), nullptr);
  EXPECT_EQ(kivo.GetLyricsText(3), nullptr);
  EXPECT_THAT(Player->Operations(), ElementsAre("get_Lines", "get_Lines"));
  kivo.Unbind();
  EXPECT_EQ(kivo.GetLyricsText(0), nullptr) << "unbound, there are no lines";
}

TEST_F(KivoLyricsTest, ALineIsReadIntoItsOwnObjectUpdatedInPlace) {
  TKIVO& kivo = WithLines(3);
  TLyrics* line = kivo.GetLyricsText(1);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{1});
  EXPECT_EQ(line->Number, 101);
  EXPECT_EQ(line->Text, "line 1");
  EXPECT_EQ(line->Code, 3);
  EXPECT_TRUE(line->Flag1);
  EXPECT_FALSE(line->Flag2) << "a line has no second flag";
  EXPECT_EQ(line->Font->Name(), "Mincho");
  EXPECT_EQ(line->Font->Size(), 14);
  EXPECT_EQ(line->Font->Style(), TFontStyles{fsItalic});
  EXPECT_EQ(line->Value, 1);
  line->Flag2 = true;
  Player->Lines[1].Text = "changed";
  EXPECT_EQ(kivo.GetLyricsText(1), line);
  EXPECT_EQ(line->Text, "changed");
  EXPECT_TRUE(line->Flag2) << "the object keeps its own second flag";
  EXPECT_NE(kivo.GetLyricsText(0), line);
}

TEST_F(KivoLyricsTest, AFailedLineReadGivesNullAndLeavesTheLine) {
  TKIVO& kivo = WithLines(2);
  TLyrics* line = kivo.GetLyricsText(0);
  Player->Failures["GetLine"] = E_FAIL;
  Player->WritesOutValuesOnFailure = true;
  Player->Lines[0].Text = "not this";
  EXPECT_EQ(kivo.GetLyricsText(0), nullptr);
  EXPECT_EQ(line->Text, "line 0");
  EXPECT_EQ(kivo.GetLyricsText(1), nullptr) << "no object is made for a failed read";
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(KivoLyricsTest, AFailedCountIsReportedAndGivesNoLines) {
  TKIVO& kivo = WithLines(2);
  Player->Failures["get_Lines"] = E_FAIL;
  Dialogs.Answers = {IDNO};
  EXPECT_EQ(kivo.GetLyricsText(0), nullptr);
  ASSERT_EQ(Dialogs.Shown.size(), 1u);
  EXPECT_EQ(Dialogs.Shown[0].Text.rfind("(this->get_Lines((long*)&Value)) Error: 80004005 ", 0),
            0u);
}

TEST_F(KivoLyricsTest, ShrinkingTheCountDestroysTheDroppedLinesAtOnce) {
  TKIVO& kivo = WithLines(3);
  TLyrics* kept = kivo.GetLyricsText(0);
  kivo.GetLyricsText(2);
  Player->Longs["Lines"] = 1;
  EXPECT_EQ(kivo.GetLyricsText(2), nullptr);
  EXPECT_EQ(kivo.GetLyricsText(0), kept);
  Player->Longs["Lines"] = 3;
  TLyrics* again = kivo.GetLyricsText(2);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Flag2, false);
}

TEST_F(KivoLyricsTest, AnEmptyLyricsHolderIsReportedAndGivesNoLines) {
  TKIVO& kivo = WithLines(2);
  KivoTestAccess::DropLyricsHolder(kivo);
  Dialogs.Answers = {IDNO};
  EXPECT_EQ(kivo.GetLyricsText(0), nullptr);
  EXPECT_EQ(Dialogs.Shown.at(0).Caption, "_ASSERTE: ");
  EXPECT_TRUE(Player->Calls.empty());
}

// The player reports new lyrics while it answers a line query.
TEST_F(KivoLyricsTest, LyricsReloadedDuringALineQueryLeaveNoStaleEntry) {
  TKIVO& kivo = WithLines(2);
  Player->During["GetLine"] = [this] { Notify(0x40000010, 0); };
  EXPECT_EQ(kivo.GetLyricsText(1), nullptr);
  Player->During.clear();
  EXPECT_NE(kivo.GetLyricsText(1), nullptr);
}

}  // namespace
}  // namespace kivo_test
