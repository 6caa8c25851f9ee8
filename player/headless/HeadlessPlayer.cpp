#include "player/headless/HeadlessPlayer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

#include "platform/win/Messages.h"
#include "player/Playback.h"
#include "player/SessionCommands.h"
#include "player/live/LiveAudio.h"

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kAheadFrames = 8192;

// A player started through the link in its home runs in that home, even
// when the client's environment names another one.
std::string HomeOf(const char* program) {
  if (program == nullptr) return {};
  const std::filesystem::path folder = std::filesystem::path(program).parent_path();
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_regular_file(folder / "kivo.ini", error))
    return std::filesystem::absolute(folder, error).string();
  return {};
}

class THeadlessPlayer {
 public:
  explicit THeadlessPlayer(TPlayerSession& session) : FSession(session) {}

  void Run() {
    const auto frameTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / std::max(1, FSession.Options().Fps)));
    auto next = Clock::now();
    while (!FSession.State().QuitRequested) {
      FSession.FollowTimers();
      FollowTransport();
      FeedHeardBlock();
      ProcessMessages();
      next = std::max(next + frameTime, Clock::now());
      WaitForMessagesUntil(next);
    }
  }

 private:
  // Calls from clients are answered as they come, not only once a frame.
  void WaitForMessagesUntil(Clock::time_point deadline) {
    for (auto now = Clock::now(); now < deadline && !FSession.State().QuitRequested;
         now = Clock::now()) {
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
      if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()),
                                    QS_ALLINPUT) == WAIT_OBJECT_0)
        ProcessMessages();
    }
  }

  void OpenTrack() {
    TTrackAudio audio = OpenTrackAudio(*FSession.State().CurrentTrack());
    if (!FAudio || audio.SampleRate != FSampleRate) {
      std::ostringstream notices;
      FAudio = std::make_unique<TLiveAudio>(
          OpenSoundOutput({static_cast<std::uint32_t>(audio.SampleRate), true}, notices),
          kAheadFrames);
      FSampleRate = audio.SampleRate;
    }
    TPlayerState& state = FSession.State();
    const std::size_t first = FramesAt(state.PositionMs, audio.SampleRate);
    SkipFrames(*audio.Source, first);
    FAudio->Open(std::move(audio.Source), first);
    FOpenTrack = state.Track;
    state.SeekPending = false;
  }

  // At the end of the playlist the player stops and waits for its clients.
  void FollowTransport() {
    const TPlayerState& state = FSession.State();
    if (state.PlayStatus != kStatusPlaying || state.CurrentTrack() == nullptr) {
      if (FAudio && !FAudio->Output().Paused()) FAudio->Output().Pause();
      return;
    }
    if (!FAudio || state.Track != FOpenTrack || state.SeekPending) OpenTrack();
    if (FAudio->Output().Paused()) FAudio->Output().Resume();
    const float gain = static_cast<float>(std::clamp(state.Volume, 0, 100)) / 100.0f;
    FAudio->Output().SetVolume(gain, gain);
    FAudio->Fill();
    if (FAudio->Finished() && FSession.Control().Next() != S_OK) FSession.Control().Stop();
  }

  void FeedHeardBlock() {
    if (!FAudio || FSession.State().PlayStatus != kStatusPlaying) return;
    std::vector<Frame> heard = FAudio->HeardBlock();
    if (heard.empty()) return;
    FSession.PlayBlock(SampleBlockOf(heard, heard.size()),
                       MillisecondsAt(static_cast<std::size_t>(FAudio->TrackFrame()), FSampleRate));
  }

  TPlayerSession& FSession;
  std::unique_ptr<TLiveAudio> FAudio;
  int FSampleRate = 0;
  std::int32_t FOpenTrack = 0;
};

}  // namespace

int RunStartedPlayer(const char* program) {
  try {
    TSessionOptions options;
    options.Home = HomeOf(program);
    TPlayerSession session(options, DefaultDesignPath());
    session.Begin();
    THeadlessPlayer(session).Run();
    session.End();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kivo: %s\n", error.what());
    return 1;
  }
  return 0;
}

}  // namespace kivo
