#include "player/headless/HeadlessPlayer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>

#include "platform/bus/Bus.h"
#include "platform/win/Messages.h"
#include "player/SessionCommands.h"
#include "player/StopSignals.h"
#include "player/headless/PlayerClaim.h"
#include "player/live/TrackPlayback.h"

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

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
  explicit THeadlessPlayer(TPlayerSession& session)
      : FSession(session), FTracks(session, true, nullptr) {}

  // Whether the player ended because its session bus went away.
  bool Run() {
    const auto frameTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / std::max(1, FSession.Options().Fps)));
    auto next = Clock::now();
    while (!FSession.State().QuitRequested) {
      FSession.FollowTimers();
      // At the end of the playlist the player stops and waits for its clients.
      if (!FTracks.Follow()) FSession.Control().Stop();
      FTracks.FeedHeardBlock();
      ProcessMessages();
      next = std::max(next + frameTime, Clock::now());
      WaitForMessagesUntil(next);
      // A stop signal ends the player as a client's Close does.
      if (StopSignalReceived() != 0) FSession.Control().Close();
      // Without a view and without its bus, nothing could ever reach the
      // player again to close it.
      if (kivo_bus::SessionBusLost()) {
        FSession.Control().Close();
        return true;
      }
    }
    return false;
  }

 private:
  // Calls from clients are answered as they come, not only once a frame.
  void WaitForMessagesUntil(Clock::time_point deadline) {
    for (auto now = Clock::now();
         now < deadline && !FSession.State().QuitRequested && StopSignalReceived() == 0;
         now = Clock::now()) {
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
      if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()),
                                    QS_ALLINPUT) == WAIT_OBJECT_0)
        ProcessMessages();
    }
  }

  TPlayerSession& FSession;
  TTrackPlayback FTracks;
};

}  // namespace

int RunStartedPlayer(const char* program) {
  switch (ClaimThePlayer(std::chrono::seconds(15))) {
    case TPlayerClaim::Play:
      break;
    case TPlayerClaim::Defer:
      return 0;
    case TPlayerClaim::NoAnswer:
      std::fprintf(stderr, "kivo: another player is starting and does not answer\n");
      return 1;
  }
  const TStopSignals stopSignals;
  try {
    TSessionOptions options;
    options.Home = HomeOf(program);
    TPlayerSession session(options, DefaultDesignPath());
    session.Begin();
    const bool busLost = THeadlessPlayer(session).Run();
    session.End();
    if (busLost) {
      std::fprintf(stderr, "kivo: the session bus has gone, so no client can reach the player\n");
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kivo: %s\n", error.what());
    return 1;
  }
  return ExitStatusAfter(StopSignalReceived());
}

}  // namespace kivo
