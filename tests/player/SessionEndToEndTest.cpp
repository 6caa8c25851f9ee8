// Runs the built `kivo render` with the built kolmira.so on tones made by a
// real tool (sox) and reads the PNG it writes back: the picture follows the
// design file of each default skin, a display-mode change made through the
// automation interface reaches the panels, and refused or failing starts
// are reported while the player still ends cleanly.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/vcl/IniFiles.h"

namespace {

namespace fs = std::filesystem;

struct TPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // 0xRRGGBB, alpha dropped

  std::uint32_t At(int x, int y) const {
    return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                  static_cast<std::size_t>(x)];
  }
};

TPicture ReadPng(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  TPicture picture;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    ADD_FAILURE() << "cannot read " << path;
    return picture;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr);
  picture.Width = static_cast<int>(image.width);
  picture.Height = static_cast<int>(image.height);
  for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
    picture.Pixels.push_back(std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8 |
                             bytes[i + 2]);
  return picture;
}

// A design colour 0x00BBGGRR as the picture holds it.
std::uint32_t Rgb(std::int32_t color) {
  const auto value = static_cast<std::uint32_t>(color);
  return (value & 0xFF) << 16 | (value & 0xFF00) | (value >> 16 & 0xFF);
}

struct TPanelDesign {
  int Left, Top, Width, Height;
  std::int32_t BackColor;
  bool FrameStyle;
  std::string Graphics;
};

struct TSkinDesign {
  TPanelDesign Panels[2];
  std::vector<std::int32_t> Colors;
};

TSkinDesign ReadDesign(const fs::path& path) {
  const TIniFile design(path.string());
  TSkinDesign skin{};
  const char* sections[] = {"SpeanaL", "SpeanaR"};
  for (int i = 0; i < 2; ++i) {
    skin.Panels[i] = {design.ReadInteger(sections[i], "Left", 0),
                      design.ReadInteger(sections[i], "Top", 0),
                      design.ReadInteger(sections[i], "Width", 0),
                      design.ReadInteger(sections[i], "Height", 0),
                      design.ReadInteger(sections[i], "BackColor", 0),
                      design.ReadBool(sections[i], "Checked", false),
                      design.ReadString(sections[i], "Graphics", "")};
  }
  std::istringstream colors(design.ReadString("Lyrics", "Colors", ""));
  for (std::string item; std::getline(colors, item, ',');) skin.Colors.push_back(std::stoi(item));
  return skin;
}

