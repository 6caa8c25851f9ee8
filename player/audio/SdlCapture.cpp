#include "player/audio/SdlCapture.h"

#include <stdlib.h>

#include <array>
#include <optional>

#include "player/audio/AudioDevices.h"

namespace kivo {

namespace {

// Small, so that what the device hears reaches the panels soon: about
// 12 ms at 44.1 kHz.
constexpr Uint16 kCaptureFrames = 512;
// The ring keeps a few seconds, for a reader that falls a little behind.
constexpr std::uint32_t kKeptSeconds = 4;
constexpr auto kLookInterval = std::chrono::seconds(1);

// The sound server's client library records from PULSE_SOURCE when a
// stream names no device. SDL calls devices by their descriptions, which
// repeat (every null sink is "Null Output", two cards of one model look
// alike), so SDL's default capture device is opened with the server's own
// name of the source set there while SDL starts.
class SourceChoice {
 public:
  explicit SourceChoice(const std::string& source) {
    if (const char* before = ::getenv("PULSE_SOURCE")) FBefore = before;
    ::setenv("PULSE_SOURCE", source.c_str(), 1);
  }
  ~SourceChoice() {
    if (FBefore) {
      ::setenv("PULSE_SOURCE", FBefore->c_str(), 1);
    } else {
      ::unsetenv("PULSE_SOURCE");
    }
  }
  SourceChoice(const SourceChoice&) = delete;
  SourceChoice& operator=(const SourceChoice&) = delete;

 private:
  std::optional<std::string> FBefore;
};

}  // namespace

SdlCapture::SdlCapture(const std::string& source, std::uint32_t sampleRate)
    : FSource(source),
      FSampleRate(sampleRate),
      FFrames(static_cast<std::size_t>(sampleRate) * kKeptSeconds),
      FNextLook(std::chrono::steady_clock::now() + kLookInterval) {
  const SourceChoice choice(source);
  // Only SDL's pulse driver honours the choice; the devices come from that
  // server anyway.
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "pulseaudio", SDL_HINT_OVERRIDE);
  const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  if (!started)
    throw CaptureError("SDL cannot reach the sound server to capture " + source + ": " +
                       SDL_GetError());

  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(sampleRate);
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = kCaptureFrames;
  wanted.callback = CaptureCallback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  FDevice = SDL_OpenAudioDevice(nullptr, 1, &wanted, &obtained, 0);
  if (FDevice == 0) {
    const std::string reason = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw CaptureError("SDL cannot open the capture device " + source + ": " + reason);
  }
  FDeviceFrames = obtained.samples;
  SDL_PauseAudioDevice(FDevice, 0);
}

SdlCapture::~SdlCapture() {
  SDL_CloseAudioDevice(FDevice);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SDLCALL SdlCapture::CaptureCallback(void* self, Uint8* stream, int length) {
  const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
  const std::size_t frames = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
  std::array<Frame, kCaptureFrames> packed{};
  CaptureBuffer& buffer = static_cast<SdlCapture*>(self)->FFrames;
  for (std::size_t done = 0; done < frames;) {
    const std::size_t now = std::min(packed.size(), frames - done);
    for (std::size_t i = 0; i < now; ++i)
      packed[i] = PackFrame(samples[2 * (done + i)], samples[2 * (done + i) + 1]);
    buffer.Append(std::span<const Frame>(packed.data(), now));
    done += now;
  }
}

bool SdlCapture::Lost() const {
  if (FGone || SDL_GetAudioDeviceStatus(FDevice) == SDL_AUDIO_STOPPED) return true;
  const auto now = std::chrono::steady_clock::now();
  if (now < FNextLook) return false;
  FNextLook = now + kLookInterval;
  try {
    FGone = ListAudioDevices().Find(true, FSource) == nullptr;
  } catch (const CaptureError&) {
    FGone = true;
  }
  return FGone;
}

void SdlCapture::Pause() { SDL_PauseAudioDevice(FDevice, 1); }

void SdlCapture::Resume() { SDL_PauseAudioDevice(FDevice, 0); }

}  // namespace kivo
