// The analyser controller: everything the plug-in owns while it runs. It
// links to the player, shows the two spectrum panels in the window the
// player lends, configures them from the skin's design file, runs the
// spectrum analysis on every sample block and keeps the panels' peak mode
// in step with the player's display mode, in both directions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "display/SpeanaPanel.h"
#include "hostlink/Kivo.h"
#include "platform/vcl/Classes.h"
#include "plugin/PlayerContract.h"
#include "plugin/SpectrumAnalysis.h"

class TKolmira : public TComponent, private TAnalysisOutput {
 public:
  // The player's window component for the panels, and a second one that
  // the player expects to be asked for but that is not used.
  static constexpr std::int32_t kPanelHostCode = 1;
  static constexpr std::int32_t kSecondHostCode = 33;
  static constexpr std::int32_t kDefaultSpeanaPattern = 2;

  // Builds the whole plug-in, asking `AHost` for the panels' window. An
  // error raised on the way (a graphics file that cannot be read) passes
  // to the caller; what was built by then is freed again.
  TKolmira(TComponent* AOwner, THostPluginObject* AHost);
  ~TKolmira() override;

  void Sampling(const TSampleBlock* Block);
  void ClearPanels() override;

  // The handlers of the panels' clicks and of the player's events.
  void DoPanelClick(TObject* Sender);
  void DoPlayStatus(TObject* Sender, int Status);
  void DoVolume(TObject* Sender, int Left, int Right);
  void DoSpeana(TObject* Sender, int* Level);
  void DoSaveKIVOini(TObject* Sender);
  void DoChangeDisplayMode(TObject* Sender, TKIVODisplayMode Mode);
  void DoAdjustLevel(TObject* Sender, int Param);

  // Null once freed by their owners.
  TKIVO* KIVO() const { return FKIVO; }
  TSpeanaPanel* LeftPanel() const { return FLeft; }
  TSpeanaPanel* RightPanel() const { return FRight; }
  const TSpectrumAnalysis& Analysis() const { return *FAnalysis; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void SetLevels(TChannel Channel, const TBandLevels& Levels) override;
  void Release();
  bool HasPanels() const;

  void CreatePanels(THostPluginObject* AHost);
  void ConfigurePanels(THostPluginObject* AHost);
  void ApplyBarColors(const std::string& Colors);
  void ReadPlayerSettings();
  void AssignEvents();
  void SetPeakModes(std::uint8_t Mode);

  // The host link is a component of the player's owner component and the
  // panels are components of the player's window: each has that one owner.
  // The controller frees them itself when it goes first, and hears of it
  // (free notification) when their owner frees them before.
  TKIVO* FKIVO = nullptr;
  TComponent* FParent = nullptr;
  std::unique_ptr<TSpectrumAnalysis> FAnalysis;
  TSpeanaPanel* FLeft = nullptr;
  TSpeanaPanel* FRight = nullptr;
};

// The panel direction that a design file's "Option" list selects: the
// item "dir" (names and values without regard to case) as an integer, 0
// when it is missing or not an integer.
std::int32_t DirectionFromOption(const std::string& Option);

// The bevel that a design file's number stands for; numbers outside the
// four bevels give none.
TBevelCut BevelFromNumber(std::int32_t Number);