struct TRun {
  int ExitCode = -1;
  std::string Errors;
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string ReadText(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class SessionEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("kivo-session-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir / "runtime");
    // Band 1 of the default band pattern at level 8 on both channels: 12
    // cycles per 2048-frame block at 2048 frames per second.
    Sox("-n -r 2048 -c 2 -b 16 -D " + Quoted(File("tone.wav")) + " synth 2 sine 12 vol 0.4437");
    Sox("-n -r 2048 -c 2 -b 16 -D " + Quoted(File("silence.wav")) + " synth 2 sine 12 vol 0");
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string File(const std::string& name) const { return (FDir / name).string(); }

  static fs::path SkinDesign(const std::string& skin) {
    return fs::path(KOLMIRA_SKINS_DIR) / skin / "design.ini";
  }

  void Sox(const std::string& arguments) const {
    const std::string command = std::string(SOX_PROGRAM) + " " + arguments + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // Runs `kivo render` with its own home and its own runtime folder, so
  // that the plug-in's single-instance lock is this test's alone.
  TRun Render(const std::string& arguments, const std::string& input = "/dev/null",
              const std::string& environment = "") const {
    return Kivo("render", arguments, input, environment);
  }

  TRun Kivo(const std::string& subcommand, const std::string& arguments,
            const std::string& input = "/dev/null", const std::string& environment = "") const {
    const std::string command = "XDG_RUNTIME_DIR=" + Quoted(File("runtime")) + " " + environment +
                                " " + std::string(KIVO_PROGRAM) + " " + subcommand + " --home " +
                                Quoted(File("home")) + " " + arguments + " <" + Quoted(input) +
                                " 2>" + Quoted(File("stderr.txt")) + " >/dev/null";
    const int status = std::system(command.c_str());
    TRun run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Errors = ReadText(File("stderr.txt"));
    return run;
  }

  TPicture RenderSkin(const fs::path& design, const std::string& input,
                      const std::string& extra = "") const {
    const std::string png = File("out.png");
    fs::remove(png);
    const TRun run = Render(Quoted(File(input)) + " --hop 2048 --block 1 --png " + Quoted(png) +
                            " --design " + Quoted(design.string()) + " " + extra);
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;
    EXPECT_EQ(run.Errors, "");
    return ReadPng(png);
  }

  fs::path FDir;
};

// The horizontal slot of band 1 in a panel, counted from either side (a
// panel may lay its bands out mirrored), with room for bevels.
bool InBandOneSlot(int x, const TPanelDesign& panel) {
  const int band = panel.Width / 10;
  const int fromLeft = x - panel.Left;
  const int fromRight = panel.Left + panel.Width - 1 - x;
  const auto inSlot = [band](int offset) { return offset >= band - 3 && offset <= 2 * band + 3; };
  return inSlot(fromLeft) || inSlot(fromRight);
}

int CountPixels(const TPicture& picture, std::uint32_t rgb) {
  return static_cast<int>(std::count(picture.Pixels.begin(), picture.Pixels.end(), rgb));
}

class SkinPictureTest : public SessionEndToEndTest,
                        public ::testing::WithParamInterface<std::string> {};

TEST_P(SkinPictureTest, ToneChangesOnlyBandOneOfBothPanelsInAWindowOfTheDesignsSize) {
  const fs::path design = SkinDesign(GetParam());
  const TSkinDesign skin = ReadDesign(design);
  const TPicture tone = RenderSkin(design, "tone.wav");
  const TPicture silence = RenderSkin(design, "silence.wav");

  int width = 1;
  int height = 1;
  for (const TPanelDesign& panel : skin.Panels) {
    width = std::max(width, panel.Left + panel.Width);
    height = std::max(height, panel.Top + panel.Height);
  }
  ASSERT_EQ(tone.Width, width);
  ASSERT_EQ(tone.Height, height);
  ASSERT_EQ(silence.Width, width);

  int changedLeft = 0;
  int changedRight = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (tone.At(x, y) == silence.At(x, y)) continue;
      const bool left = x < skin.Panels[0].Left + skin.Panels[0].Width;
      const TPanelDesign& panel = skin.Panels[left ? 0 : 1];
      ASSERT_TRUE(InBandOneSlot(x, panel)) << "pixel " << x << "," << y << " changed";
      ++(left ? changedLeft : changedRight);
    }
  EXPECT_GT(changedLeft, 0);
  EXPECT_GT(changedRight, 0);
}

INSTANTIATE_TEST_SUITE_P(DefaultSkins, SkinPictureTest,
                         ::testing::Values("bars", "picture", "frames"));

TEST_F(SessionEndToEndTest, BarSkinLightsSegmentsInTheDesignColoursUpToLevelEight) {
  const fs::path design = SkinDesign("bars");
  const TSkinDesign skin = ReadDesign(design);
  ASSERT_EQ(skin.Colors.size(), 10u);
  const TPicture tone = RenderSkin(design, "tone.wav");
  const TPicture silence = RenderSkin(design, "silence.wav");

  // Segments 0 to 7 are lit, 8 and 9 are not.
  EXPECT_GT(CountPixels(tone, Rgb(skin.Colors[0])), 0);
  EXPECT_GT(CountPixels(tone, Rgb(skin.Colors[7])), 0);
  EXPECT_EQ(CountPixels(tone, Rgb(skin.Colors[8])), 0);
  EXPECT_EQ(CountPixels(silence, Rgb(skin.Colors[0])), 0);
  EXPECT_EQ(CountPixels(silence, Rgb(skin.Colors[7])), 0);
  // Away from the bands the panels show their background colour.
  for (const TPanelDesign& panel : skin.Panels)
    EXPECT_EQ(tone.At(panel.Left + panel.Width * 3 / 4, panel.Top + panel.Height / 2),
              Rgb(panel.BackColor));
}

TEST_F(SessionEndToEndTest, DisplayModeChangeThroughTheAutomationInterfaceClearsThePanels) {
  const fs::path design = SkinDesign("bars");
  const std::uint32_t lit = Rgb(ReadDesign(design).Colors[0]);

  EXPECT_GT(CountPixels(RenderSkin(design, "tone.wav"), lit), 0);
  // Set right after the last block: the panels take the new peak mode and
  // start again from nothing.
  EXPECT_EQ(CountPixels(RenderSkin(design, "tone.wav", "--set-display-mode 1:3"), lit), 0);
  // Set after the first block: the second block lights them again.
  EXPECT_GT(CountPixels(RenderSkin(design, "tone.wav", "--set-display-mode 0:3"), lit), 0);
}

// The black window is still written, but the run says it is no picture of
// the plug-in, unless asked for the bare window.
TEST_F(SessionEndToEndTest, RefusedStartsShowTheRefusalAndEndWithABlackWindowAndItsStatus) {
  for (const std::string refusal : {"--host-version 6099", "--refuse-interface"}) {
    const std::string png = File("refused.png");
    const TRun run = Render(Quoted(File("tone.wav")) + " --hop 2048 --block 1 --png " +
                            Quoted(png) + " " + refusal);
    EXPECT_EQ(run.ExitCode, 3) << refusal;
    EXPECT_NE(run.Errors.find("the picture has no plug-in in it"), std::string::npos)
        << run.Errors;
    EXPECT_EQ(Render(Quoted(File("tone.wav")) + " --block 0 --png " + Quoted(png) + " " +
                     refusal + " --allow-bare-window")
                  .ExitCode,
              0);
    EXPECT_NE(run.Errors.find("このバージョンのKIVOには対応していません"), std::string::npos)
        << refusal << ": " << run.Errors;
    EXPECT_NE(run.Errors.find("did not start"), std::string::npos) << run.Errors;
    const TPicture picture = ReadPng(png);
    ASSERT_FALSE(picture.Pixels.empty());
    EXPECT_EQ(CountPixels(picture, 0), static_cast<int>(picture.Pixels.size())) << refusal;
  }
  // Version 6100 is the oldest that starts.
  const TRun run = Render(Quoted(File("tone.wav")) + " --hop 2048 --block 0 --png " +
                          Quoted(File("started.png")) + " --host-version 6100");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Errors, "");
}

TEST_F(SessionEndToEndTest, SkinWithoutItsGraphicsFileIsReportedByName) {
  fs::create_directories(File("skin"));
  std::string design = ReadText(SkinDesign("frames"));
  for (std::size_t at = design.find("frames.bmp"); at != std::string::npos;
       at = design.find("frames.bmp"))
    design.replace(at, 10, "gone.bmp");
  std::ofstream(File("skin/design.ini")) << design;

  const TRun run = Render(Quoted(File("tone.wav")) + " --block 0 --png " + Quoted(File("o.png")) +
                          " --design " + Quoted(File("skin/design.ini")));
  EXPECT_EQ(run.ExitCode, 3);
  EXPECT_NE(run.Errors.find("could not start"), std::string::npos) << run.Errors;
  EXPECT_NE(run.Errors.find("gone.bmp"), std::string::npos) << run.Errors;
}

TEST_F(SessionEndToEndTest, MissingPluginOrBadOptionsAreReported) {
  const TRun noPlugin = Render("--block 0 --png " + Quoted(File("o.png")) + " --plugin " +
                               Quoted(File("nothing.so")));
  EXPECT_EQ(noPlugin.ExitCode, 3);
  EXPECT_NE(noPlugin.Errors.find("cannot load the plug-in"), std::string::npos);
  EXPECT_TRUE(fs::exists(File("o.png")));

  const TRun badSize = Render("--png " + Quoted(File("o.png")) + " --size 0x5");
  EXPECT_EQ(badSize.ExitCode, 2) << "refused as a bad option";
  EXPECT_NE(badSize.Errors.find("WIDTHxHEIGHT"), std::string::npos) << badSize.Errors;

  const TRun noFile = Render(Quoted(File("absent.wav")) + " --png " + Quoted(File("o.png")));
  EXPECT_EQ(noFile.ExitCode, 1);
  EXPECT_NE(noFile.Errors.find("absent.wav"), std::string::npos) << noFile.Errors;
}

TEST_F(SessionEndToEndTest, DesignValuesThePlugInCannotTakeAreNamedOnceAndTheSkinStillLoads) {
  std::string design = ReadText(SkinDesign("bars"));
  design.replace(design.find("Left=160"), 8, "Left=abc");
  fs::create_directories(File("odd"));
  std::ofstream(File("odd/design.ini")) << design;
  const TRun run = Render(Quoted(File("tone.wav")) + " --hop 2048 --block 1 --png " +
                          Quoted(File("o.png")) + " --design " + Quoted(File("odd/design.ini")));
  EXPECT_EQ(run.ExitCode, 0) << run.Errors;
  EXPECT_EQ(run.Errors, "kivo: warning: design " + File("odd/design.ini") +
                            ": SpeanaR Left=abc is not a number: 0 is used\n");
}

TEST_F(SessionEndToEndTest, AMissingDesignFileIsWarnedAboutAndThePluginStartsWithoutPanels) {
  const TRun run = Render(Quoted(File("tone.wav")) + " --hop 2048 --block 1 --size 40x20 --png " +
                          Quoted(File("o.png")) + " --design " + Quoted(File("no/such.ini")));
  ASSERT_EQ(run.ExitCode, 0) << run.Errors;
  EXPECT_EQ(run.Errors, "kivo: warning: no design file " + File("no/such.ini") +
                            ": the plug-in starts with its defaults, without panels\n");
  const TPicture picture = ReadPng(File("o.png"));
  ASSERT_EQ(picture.Width, 40);
  EXPECT_EQ(CountPixels(picture, picture.Pixels[0]), 40 * 20);
}

TEST_F(SessionEndToEndTest, RawStereoOnStandardInputShowsWhatTheSameFileShows) {
  Sox(Quoted(File("tone.wav")) + " -t raw -e signed -b 16 -c 2 -L " + Quoted(File("tone.raw")));
  const TRun fromFile =
      Render(Quoted(File("tone.wav")) + " --hop 2048 --block 1 --png " + Quoted(File("file.png")));
  const TRun fromInput =
      Render("- --hop 2048 --block 1 --png " + Quoted(File("input.png")), File("tone.raw"));
  ASSERT_EQ(fromFile.ExitCode, 0) << fromFile.Errors;
  ASSERT_EQ(fromInput.ExitCode, 0) << fromInput.Errors;
  const TPicture file = ReadPng(File("file.png"));
  EXPECT_EQ(ReadPng(File("input.png")).Pixels, file.Pixels);
  EXPECT_NE(CountPixels(file, Rgb(ReadDesign(SkinDesign("bars")).Colors[0])), 0);
}

TEST_F(SessionEndToEndTest, VideoWithoutFfmpegIsAClearErrorBeforeAnythingPlays) {
  const TRun run =
      Render("--block 0 --png " + Quoted(File("o.png")) + " --video " + Quoted(File("o.mp4")),
             "/dev/null", "PATH=" + Quoted(File("empty-path")));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Errors.find("ffmpeg, which is not installed"), std::string::npos) << run.Errors;
  EXPECT_FALSE(fs::exists(File("o.png")));
}

