#include "plugin/Kolmira.h"

#include <utility>

#include "display/Fileinfo.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"

namespace {

constexpr const char* kLeftSection = "SpeanaL";
constexpr const char* kRightSection = "SpeanaR";
constexpr const char* kLyricsSection = "Lyrics";
constexpr const char* kPlayerSection = "KIVO";

constexpr std::int32_t kBarColorCount = 10;
// Cyan for the six lowest segments, yellow for the next two, red on top.
constexpr const char* kDefaultBarColors =
    "16776960,16776960,16776960,16776960,16776960,16776960,65535,65535,255,255";
// Red stands in for a colour that is missing or unreadable.
constexpr const char* kFallbackBarColor = "255";
constexpr TColor kFallbackBarColorValue = 255;

constexpr std::uint8_t kHighestPeakMode = 3;

// The player's three spectrum displays follow the panels' peak modes 1 to
// 3 in order, so each display mode is its peak mode plus one.
constexpr std::int32_t kDisplayModeOffset = 1;

void ConfigurePanel(TSpeanaPanel& Panel, const TIniFile& Design, const char* Section,
                    const std::string& DesignDir) {
  Panel.SetVisible(Design.ReadInteger(Section, "Visible", 0) != 0);
  Panel.SetLeft(Design.ReadInteger(Section, "Left", 0));
  Panel.SetTop(Design.ReadInteger(Section, "Top", 0));
  Panel.SetWidth(Design.ReadInteger(Section, "Width", 0));
  Panel.SetHeight(Design.ReadInteger(Section, "Height", 0));
  Panel.SetBevelInner(BevelFromNumber(Design.ReadInteger(Section, "EdgeInner", 0)));
  Panel.SetBevelOuter(BevelFromNumber(Design.ReadInteger(Section, "EdgeOuter", 0)));
  Panel.SetColor(Design.ReadInteger(Section, "BackColor", 0));
  Panel.FStyle = Design.ReadBool(Section, "Checked", false) ? TSpeanaPanel::kFrameStyle
                                                            : TSpeanaPanel::kBarStyle;
  Panel.FDirection = DirectionFromOption(Design.ReadString(Section, "Option", ""));
  // Graphics loads for the style, direction, size and bevels set above.
  Panel.LoadGraphics(ExpandFileNameInDir(Design.ReadString(Section, "Graphics", ""), DesignDir));
}

// The peak mode that follows a display mode of the player; the other
// display modes show no spectrum and leave the peak mode as it is.
std::uint8_t PeakModeFor(TKIVODisplayMode Mode, std::uint8_t Current) {
  switch (Mode) {
    case Kivo_tlb::dmSpectrumBars:
    case Kivo_tlb::dmSpectrumPeaks:
    case Kivo_tlb::dmSpectrumFalling:
      return static_cast<std::uint8_t>(Mode - kDisplayModeOffset);
    default:
      return Current;
  }
}

}  // namespace

std::int32_t DirectionFromOption(const std::string& Option) {
  TStringList items;
  items.SetCommaText(AnsiLowerCase(Option));
  return StrToIntDef(items.Values("dir"), 0);
}

TBevelCut BevelFromNumber(std::int32_t Number) {
  switch (Number) {
    case bvLowered:
    case bvRaised:
    case bvSpace:
      return static_cast<TBevelCut>(Number);
    default:
      return bvNone;
  }
}

TKolmira::TKolmira(TComponent* AOwner, THostPluginObject* AHost) : TComponent(AOwner) {
  try {
    FKIVO = new TKIVO(AOwner);
    FreeNotification(FKIVO);
    FKIVO->Bind();
    FAnalysis = std::make_unique<TSpectrumAnalysis>();
    CreatePanels(AHost);
    ConfigurePanels(AHost);
    DoSaveKIVOini(this);
    FAnalysis->FRecLevel = FKIVO->GetRecLevel();
    FAnalysis->FAdjustSpeanaLevel = FKIVO->GetAdjustSpeanaLevel();
    AssignEvents();
    FKIVO->SetEvents(TKIVOEventSet{evVolume});
  } catch (...) {
    // A half-built controller frees what it built, as a whole one does.
    Release();
    throw;
  }
}

TKolmira::~TKolmira() { Release(); }

// The left panel, the right panel, the analysis memory, the host link.
void TKolmira::Release() {
  delete std::exchange(FLeft, nullptr);
  delete std::exchange(FRight, nullptr);
  FAnalysis.reset();
  delete std::exchange(FKIVO, nullptr);
}

void TKolmira::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FKIVO) FKIVO = nullptr;
  if (AComponent == FLeft) FLeft = nullptr;
  if (AComponent == FRight) FRight = nullptr;
}

void TKolmira::CreatePanels(THostPluginObject* AHost) {
  FParent = AHost->VTable->GetHostComponent(AHost, kPanelHostCode);
  AHost->VTable->GetHostComponent(AHost, kSecondHostCode);
  FLeft = new TSpeanaPanel(FParent);
  FreeNotification(FLeft);
  FRight = new TSpeanaPanel(FParent);
  FreeNotification(FRight);
  FLeft->OnClick = TNotifyEvent(this, &TKolmira::DoPanelClick);
  FRight->OnClick = TNotifyEvent(this, &TKolmira::DoPanelClick);
}

