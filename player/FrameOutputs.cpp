#include "player/FrameOutputs.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace kivo {

namespace {

// Quotes a word for the shell that popen runs.
std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::istringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

std::string FramePngPath(const std::string& folder, std::size_t block) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06zu.png", block);
  return (std::filesystem::path(folder) / name).string();
}

void TVideoPipe::TPipeCloser::operator()(std::FILE* pipe) const { pclose(pipe); }

TVideoPipe::TVideoPipe(const std::string& outputPath, std::int32_t width, std::int32_t height,
                       int fps)
    : FOutputPath(outputPath) {
  const std::string ffmpeg = FindOnPath("ffmpeg");
  if (ffmpeg.empty())
    throw std::runtime_error("--video needs ffmpeg, which is not installed (not found on PATH)");
  // Video encoders want even sizes; the padding is black.
  const std::string command =
      ShellQuoted(ffmpeg) + " -loglevel error -y -f rawvideo -pix_fmt rgba -s " +
      std::to_string(width) + "x" + std::to_string(height) + " -r " + std::to_string(fps) +
      " -i - -vf " + ShellQuoted("pad=ceil(iw/2)*2:ceil(ih/2)*2") + " -pix_fmt yuv420p " +
      ShellQuoted(outputPath);
  // An ffmpeg that gives up must show as a failed write, not end the player.
  std::signal(SIGPIPE, SIG_IGN);
  FPipe.reset(popen(command.c_str(), "w"));
  if (!FPipe) throw std::runtime_error("cannot start ffmpeg for " + outputPath);
}

TVideoPipe::~TVideoPipe() = default;

void TVideoPipe::Write(const TFrame& frame) {
  if (!FPipe) return;
  // Each pixel 0xAABBGGRR is, byte by byte, R, G, B, A on this machine.
  const std::size_t bytes = frame.Pixels.size() * sizeof(std::uint32_t);
  if (std::fwrite(frame.Pixels.data(), 1, bytes, FPipe.get()) != bytes)
    throw std::runtime_error("ffmpeg stopped taking frames for " + FOutputPath);
}

void TVideoPipe::Finish() {
  if (!FPipe) return;
  const int status = pclose(FPipe.release());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("ffmpeg could not write " + FOutputPath);
}

}  // namespace kivo