TEST_F(SessionEndToEndTest, VideoFramesAndSoundGoToFfmpegRawAsTheyWereRendered) {
  // A stand-in ffmpeg that keeps the pictures (standard input) in the
  // output file and the sound (descriptor 3) beside it.
  fs::create_directories(File("bin"));
  std::ofstream(File("bin/ffmpeg")) << "#!/bin/sh\nfor last; do :; done\n"
                                       "cat <&3 > \"$last.sound\" & cat > \"$last\"; wait\n";
  fs::permissions(File("bin/ffmpeg"), fs::perms::owner_all);
  const TRun run = Render(Quoted(File("tone.wav")) + " --hop 2048 --block 1 --png " +
                              Quoted(File("o.png")) + " --video " + Quoted(File("o.mp4")),
                          "/dev/null", "PATH=" + Quoted(File("bin") + ":/usr/bin:/bin"));
  ASSERT_EQ(run.ExitCode, 0) << run.Errors;
  const std::string video = ReadText(File("o.mp4"));
  ASSERT_EQ(video.size(), 2u * 320u * 100u * 4u);
  // The last frame is the picture written as PNG, byte for byte R, G, B, A.
  const TPicture last = ReadPng(File("o.png"));
  const std::size_t lastFrame = 320u * 100u * 4u;
  for (std::size_t i = 0; i < last.Pixels.size(); ++i) {
    const auto byte = [&](std::size_t k) {
      return static_cast<std::uint32_t>(static_cast<unsigned char>(video[lastFrame + 4 * i + k]));
    };
    ASSERT_EQ(byte(0) << 16 | byte(1) << 8 | byte(2), last.Pixels[i]) << "pixel " << i;
    ASSERT_EQ(byte(3), 255u);
  }
  // The sound is the tone up to the end of block 1, as 16-bit stereo.
  Sox(Quoted(File("tone.wav")) + " -t raw -e signed -b 16 -c 2 -L " + Quoted(File("tone.raw")));
  EXPECT_EQ(ReadText(File("o.mp4.sound")), ReadText(File("tone.raw")).substr(0, 4096u * 4u));
}

