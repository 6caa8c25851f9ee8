#include "player/live/PlayCommand.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "player/Tracks.h"
#include "player/input/FrameSource.h"
#include "player/live/LivePlayer.h"
#include "player/live/NoView.h"
#include "player/live/TerminalLiveView.h"
#include "player/mpris/MprisService.h"
#include "player/window/SdlWindowView.h"

namespace kivo {

namespace {

bool DisplayNamed() {
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// Without a choice, a desktop window when there is a display to open it
// on, else the terminal.
std::unique_ptr<TLiveView> MakeView(const std::string& view, std::optional<std::int32_t> scale) {
  if (view == "none") return std::make_unique<TNoView>();
  if (view == "terminal") return std::make_unique<TTerminalLiveView>();
  if (view == "window") return std::make_unique<TSdlWindowView>(scale);
  if (DisplayNamed()) {
    try {
      return std::make_unique<TSdlWindowView>(scale);
    } catch (const std::runtime_error& error) {
      std::fprintf(stderr, "kivo: %s; showing the window in the terminal\n", error.what());
    }
  }
  return std::make_unique<TTerminalLiveView>();
}

// The desktop's media-player clients, when there are any, are served from
// the live loop while it runs.
TLiveOptions LiveOptionsOf(const TSessionCommandLine& line, const TSessionOptions& options,
                           TPlayerSession& session, TMprisService* mpris,
                           std::optional<TCaptureTarget> capture) {
  TLiveOptions live;
  live.Sound = !line.NoSound && !line.Freeze;
  live.LastFrame = options.LastBlock;
  live.FreezeBlock = line.Freeze;
  live.Capture = std::move(capture);
  live.SkinFolders = {std::filesystem::path(DefaultDesignPath()).parent_path().parent_path(),
                      session.Home().Folder() / "skins"};
  live.MakeView = [&line] { return MakeView(line.View, line.Scale); };
  if (mpris != nullptr) live.Pump = [mpris] { mpris->Pump(); };
  return live;
}

// One live track, named after the device once it opens; its length is unknown.
void PlayCapture(const TSessionCommandLine& line, const TSessionOptions& options) {
  if (!options.Inputs.empty()) throw InputError("give either INPUT files or --capture");
  if (line.NoWait || (line.View.empty() && ::isatty(STDOUT_FILENO) == 0))
    throw InputError(
        "--capture plays live on a terminal; `kivo levels --capture` prints captured levels "
        "anywhere");
  TPlayerSession session(options, DefaultDesignPath());
  session.State().PlayList = {MakeStreamTrack(line.Capture->Name, line.Capture->Name, 0)};
  const std::unique_ptr<TMprisService> mpris =
      TMprisService::Connect(session.Control(), session.State(), std::cerr);
  PlayLive(session, LiveOptionsOf(line, options, session, mpris.get(), line.Capture), std::cerr);
}

}  // namespace

void RunPlayCommand(const TSessionCommandLine& line) {
  const TSessionOptions options = SessionOptionsOf(line, false);
  if (line.Capture) {
    PlayCapture(line, options);
    return;
  }
  if (line.NoWait) {
    RenderSession(options);
    return;
  }
  const bool onTerminal = ::isatty(STDOUT_FILENO) != 0;
  if (line.View.empty() && !onTerminal) {
    std::fprintf(stderr, "kivo: standard output is not a terminal; rendering instead\n");
    RenderSession(options);
    return;
  }
  if (line.View == "terminal" && !onTerminal)
    throw InputError("--view terminal needs a terminal on standard output");
  if (!options.FramesFolder.empty() || !options.Video.empty())
    throw InputError("--frames and --video are written when rendering: add --no-wait");
  TPlayerSession session(options, DefaultDesignPath());
  const std::unique_ptr<TMprisService> mpris =
      TMprisService::Connect(session.Control(), session.State(), std::cerr);
  PlayLive(session, LiveOptionsOf(line, options, session, mpris.get(), std::nullopt), std::cerr);
}

}  // namespace kivo
