#include "player/audio/SdlCapture.h"

#include <array>

#include "player/audio/AudioDevices.h"

namespace kivo {

namespace {

// Small, so that what the device hears reaches the panels soon: about
// 12 ms at 44.1 kHz.
constexpr Uint16 kCaptureFrames = 512;
// The ring keeps a few seconds, for a reader that falls a little behind.
constexpr std::uint32_t kKeptSeconds = 4;

std::string SdlCaptureNames() {
  std::string names;
  const int count = SDL_GetNumAudioDevices(1);
  for (int index = 0; index < count; ++index) {
    const char* name = SDL_GetAudioDeviceName(index, 1);
    names += std::string(names.empty() ? "" : ", ") + "\"" + (name != nullptr ? name : "?") + "\"";
  }
  return names.empty() ? "none" : names;
}

}  // namespace

SdlCapture::SdlCapture(const std::string& sdlName, std::uint32_t sampleRate)
    : FSampleRate(sampleRate), FFrames(static_cast<std::size_t>(sampleRate) * kKeptSeconds) {
  // SDL leaves monitor sources out of its list unless asked before it starts.
  SDL_SetHint("SDL_AUDIO_INCLUDE_MONITORS", "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    throw CaptureError(std::string("SDL's audio does not start: ") + SDL_GetError());

  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(sampleRate);
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = kCaptureFrames;
  wanted.callback = CaptureCallback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  FDevice = SDL_OpenAudioDevice(sdlName.c_str(), 1, &wanted, &obtained, 0);
  if (FDevice == 0) {
    const std::string reason = SDL_GetError();
    const std::string names = SdlCaptureNames();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw CaptureError(
        "SDL (" +
        std::string(SDL_GetCurrentAudioDriver() != nullptr ? SDL_GetCurrentAudioDriver()
                                                           : "no driver") +
        ") cannot open the capture device \"" + sdlName + "\" (" + reason + "); it has: " + names);
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

bool SdlCapture::Lost() const { return SDL_GetAudioDeviceStatus(FDevice) == SDL_AUDIO_STOPPED; }

void SdlCapture::Pause() { SDL_PauseAudioDevice(FDevice, 1); }

void SdlCapture::Resume() { SDL_PauseAudioDevice(FDevice, 0); }

}  // namespace kivo