TEST_F(SessionEndToEndTest, AnFfmpegThatFailsIsReportedNotTakenForSuccess) {
  fs::create_directories(File("bin"));
  std::ofstream(File("bin/ffmpeg")) << "#!/bin/sh\nexit 1\n";
  fs::permissions(File("bin/ffmpeg"), fs::perms::owner_all);
  const TRun run = Render(Quoted(File("tone.wav")) + " --hop 2048 --block 1 --png " +
                              Quoted(File("o.png")) + " --video " + Quoted(File("o.mp4")),
                          "/dev/null", "PATH=" + Quoted(File("bin") + ":/usr/bin:/bin"));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Errors.find("ffmpeg"), std::string::npos) << run.Errors;
}

TEST_F(SessionEndToEndTest, FirstRunRecordsTheDefaultSkinAndTheProgramInTheHome) {
  const TRun run = Render("--block 0 --png " + Quoted(File("o.png")));
  ASSERT_EQ(run.ExitCode, 0) << run.Errors;
  const fs::path home = File("home");
  EXPECT_TRUE(fs::is_symlink(home / "kivo"));
  const TIniFile settings((home / "kivo.ini").string());
  EXPECT_EQ(fs::path(settings.ReadString("KIVO", "Design", "")).filename(), "design.ini");
  EXPECT_NE(ReadText(home / "registry" / "HKEY_CURRENT_USER.txt").find((home / "kivo").string()),
            std::string::npos);
  // The default skin's panels decide the window's size.
  const TPicture picture = ReadPng(File("o.png"));
  EXPECT_EQ(picture.Width, 320);
  EXPECT_EQ(picture.Height, 100);
}