void TKolmira::ConfigurePanels(THostPluginObject* AHost) {
  const TIniFile design(FKIVO->GetDesign());
  const std::string designDir = ExtractFileDir(FKIVO->GetDesign());
  ConfigurePanel(*FLeft, design, kLeftSection, designDir);
  ConfigurePanel(*FRight, design, kRightSection, designDir);
  const std::string colors = design.ReadString(kLyricsSection, "Colors", kDefaultBarColors);
  AHost->VTable->AttachControl(AHost, FLeft);
  AHost->VTable->AttachControl(AHost, FRight);
  FLeft->LayoutMeters();
  FRight->LayoutMeters();
  ApplyBarColors(colors);
}

void TKolmira::ApplyBarColors(const std::string& Colors) {
  TStringList items;
  items.SetCommaText(Colors);
  while (items.Count() < kBarColorCount) items.Add(kFallbackBarColor);
  for (std::int32_t i = 0; i < kBarColorCount; ++i) {
    const TColor color = StrToIntDef(items.Strings(i), kFallbackBarColorValue);
    FLeft->SetBarColor(i, color);
    FRight->SetBarColor(i, color);
  }
}

void TKolmira::ReadPlayerSettings() {
  const TIniFile settings(ChangeFileExt(FKIVO->HostPath, ".ini"));
  FAnalysis->FSpeanaPattern =
      settings.ReadInteger(kPlayerSection, "SpeanaPattern", kDefaultSpeanaPattern);
}

void TKolmira::AssignEvents() {
  FKIVO->OnPlayStatus = TKIVOParamEvent(this, &TKolmira::DoPlayStatus);
  FKIVO->OnVolume = TKIVOLeftRightEvent(this, &TKolmira::DoVolume);
  FKIVO->OnSpeana = TKIVOSpeanaEvent(this, &TKolmira::DoSpeana);
  FKIVO->OnSaveKIVOini = TNotifyEvent(this, &TKolmira::DoSaveKIVOini);
  FKIVO->OnChangeDisplayMode = TKIVODisplayModeEvent(this, &TKolmira::DoChangeDisplayMode);
  FKIVO->OnAdjustLevel = TKIVOParamEvent(this, &TKolmira::DoAdjustLevel);
}

// Once the player has freed its window, and the panels with it, there is
// nothing left to show.
bool TKolmira::HasPanels() const { return FLeft != nullptr && FRight != nullptr; }

void TKolmira::Sampling(const TSampleBlock* Block) {
  if (!HasPanels()) return;
  FAnalysis->Sampling(Block, FLeft->Visible() || FRight->Visible(), *this);
}

void TKolmira::ClearPanels() {
  if (!HasPanels()) return;
  FLeft->ClearLevels();
  FRight->ClearLevels();
}

void TKolmira::SetLevels(TChannel Channel, const TBandLevels& Levels) {
  TSpeanaPanel& panel = Channel == TChannel::Left ? *FLeft : *FRight;
  for (std::int32_t band = 0; band < kBandCount; ++band)
    panel.SetLevel(band, Levels[static_cast<std::size_t>(band)]);
}

void TKolmira::SetPeakModes(std::uint8_t Mode) {
  if (!HasPanels()) return;
  FLeft->SetPeakMode(Mode);
  FRight->SetPeakMode(Mode);
}

void TKolmira::DoPanelClick(TObject*) {
  if (!HasPanels() || FKIVO == nullptr) return;
  std::int32_t mode = static_cast<std::int8_t>(FLeft->PeakMode()) + 1;
  if (mode > kHighestPeakMode || mode < 1) mode = 1;
  SetPeakModes(static_cast<std::uint8_t>(mode));
  if (FKIVO->GetDisplayMode() >= Kivo_tlb::dmSpectrumBars)
    FKIVO->SetDisplayMode(static_cast<TKIVODisplayMode>(mode + kDisplayModeOffset));
}

void TKolmira::DoPlayStatus(TObject*, int) { FAnalysis->FRecLevel = FKIVO->GetRecLevel(); }

void TKolmira::DoVolume(TObject*, int Left, int Right) {
  if (Left == 0 && Right == 0) ClearPanels();
}

void TKolmira::DoSpeana(TObject*, int* Level) {
  for (std::int32_t band = 0; band < kBandCount; ++band)
    if (Level[band] != 0) return;
  ClearPanels();
}

void TKolmira::DoSaveKIVOini(TObject*) {
  ReadPlayerSettings();
  DoChangeDisplayMode(this, FKIVO->GetDisplayMode());
}

void TKolmira::DoChangeDisplayMode(TObject*, TKIVODisplayMode Mode) {
  if (!HasPanels()) return;
  SetPeakModes(PeakModeFor(Mode, FLeft->PeakMode()));
}

void TKolmira::DoAdjustLevel(TObject*, int) {
  FAnalysis->FRecLevel = FKIVO->GetRecLevel();
  FAnalysis->FAdjustSpeanaLevel = FKIVO->GetAdjustSpeanaLevel();
}
