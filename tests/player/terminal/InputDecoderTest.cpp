#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/terminal/InputDecoder.h"

namespace {

using kivo::InputDecoder;
using kivo::InputEvent;
using kivo::Key;
using kivo::KeyPress;
using kivo::MouseButton;
using kivo::MouseClick;

std::vector<InputEvent> Decode(std::string_view bytes) {
  InputDecoder decoder;
  return decoder.Feed(bytes);
}

TEST(InputDecoderTest, ThePlayersKeysAreRecognised) {
  const std::vector<InputEvent> expected = {
      KeyPress{Key::Space},  KeyPress{Key::Digit0}, KeyPress{Key::Digit1}, KeyPress{Key::Digit2},
      KeyPress{Key::Digit3}, KeyPress{Key::Digit4}, KeyPress{Key::Plus},   KeyPress{Key::Minus},
      KeyPress{Key::P},      KeyPress{Key::S},      KeyPress{Key::N},      KeyPress{Key::B},
      KeyPress{Key::Q},      KeyPress{Key::CtrlC}};
  EXPECT_EQ(Decode(" 01234+-psnbq\x03"), expected);
  // The desktop window's typed text goes through the same table.
  EXPECT_EQ(kivo::KeyOfCharacter('s'), Key::S);
  EXPECT_EQ(kivo::KeyOfCharacter('5'), std::nullopt);
}

TEST(InputDecoderTest, OtherKeysAndSequencesAreSkipped) {
  // 5, letters, Ctrl-Right, a function key, a focus report, Alt-x, then q;
  // only the plain arrow counts.
  EXPECT_EQ(Decode("5xQ\x1b[A\x1b[1;5C\x1bOP\x1b[I\x1bxq"),
            (std::vector<InputEvent>{KeyPress{Key::Up}, KeyPress{Key::Q}}));
}

TEST(InputDecoderTest, AnEscapeAloneIsTheEscapeKeyOnlyOnceNothingFollowsIt) {
  InputDecoder decoder;
  // It may be the start of a sequence still on its way.
  EXPECT_TRUE(decoder.Feed("\x1b").empty());
  EXPECT_EQ(decoder.Pause(), (std::vector<InputEvent>{KeyPress{Key::Escape}}));
  EXPECT_TRUE(decoder.Pause().empty()) << "told once";
  // The rest of a sequence that came after all is no Escape.
  EXPECT_TRUE(decoder.Feed("\x1b").empty());
  EXPECT_EQ(decoder.Feed("[B"), (std::vector<InputEvent>{KeyPress{Key::Down}}));
  EXPECT_TRUE(decoder.Pause().empty());
  // Pressed twice, or before another key, it needs no pause.
  EXPECT_EQ(decoder.Feed("\x1b\x1b"), (std::vector<InputEvent>{KeyPress{Key::Escape}}));
  EXPECT_EQ(decoder.Pause(), (std::vector<InputEvent>{KeyPress{Key::Escape}}));
  // Half a mouse report is kept, not taken for Escape.
  EXPECT_TRUE(decoder.Feed("\x1b[<0;3").empty());
  EXPECT_TRUE(decoder.Pause().empty());
  EXPECT_EQ(decoder.Feed(";4M"), (std::vector<InputEvent>{MouseClick{MouseButton::Left, 2, 3}}));
}

TEST(InputDecoderTest, TheMenuKeysArrowsEnterAndM) {
  EXPECT_EQ(Decode("m\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOD\r\n"),
            (std::vector<InputEvent>{KeyPress{Key::M}, KeyPress{Key::Up}, KeyPress{Key::Down},
                                     KeyPress{Key::Right}, KeyPress{Key::Left}, KeyPress{Key::Up},
                                     KeyPress{Key::Left}, KeyPress{Key::Enter},
                                     KeyPress{Key::Enter}}));
}

TEST(InputDecoderTest, MousePressesBecomeClicksOnZeroBasedCells) {
  EXPECT_EQ(Decode("\x1b[<0;12;5M"),
            (std::vector<InputEvent>{MouseClick{MouseButton::Left, 11, 4}}));
  EXPECT_EQ(Decode("\x1b[<2;1;1M\x1b[<1;300;99M"),
            (std::vector<InputEvent>{MouseClick{MouseButton::Right, 0, 0},
                                     MouseClick{MouseButton::Middle, 299, 98}}));
  // Shift, Alt and Ctrl held with the button do not change the click.
  EXPECT_EQ(Decode("\x1b[<20;3;4M"),
            (std::vector<InputEvent>{MouseClick{MouseButton::Left, 2, 3}}));
}

TEST(InputDecoderTest, ReleasesMotionWheelAndMalformedReportsAreIgnored) {
  EXPECT_TRUE(Decode("\x1b[<0;12;5m").empty());   // release
  EXPECT_TRUE(Decode("\x1b[<32;12;5M").empty());  // drag
  EXPECT_TRUE(Decode("\x1b[<64;12;5M").empty());  // wheel up
  EXPECT_TRUE(Decode("\x1b[<3;12;5M").empty());   // no button
  EXPECT_TRUE(Decode("\x1b[<0;0;5M").empty());
  EXPECT_TRUE(Decode("\x1b[<0;12M").empty());
  EXPECT_TRUE(Decode("\x1b[<0;12;5;7M").empty());
  EXPECT_TRUE(Decode("\x1b[<0;99999999999;5M").empty());
  EXPECT_TRUE(Decode("\x1b[<0:1;1M").empty());
}

TEST(InputDecoderTest, SequencesSplitAcrossReadsAreJoined) {
  const std::string bytes = "q\x1b[<0;40;12Mp";
  for (std::size_t split = 1; split < bytes.size(); ++split) {
    InputDecoder decoder;
    std::vector<InputEvent> events = decoder.Feed(std::string_view(bytes).substr(0, split));
    for (const InputEvent& event : decoder.Feed(std::string_view(bytes).substr(split))) {
      events.push_back(event);
    }
    EXPECT_EQ(events,
              (std::vector<InputEvent>{KeyPress{Key::Q}, MouseClick{MouseButton::Left, 39, 11},
                                       KeyPress{Key::P}}))
        << "split after byte " << split;
  }
}

TEST(InputDecoderTest, ByteByByteDeliveryDecodesTheSame) {
  InputDecoder decoder;
  std::vector<InputEvent> events;
  for (const char byte : std::string("\x1b[<0;2;3M \x1bOP2")) {
    for (const InputEvent& event : decoder.Feed(std::string_view(&byte, 1))) {
      events.push_back(event);
    }
  }
  EXPECT_EQ(events, (std::vector<InputEvent>{MouseClick{MouseButton::Left, 1, 2},
                                             KeyPress{Key::Space}, KeyPress{Key::Digit2}}));
}

TEST(InputDecoderTest, AnEndlessSequenceIsDroppedAndDecodingRecovers) {
  InputDecoder decoder;
  EXPECT_TRUE(decoder.Feed("\x1b[" + std::string(500, '1')).empty());
  EXPECT_EQ(decoder.Feed("q"), (std::vector<InputEvent>{KeyPress{Key::Q}}));
}

}  // namespace
