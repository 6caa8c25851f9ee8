#include "player/input/DemoSource.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kivo {

namespace {

constexpr double kBeatSeconds = 0.5;  // 120 beats per minute
constexpr int kBeatsPerBar = 4;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// C, G, A minor, F: the chord of each bar, as MIDI notes of root, third, fifth.
constexpr std::array<std::array<int, 3>, 4> kChords{{
    {48, 52, 55},
    {43, 47, 50},
    {45, 48, 52},
    {41, 45, 48},
}};

// A pentatonic melody, one note per half beat, -1 for a rest.
constexpr std::array<int, 16> kMelody{72, 74, 76, -1, 79, 76, 74, 72,
                                      69, -1, 72, 74, 76, 79, 81, -1};

double NoteFrequency(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

// A bright tone: a fundamental with two weaker harmonics.
double Tone(double frequency, double seconds) {
  const double phase = kTwoPi * frequency * seconds;
  return std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase);
}

// A rising sweep in every second half of the eight-second progression,
// exponential from 150 Hz to 9 kHz over four seconds, so that every band
// lights in turn; silent otherwise.
double Sweep(double seconds) {
  constexpr double kLoop = 8.0;
  constexpr double kLength = 4.0;
  constexpr double kFrom = 150.0;
  constexpr double kTo = 9000.0;
  const double inSweep = std::fmod(seconds, kLoop) - (kLoop - kLength);
  if (inSweep < 0) return 0.0;
  const double rate = std::log(kTo / kFrom) / kLength;
  const double phase = kTwoPi * kFrom * (std::exp(rate * inSweep) - 1.0) / rate;
  const double fade = std::min({1.0, inSweep / 0.05, (kLength - inSweep) / 0.05});
  return std::sin(phase) * fade;
}

}  // namespace

std::size_t DemoSource::TotalFrames() { return static_cast<std::size_t>(kSeconds * kSampleRate); }

double DemoSource::NextNoise() {
  FNoiseState = FNoiseState * 1664525u + 1013904223u;
  return static_cast<double>(FNoiseState >> 8) / double(1u << 23) - 1.0;
}

DemoSource::StereoSample DemoSource::SampleAt(std::size_t frame) {
  const double t = static_cast<double>(frame) / kSampleRate;
  const auto beat = static_cast<int>(t / kBeatSeconds);
  const double inBeat = t - beat * kBeatSeconds;
  const auto& chord = kChords[static_cast<std::size_t>(beat / kBeatsPerBar) % kChords.size()];

  double pad = 0;
  for (int note : chord) pad += Tone(NoteFrequency(note + 12), t);
  pad *= 0.08 * (0.8 + 0.2 * std::sin(kTwoPi * 0.25 * t));

  const double bass =
      0.35 * std::sin(kTwoPi * NoteFrequency(chord[0] - 12) * t) * std::exp(-inBeat / 0.35);

  const bool kickBeat = beat % 2 == 0;
  const double kickFrequency = 50.0 + 70.0 * std::exp(-inBeat / 0.03);
  const double kick =
      kickBeat ? 0.6 * std::sin(kTwoPi * kickFrequency * inBeat) * std::exp(-inBeat / 0.12) : 0.0;

  const double halfBeat = kBeatSeconds / 2;
  const double inHalf = std::fmod(t, halfBeat);
  const bool offBeat = static_cast<int>(t / halfBeat) % 2 == 1;
  const double hat = offBeat ? 0.12 * NextNoise() * std::exp(-inHalf / 0.025) : 0.0;

  const int melodyNote = kMelody[static_cast<std::size_t>(t / halfBeat) % kMelody.size()];
  const double melody =
      melodyNote < 0 ? 0.0 : 0.15 * Tone(NoteFrequency(melodyNote), t) * std::exp(-inHalf / 0.2);

  const double sweep = 0.2 * Sweep(t);

  const double centre = bass + kick + sweep;
  return {centre + 0.7 * pad + 0.4 * melody + 0.3 * hat,
          centre + 0.4 * pad + 0.7 * melody + 0.7 * hat};
}

std::size_t DemoSource::Read(std::span<Frame> frames) {
  const std::size_t count = std::min(frames.size(), TotalFrames() - FPosition);
  for (std::size_t i = 0; i < count; ++i) {
    const StereoSample sample = SampleAt(FPosition + i);
    frames[i] = PackFrame(SampleToInt16(sample.Left * 0.6), SampleToInt16(sample.Right * 0.6));
  }
  FPosition += count;
  return count;
}

}  // namespace kivo
