// Capture straight from the sound server (PulseAudio, or PipeWire's pulse
// server) on a thread of its own, or served by its caller, and never
// waiting for the server either way, so that nothing the server does or
// fails to do ever holds up the caller: opening, following and reopening a
// device all happen as the server answers. Stereo 16-bit frames go into a capture buffer, which
// keeps counting across every device captured, in fragments of about one
// displayed frame.
//
// With no device asked, it captures the monitor of whatever the default
// output is now, and moves along when the default changes or goes away.
// A named device that goes away is waited for and taken again when it
// comes back; a server that goes away is connected to again.
//
// An application is captured alone through the server's monitor of its
// playback stream, recorded from the monitor of the sink the stream plays
// to. When the stream ends (a browser's next track is a new one) or
// moves, its next one is taken; while the application plays nothing the
// buffer goes on with silence, since that is what it plays.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "player/audio/AudioDevices.h"
#include "player/audio/CaptureBuffer.h"

namespace kivo {

enum class TCaptureState {
  Connecting,  // to the server, or waiting for the device's stream to start
  Capturing,
  Suspended,   // the device is there but the server suspended it
  Waiting,     // the device asked for is not there (or went away), or the
               // application plays nothing
  NoServer,    // no server answers; tried again every second
};

struct TCaptureStatus {
  TCaptureState State = TCaptureState::Connecting;
  // The device captured, or last captured; empty before the first one.
  // For an application, the monitor its stream is recorded from.
  TAudioDevice Device;
  // The application's stream captured, or last captured.
  std::optional<TPlaybackStream> Stream;
  // How many of the application's streams matched when it was chosen.
  std::size_t Matching = 0;
  // The rate of the frames in the buffer; 0 before the first device.
  std::uint32_t SampleRate = 0;
  // Why nothing is captured (Waiting, NoServer); empty otherwise.
  std::string Problem;
};

// What is captured, for a notice: the device's name and description, or
// the application's stream and the sink it plays to.
std::string CapturedText(const TCaptureStatus& status);

class PulseCapture {
 public:
  // Who serves the connection: a thread of the capture's own, which wakes
  // about once a fragment, or the caller, through Serve.
  enum class TServing { OwnThread, Caller };

  // `asked`: a device as FindCaptureDevice takes it, empty for the default
  // output's monitor, or an application as FindAppStream takes it. `fragment`: how much sound the server hands over at
  // a time. Starts connecting and returns at once; raises CaptureError only
  // when the client library cannot even start.
  PulseCapture(TCaptureTarget asked, std::chrono::microseconds fragment,
               TServing serving = TServing::OwnThread);
  ~PulseCapture();
  PulseCapture(const PulseCapture&) = delete;
  PulseCapture& operator=(const PulseCapture&) = delete;

  TCaptureStatus Status() const;
  const CaptureBuffer& Frames() const { return FFrames; }
  CaptureBuffer& Frames() { return FFrames; }
  // The fragment the server was asked for, in frames (0 before a device).
  std::uint32_t FragmentFrames() const;

  // Served by the caller: takes what the server sent since the last call
  // and acts on it; never waits for the server.
  void Serve();

  // While paused nothing is captured, and what the server had buffered is
  // dropped on resuming.
  void Pause();
  void Resume();

 private:
  class TServerLink;
  CaptureBuffer FFrames;
  std::unique_ptr<TServerLink> FLink;
};

}  // namespace kivo
