// Which capture device a name picks, and how `kivo devices` shows them,
// on device lists written out by hand.
#include <gtest/gtest.h>

#include <string>

#include "player/audio/AudioDevices.h"

namespace {

using kivo::CaptureError;
using kivo::FindCaptureDevice;
using kivo::TAudioDevices;

TAudioDevices Desktop() {
  TAudioDevices devices;
  devices.Devices = {
      {false, "alsa_output.analog", "Built-in Audio Analog Stereo", 48000,
       "alsa_output.analog.monitor"},
      {false, "hdmi_output", "HDMI Audio", 44100, "hdmi_output.monitor"},
      {true, "alsa_output.analog.monitor", "Monitor of Built-in Audio Analog Stereo", 48000,
       "alsa_output.analog"},
      {true, "hdmi_output.monitor", "Monitor of HDMI Audio", 44100, "hdmi_output"},
      {true, "alsa_input.mic", "Built-in Microphone", 48000, ""},
  };
  devices.DefaultSink = "hdmi_output";
  return devices;
}

std::string Picked(const TAudioDevices& devices, const std::string& asked) {
  return FindCaptureDevice(devices, asked).Name;
}

std::string Refusal(const TAudioDevices& devices, const std::string& asked) {
  try {
    FindCaptureDevice(devices, asked);
  } catch (const CaptureError& error) {
    return error.what();
  }
  return "(picked one)";
}

TEST(AudioDevicesTest, NoNamePicksTheMonitorOfTheDefaultOutput) {
  EXPECT_EQ(Picked(Desktop(), ""), "hdmi_output.monitor");
}

TEST(AudioDevicesTest, ANameDescriptionOrUniquePartPicksItsDevice) {
  const TAudioDevices devices = Desktop();
  EXPECT_EQ(Picked(devices, "alsa_input.mic"), "alsa_input.mic");
  EXPECT_EQ(Picked(devices, "built-in microphone"), "alsa_input.mic") << "description, any case";
  EXPECT_EQ(Picked(devices, "hdmi"), "hdmi_output.monitor")
      << "the output and its monitor are one device to capture";
  EXPECT_EQ(Picked(devices, "alsa_output.analog"), "alsa_output.analog.monitor")
      << "an output's exact name stands for its monitor";
}

TEST(AudioDevicesTest, APartOfANamePicksOnlyWhatPlaysNeverAnInput) {
  const TAudioDevices devices = Desktop();
  EXPECT_EQ(Picked(devices, "built-in"), "alsa_output.analog.monitor")
      << "the microphone is built in too, but only named whole is it taken";
  EXPECT_EQ(Refusal(devices, "MIC"),
            "\"MIC\" is part of the input alsa_input.mic, which is captured only when named whole");
}

TEST(AudioDevicesTest, AnAmbiguousOrUnknownNameSaysWhatThereIs) {
  const TAudioDevices devices = Desktop();
  const std::string ambiguous = Refusal(devices, "output");
  EXPECT_NE(ambiguous.find("matches several"), std::string::npos) << ambiguous;
  EXPECT_NE(ambiguous.find("hdmi_output.monitor"), std::string::npos) << ambiguous;
  EXPECT_NE(ambiguous.find("alsa_output.analog.monitor"), std::string::npos) << ambiguous;

  const std::string unknown = Refusal(devices, "usb");
  EXPECT_NE(unknown.find("no capture device matches \"usb\""), std::string::npos) << unknown;
  EXPECT_NE(unknown.find("hdmi_output.monitor (Monitor of HDMI Audio)"), std::string::npos)
      << unknown;
}

TEST(AudioDevicesTest, WithoutADefaultOutputThereIsNoDefaultMonitor) {
  TAudioDevices devices = Desktop();
  devices.DefaultSink.clear();
  EXPECT_EQ(devices.DefaultMonitor(), nullptr);
  EXPECT_NE(Refusal(devices, "").find("no default output"), std::string::npos);
  EXPECT_NE(Refusal(TAudioDevices{}, "x").find("there are none"), std::string::npos);
}

TEST(AudioDevicesTest, TheListShowsCaptureFirstAndMarksTheDefaultsMonitorsAndInputs) {
  const std::vector<std::string> lines = kivo::DeviceLines(Desktop());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1],
            "capture   hdmi_output.monitor  \"Monitor of HDMI Audio\"  44100 Hz  [monitor of the "
            "default output]");
  EXPECT_EQ(lines[0],
            "capture   alsa_output.analog.monitor  \"Monitor of Built-in Audio Analog Stereo\"  "
            "48000 Hz  [monitor of alsa_output.analog]");
  EXPECT_EQ(lines[2],
            "capture   alsa_input.mic  \"Built-in Microphone\"  48000 Hz  [input, captured only "
            "when named]");
  EXPECT_EQ(lines[4], "playback  hdmi_output  \"HDMI Audio\"  44100 Hz  [default output]");
}

}  // namespace