TEST_F(SessionEndToEndTest, FramesFolderHoldsOnePicturePerBlock) {
  const TRun run = Render(Quoted(File("tone.wav")) + " --hop 1024 --block 2 --png " +
                          Quoted(File("o.png")) + " --frames " + Quoted(File("frames")));
  ASSERT_EQ(run.ExitCode, 0) << run.Errors;
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(File("frames")))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names,
            (std::set<std::string>{"frame-000000.png", "frame-000001.png", "frame-000002.png"}));
}

// The pictures a run wrote into `folder`, one per block, in block order.
std::vector<fs::path> FramesIn(const fs::path& folder) {
  std::vector<fs::path> frames;
  for (const auto& entry : fs::directory_iterator(folder)) frames.push_back(entry.path());
  std::sort(frames.begin(), frames.end());
  return frames;
}

// What is missing or is no audio is passed over, saying which and why; the
// tracks after it play as if it had not been there.
TEST_F(SessionEndToEndTest, UnplayableTracksAreSkippedWithTheReasonAndTheOthersPlay) {
  const std::string frames = " --hop 2048 --png " + Quoted(File("o.png")) + " --frames ";
  ASSERT_EQ(Render(Quoted(File("tone.wav")) + frames + Quoted(File("one"))).ExitCode, 0);
  const std::size_t oneTrack = FramesIn(File("one")).size();
  ASSERT_GT(oneTrack, 0u);

  std::ofstream(File("text.wav")) << "this is no audio file\n";
  const TRun played =
      Kivo("play", "--no-wait " + Quoted(File("tone.wav")) + " " + Quoted(File("gone.wav")) + " " +
                       Quoted(File("text.wav")) + " " + Quoted(File("silence.wav")) + frames +
                       Quoted(File("four")));
  EXPECT_EQ(played.ExitCode, 0) << played.Errors;
  EXPECT_NE(
      played.Errors.find("track 2 skipped: cannot open '" + File("gone.wav") + "': no such file"),
      std::string::npos)
      << played.Errors;
  EXPECT_NE(played.Errors.find("track 3 skipped: cannot read '" + File("text.wav")),
            std::string::npos)
      << played.Errors;
  EXPECT_EQ(FramesIn(File("four")).size(), 2 * oneTrack) << "the first and the last track";
}

