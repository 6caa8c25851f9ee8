#include "player/SessionCommands.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "player/NumberOptions.h"
#include "player/OutputPaths.h"
#include "player/ProgramFiles.h"

namespace kivo {

namespace {

std::optional<std::pair<std::size_t, std::int32_t>> ModeChangeOf(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const char* end = text.data() + text.size();
  std::size_t block = 0;
  const auto [blockEnd, blockError] = std::from_chars(text.data(), text.data() + colon, block);
  std::int32_t mode = 0;
  const auto [modeEnd, modeError] = std::from_chars(text.data() + colon + 1, end, mode);
  const bool whole = blockError == std::errc() && blockEnd == text.data() + colon &&
                     modeError == std::errc() && modeEnd == end;
  if (!whole || mode < 0 || mode > 4) return std::nullopt;
  return std::pair{block, mode};
}

CLI::Validator ModeChange() {
  return CLI::Validator(
      [](std::string& text) {
        return ModeChangeOf(text) ? std::string()
                                  : text +
                                        " is not BLOCK:MODE, a block number and a display "
                                        "mode from 0 to 4";
      },
      "");
}

// Checked while the command line is read, so that a bad size is refused as
// every bad option is.
CLI::Validator WindowSizeOption() {
  return CLI::Validator(
      [](std::string& text) {
        try {
          ParseWindowSize(text);
          return std::string();
        } catch (const std::invalid_argument&) {
          return text + " is not a window size WIDTHxHEIGHT, each from 1 to " +
                 std::to_string(kMaxWindowSide);
        }
      },
      "");
}

void AddSessionOptions(CLI::App* command, TSessionCommandLine& line) {
  TSessionOptions& options = line.Session;
  command->add_option("--home", options.Home,
                      "Home folder for the settings file and the registry (default: $KIVO_HOME, "
                      "else ~/.config/kivo)");
  command->add_option("--plugin", options.PluginPath,
                      "The plug-in library (default: the installed kolmira.so)");
  command->add_option("--design", options.Design,
                      "Design file of the skin to show (default: the settings file's)");
  command
      ->add_option("--size", line.Size,
                   "Visualisation window size WIDTHxHEIGHT (default: as large as the "
                   "design's panels need)")
      ->check(WindowSizeOption());
  command
      ->add_option("--host-version", options.Host.Version,
                   "Version the player reports to the plug-in")
      ->capture_default_str()
      ->check(AnyInt32("a version number"));
  command->add_flag("--refuse-interface", line.Refuse,
                    "Refuse the plug-in's interface version, so that it does not start");
  command->add_flag("--allow-bare-window", options.AllowBareWindow,
                    "When rendering, write the window also when the plug-in is not in it, "
                    "and end with status 0");
  command->add_option("--display-mode", options.DisplayMode, "Display mode at start, 0 to 4")
      ->check(WholeNumber(0, 4, "a display mode"));
  command->add_option("--rec-level", options.RecLevel, "Recording level in percent")
      ->check(AnyInt32("a recording level in percent"));
  command->add_option("--adjust", options.Adjust, "Spectrum level adjustment in percent")
      ->check(AnyInt32("a level adjustment in percent"));
  command->add_option("--volume", options.Volume, "Volume, 0 to 100")
      ->check(WholeNumber(0, 100, "a volume"));
  command->add_option("--fps", options.Fps, "Displayed frames (blocks) per second")
      ->capture_default_str()
      ->check(WholeNumber(1, 1000, "a frame rate"));
  command
      ->add_option("--hop", options.Hop,
                   "Frames from one block to the next, whatever the frame rate")
      ->check(WholeNumber(1, kNoUpperBound, "a positive number of frames"));
  command->add_option("--frames", options.FramesFolder, "Write one PNG per block into DIR")
      ->check(OutputFolder());
  command->add_option("--video", options.Video, "Encode the blocks' pictures with ffmpeg")
      ->check(OutputFile());
  command
      ->add_option("--set-display-mode", line.DisplayModeChanges,
                   "BLOCK:MODE - set the display mode (0 to 4) through the automation "
                   "interface right after that block was played (repeatable)")
      ->check(ModeChange());
}

}  // namespace

CLI::App* AddRenderCommand(CLI::App& app, TSessionCommandLine& line) {
  CLI::App* render = app.add_subcommand(
      "render",
      "Feed blocks 0 to N of the input through the plug-in as fast as possible and write the "
      "visualisation window at 1:1 scale as a PNG file");
  render->add_option("INPUT", line.RenderInput,
                     "Audio file, M3U playlist or folder of audio files; '-' reads raw 16-bit "
                     "stereo from standard input; without it the built-in demo plays");
  render->add_option("--png", line.Session.Png, "The PNG file to write")
      ->required()
      ->check(OutputFile());
  render
      ->add_option("--block", line.Session.LastBlock,
                   "The last block to feed (default: the whole input)")
      ->check(WholeNumber(0, kNoUpperBound, "a block number"));
  AddSessionOptions(render, line);
  return render;
}

CLI::App* AddPlayCommand(CLI::App& app, TSessionCommandLine& line) {
  CLI::App* play = app.add_subcommand(
      "play",
      "Play audio files through the plug-in and show its window live in the terminal, with "
      "sound; when standard output is not a terminal, render as `kivo render` does");
  play->add_option("INPUT", line.Session.Inputs,
                   "Audio files, M3U playlists and folders to play in order (a file that "
                   "cannot be played is skipped); '-' reads raw 16-bit stereo from standard "
                   "input; without any the built-in demo plays");
  play->add_option("--png", line.Session.Png, "Write the window as PNG when playback ends")
      ->check(OutputFile());
  play->add_option("--block", line.Session.LastBlock,
                   "The last block to play (live: the last frame to show)")
      ->check(WholeNumber(0, kNoUpperBound, "a block number"));
  play->add_flag("--no-wait", line.NoWait,
                 "Render as fast as possible instead of playing live, also on a terminal");
  play->add_flag("--no-sound", line.NoSound, "Play live without sound, keeping real time");
  play->add_option("--view", line.View,
                   "Where to show the window live: 'window' (a desktop window; the default "
                   "when a display is there and standard output is a terminal), 'terminal' or "
                   "'none'")
      ->check(CLI::IsMember({"window", "terminal", "none"}));
  play->add_option("--scale", line.Scale,
                   "Desktop window: each pixel as an NxN square, the status strip below the "
                   "picture at the same scale (default: the largest that fits comfortably on "
                   "the screen)")
      ->check(WholeNumber(1, 64, "a window scale"));
  play->add_option("--freeze", line.Freeze,
                   "Show a still picture, without sound: play blocks 0 to N as `render` does "
                   "(--hop, --fps), and block N once more after each key or click")
      ->check(WholeNumber(0, kNoUpperBound, "a block number"));
  AddSessionOptions(play, line);
  play->footer(
      "Keys while playing live:\n"
      "  space  pause / resume\n"
      "  0-4    display mode (2, 3, 4: the spectrum displays)\n"
      "  + -    volume up / down\n"
      "  p      next band pattern, saved to the settings file\n"
      "  s      next skin (the default skins and <home>/skins/*/design.ini)\n"
      "  n b    next / previous track\n"
      "  d      what the status line shows first: title, device, timer, caption, track\n"
      "  t      stay on top (the window's hint; the terminal only says so)\n"
      "  q      quit\n"
      "A click on a panel cycles its peak mode, a double click tells the clients; the\n"
      "terminal's status line (80 columns or more) and the window's strip below the\n"
      "picture begin with the buttons previous, play/pause, stop and next; closing the\n"
      "window quits.");
  return play;
}

TSessionOptions SessionOptionsOf(const TSessionCommandLine& line, bool render) {
  TSessionOptions options = line.Session;
  if (render && !line.RenderInput.empty()) options.Inputs = {line.RenderInput};
  if (!line.Size.empty()) options.Size = ParseWindowSize(line.Size);
  options.Host.AcceptsInterface = !line.Refuse;
  for (const std::string& change : line.DisplayModeChanges)
    options.DisplayModeChanges.push_back(ModeChangeOf(change).value());
  return options;
}

void RenderSession(const TSessionOptions& options) {
  TPlayerSession session(options, DefaultDesignPath());
  session.Run();
  if (!session.PluginInPicture() && !options.AllowBareWindow)
    throw BareWindowError(
        "the picture has no plug-in in it, since it did not run (--allow-bare-window accepts "
        "that)");
}

std::string DefaultDesignPath() { return OwnProgramFiles().DefaultDesign().string(); }

}  // namespace kivo
