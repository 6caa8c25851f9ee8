// Track records exchanged with the player's playlist, with the audio-CD
// rule, and the text objects through which the player's display text, its
// lyrics lines and its fonts reach a client. A read that the player fails
// leaves the unbound result: the default record, the objects unchanged, no
// line.
#include <array>

#include "hostlink/Kivo.h"
#include "platform/com/Bstr.h"
#include "platform/vcl/SysUtils.h"

using namespace Kivo_tlb;

namespace {

constexpr std::int32_t AudioCDKind = 16;
constexpr std::int32_t AudioCDTextKind = 17;
constexpr int LastDrive = 26;

TFontStyles StylesFromBits(LONG Bits) {
  TFontStyles styles;
  if ((Bits & 1) != 0) styles.Include(fsBold);
  if ((Bits & 2) != 0) styles.Include(fsItalic);
  if ((Bits & 4) != 0) styles.Include(fsUnderline);
  if ((Bits & 8) != 0) styles.Include(fsStrikeOut);
  return styles;
}

// An audio-CD track whose drive or track number the player left at 0 takes
// both from a path such as "D:\Track05.cda".
void DeriveAudioCDPlace(TTrackInfo& Info) {
  const std::string path = AnsiLowerCase(Info.Path);
  if (path.size() < 2 || path[1] != ':') return;
  const int drive = static_cast<signed char>(path[0]) - 'a';
  Info.Drive = drive < 0 || drive > LastDrive ? 0 : drive;
  const std::size_t track = path.find("track");
  if (track == std::string::npos) return;
  const std::string rest = path.substr(track + 5);
  const std::size_t extension = rest.find(".cda");
  if (extension == std::string::npos) return;
  Info.CDTrack = StrToIntDef(rest.substr(0, extension), 0);
}

bool IsAudioCD(const TTrackInfo& Info) {
  return Info.Kind == AudioCDKind || Info.Kind == AudioCDTextKind;
}

}  // namespace

void AssignHostFont(TFont& Font, const std::string& Name, LONG Charset, LONG Size, LONG Style,
                    LONG Color) {
  Font.SetName(Name);
  Font.SetCharset(static_cast<TFontCharset>(Charset & 0xFF));
  if (Size < 0)
    Font.SetHeight(Size);
  else
    Font.SetSize(Size);
  Font.SetStyle(StylesFromBits(Style));
  Font.SetColor(Color);
}

TLyrics::TLyrics() : Font(std::make_unique<TFont>()) {}

TLyrics::~TLyrics() = default;

void TLyrics::Assign(const TKIVOTextRecord& Record) {
  Number = Record.Number;
  Text = Record.Text;
  Code = static_cast<std::uint8_t>(Record.Code & 0xFF);
  Flag1 = Record.Flag1 != 0;
  Flag2 = Record.Flag2 != 0;
  AssignHostFont(*Font, Record.FontName, Record.Charset, Record.Size, Record.Style, Record.Color);
  Value = Record.Value;
}

TTrackInfo TPlayList::GetTrackInfo(int Index) const {
  TTrackInfo info;
  if (!Owner->Bound) return info;
  const TComPtr<IKIVOPlayList> playList = HeldInterface(Owner->FPlayListIntf);
  if (!playList) return info;
  std::array<TBstr, 5> texts;
  std::array<LONG, 7> numbers{};
  if (FAILED(playList->GetTrackInfo(Index, texts[0].Put(), texts[1].Put(), texts[2].Put(),
                                    texts[3].Put(), texts[4].Put(), &numbers[0], &numbers[1],
                                    &numbers[2], &numbers[3], &numbers[4], &numbers[5],
                                    &numbers[6])))
    return info;
  info.Text1 = BstrToString(texts[0].Get());
  info.Text2 = BstrToString(texts[1].Get());
  info.Path = BstrToString(texts[2].Get());
  info.Text4 = BstrToString(texts[3].Get());
  info.Text5 = BstrToString(texts[4].Get());
  info.Number1 = numbers[0];
  info.Number2 = numbers[1];
  info.Number3 = numbers[2];
  info.Kind = numbers[3];
  const auto packed = static_cast<DWORD>(numbers[4]);
  info.Drive = static_cast<std::int32_t>(packed >> 16);
  info.CDTrack = static_cast<std::int32_t>(packed & 0xFFFF);
  info.Number7 = numbers[5];
  info.Number8 = numbers[6];
  if (IsAudioCD(info) && (info.Drive == 0 || info.CDTrack == 0)) DeriveAudioCDPlace(info);
  return info;
}