// A playlist's relative entries are taken from its own folder; a folder
// plays its audio files in the order of their names, not those of its
// subfolders.
TEST_F(SessionEndToEndTest, PlaylistsAndFoldersPlayTheirAudioFiles) {
  const std::string frames = " --hop 2048 --png " + Quoted(File("o.png")) + " --frames ";
  ASSERT_EQ(Render(Quoted(File("silence.wav")) + frames + Quoted(File("silent"))).ExitCode, 0);
  const std::vector<fs::path> silent = FramesIn(File("silent"));
  ASSERT_EQ(Render(Quoted(File("tone.wav")) + frames + Quoted(File("loud"))).ExitCode, 0);
  const std::vector<fs::path> loud = FramesIn(File("loud"));
  ASSERT_FALSE(silent.empty());
  ASSERT_NE(ReadPng(silent[0]).Pixels, ReadPng(loud[0]).Pixels);

  fs::create_directories(File("lists"));
  std::ofstream(File("lists/mix.m3u")) << "#EXTM3U\n#EXTINF:2,Tone\n../tone.wav\r\n"
                                       << "absent.wav\n"
                                       << File("silence.wav") << "\n";
  const TRun list = Render(Quoted(File("lists/mix.m3u")) + frames + Quoted(File("list")));
  EXPECT_EQ(list.ExitCode, 0) << list.Errors;
  EXPECT_NE(list.Errors.find("track 2 skipped: cannot open '" + File("lists/absent.wav")),
            std::string::npos)
      << list.Errors;
  const std::vector<fs::path> listed = FramesIn(File("list"));
  ASSERT_EQ(listed.size(), loud.size() + silent.size());
  EXPECT_EQ(ReadPng(listed[0]).Pixels, ReadPng(loud[0]).Pixels) << "the tone first";

  fs::create_directories(File("album/deeper"));
  fs::copy_file(File("tone.wav"), File("album/b-tone.wav"));
  fs::copy_file(File("silence.wav"), File("album/a-silence.WAV"));
  fs::copy_file(File("tone.wav"), File("album/deeper/c-tone.wav"));
  std::ofstream(File("album/notes.txt")) << "liner notes\n";
  const TRun folder = Render(Quoted(File("album")) + frames + Quoted(File("folder")));
  EXPECT_EQ(folder.ExitCode, 0) << folder.Errors;
  EXPECT_EQ(folder.Errors.find("skipped"), std::string::npos) << folder.Errors;
  const std::vector<fs::path> fromFolder = FramesIn(File("folder"));
  ASSERT_EQ(fromFolder.size(), loud.size() + silent.size());
  EXPECT_EQ(ReadPng(fromFolder[0]).Pixels, ReadPng(silent[0]).Pixels) << "a-silence first";
}

TEST_F(SessionEndToEndTest, NothingPlayableEndsTheRenderWithTheReason) {
  std::ofstream(File("text.wav")) << "this is no audio file\n";
  const TRun run = Kivo("play", "--no-wait " + Quoted(File("gone.wav")) + " " +
                                    Quoted(File("text.wav")) + " --png " + Quoted(File("o.png")));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Errors.find("track 1 skipped: cannot open '" + File("gone.wav")), std::string::npos)
      << run.Errors;
  EXPECT_NE(run.Errors.find("no track of the playlist can be played; track 2 skipped: cannot "
                            "read '" +
                            File("text.wav")),
            std::string::npos)
      << run.Errors;

  std::ofstream(File("bad.m3u")) << "gone.wav\ntext.wav\n";
  const TRun listed = Render(Quoted(File("bad.m3u")) + " --png " + Quoted(File("o.png")));
  EXPECT_EQ(listed.ExitCode, 1);
  EXPECT_NE(listed.Errors.find("no track of the playlist can be played"), std::string::npos)
      << listed.Errors;

  fs::create_directories(File("empty"));
  const TRun empty = Render(Quoted(File("empty")) + " --png " + Quoted(File("o.png")));
  EXPECT_EQ(empty.ExitCode, 1);
  EXPECT_NE(empty.Errors.find("nothing to play"), std::string::npos) << empty.Errors;
}

}  // namespace
