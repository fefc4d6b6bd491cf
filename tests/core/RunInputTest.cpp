// The buttons of a headless run: input scripts read into frame ranges, and random play.

#include "run/RunInput.h"

#include <gtest/gtest.h>

#include "TestRom.h"
#include "run/Emulator.h"

TEST(RunInputTest, ScriptsReadIntoRangesOrAreRefusedByLine) {
  const struct {
    const char* text;
    std::vector<InputRange> ranges;
    const char* error;
  } rows[] = {
      {"0-59 start\n60-300 right a\n", {{0, 59, kButtonStart}, {60, 300, kButtonRight | kButtonA}}, ""},
      {"# title\n\n  7 B Select  # one frame\r\n", {{7, 7, kButtonB | kButtonSelect}}, ""},
      {"5-9\n", {{5, 9, 0}}, ""},
      {"0-9 a\n10-5 b\n", {}, "line 2: the range 10-5 ends before it starts."},
      {"a 0-9\n", {}, "line 1: 'a' is no frame or range of frames (0-59)."},
      {"0- a\n", {}, "line 1: '0-' is no frame or range of frames (0-59)."},
      {"1234567890 a\n", {}, "line 1: '1234567890' is no frame or range of frames (0-59)."},
      {"0-9 jump\n", {}, "line 1: 'jump' is no button (a b select start up down left right)."},
  };
  for (const auto& row : rows) {
    if (*row.error) {
      EXPECT_EQ(FailureText([&] { ReadInputScript(row.text); }), row.error) << row.text;
    } else {
      EXPECT_EQ(ReadInputScript(row.text), row.ranges) << row.text;
    }
  }
  // Overlapping ranges add up, frame by frame.
  RunInput input(ReadInputScript("0-2 a\n2-3 b\n"));
  const uint8_t expected[] = {kButtonA, kButtonA, kButtonA | kButtonB, kButtonB, 0};
  for (uint8_t buttons : expected) EXPECT_EQ(input.Next(), buttons);
}

TEST(RunInputTest, RandomPlayRepeatsForASeedAndReleasesBetweenTaps) {
  const auto play = [](uint32_t seed) {
    RunInput input(seed);
    std::vector<uint8_t> frames(3600);
    for (uint8_t& buttons : frames) buttons = input.Next();
    return frames;
  };
  const std::vector<uint8_t> one = play(1);
  EXPECT_EQ(play(1), one);
  EXPECT_NE(play(2), one);
  int presses = 0;
  for (size_t i = 1; i < one.size(); ++i) {
    const uint8_t taps = kButtonA | kButtonB | kButtonStart;
    if ((one[i] & taps) && !(one[i - 1] & taps)) ++presses;
    // A tap never changes straight into another: the game sees each press.
    if ((one[i] & taps) && (one[i - 1] & taps)) EXPECT_EQ(one[i] & taps, one[i - 1] & taps);
    EXPECT_FALSE(one[i] & kButtonSelect);
  }
  EXPECT_GT(presses, 100);
}