void TPlayList::SetTrackInfo(int Index, const TTrackInfo& Info) const {
  if (!Owner->Bound) return;
  const TBstr text1 = StringToBstr(Info.Text1);
  const TBstr text2 = StringToBstr(Info.Text2);
  const TBstr path = StringToBstr(Info.Path);
  const TBstr text4 = StringToBstr(Info.Text4);
  const TBstr text5 = StringToBstr(Info.Text5);
  const auto packed =
      static_cast<LONG>((static_cast<DWORD>(Info.Drive) << 16) | static_cast<DWORD>(Info.CDTrack));
  const TComPtr<IKIVOPlayList> playList = HeldInterface(Owner->FPlayListIntf);
  if (!playList) return;
  playList->SetTrackInfo(Index, text1.Get(), text2.Get(), path.Get(), text4.Get(), text5.Get(),
                         Info.Number1, Info.Number2, Info.Number3, Info.Kind, packed, Info.Number7,
                         Info.Number8);
}

int TLyricsList::UpdateCount() {
  LONG count = 0;
  if (Owner->Bound) {
    if (const TComPtr<IKIVOLyrics> lyrics = HeldInterface(Owner->FLyricsIntf)) {
      if (FAILED(CheckResult(lyrics->get_Lines(&count), "this->get_Lines((long*)&Value)",
                             "Kivo_tlb.h", __LINE__)) ||
          count < 0)
        count = 0;
    }
  }
  // Entries beyond the count are destroyed at once; the cache hands out no
  // pointer it keeps elsewhere.
  if (Count() != count) Items.resize(static_cast<std::size_t>(count));
  return count;
}

TLyrics* TLyricsList::GetItem(int Index) {
  const int count = UpdateCount();
  if (Index < 0 || Index >= count) return nullptr;
  const TComPtr<IKIVOLyrics> lyrics = HeldInterface(Owner->FLyricsIntf);
  if (!lyrics) return nullptr;
  TKIVOTextRecord record;
  TBstr text;
  TBstr fontName;
  if (FAILED(lyrics->GetLine(Index, &record.Number, text.Put(), &record.Code, &record.Flag1,
                             fontName.Put(), &record.Charset, &record.Size, &record.Style,
                             &record.Color, &record.Value)))
    return nullptr;
  // The player may have reported new lyrics while it answered.
  if (Index >= Count()) return nullptr;
  std::unique_ptr<TLyrics>& item = Items[static_cast<std::size_t>(Index)];
  if (!item) item = std::make_unique<TLyrics>();
  record.Text = BstrToString(text.Get());
  record.FontName = BstrToString(fontName.Get());
  // A line has no second flag: the object keeps its own.
  record.Flag2 = item->Flag2 ? VARIANT_TRUE : VARIANT_FALSE;
  item->Assign(record);
  return item.get();
}

void TLyricsList::Clear() { Items.clear(); }

TTrackInfo TKIVO::GetTrackInfo(int Index) {
  if (!Bound) return {};
  return FPlayList->GetTrackInfo(Index);
}

void TKIVO::SetTrackInfo(int Index, const TTrackInfo& Info) {
  if (!Bound) return;
  FPlayList->SetTrackInfo(Index, Info);
}

TLyrics* TKIVO::GetText() {
  if (!Bound) return FText.get();
  const TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return FText.get();
  TKIVOTextRecord record;
  TBstr text;
  TBstr fontName;
  if (FAILED(control->GetText(text.Put(), &record.Code, &record.Flag1, &record.Flag2,
                              fontName.Put(), &record.Charset, &record.Size, &record.Style,
                              &record.Color, &record.Value)))
    return FText.get();
  record.Text = BstrToString(text.Get());
  record.FontName = BstrToString(fontName.Get());
  // The display text has no number: the object keeps its own.
  record.Number = FText->Number;
  FText->Assign(record);
  return FText.get();
}

TLyrics* TKIVO::GetLyricsText(int Index) { return FLyricsList->GetItem(Index); }

TFont* TKIVO::GetFont(int Index) {
  if (!Bound) return FFont.get();
  const TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return FFont.get();
  TBstr name;
  LONG charset = 0;
  LONG size = 0;
  LONG style = 0;
  LONG color = 0;
  if (SUCCEEDED(control->GetFont(Index, name.Put(), &charset, &size, &style, &color)))
    AssignHostFont(*FFont, BstrToString(name.Get()), charset, size, style, color);
  return FFont.get();
}
