#pragma once
// The buttons of a headless run, frame by frame: from an input script, or seeded random play.
//
// An input script holds one line per range of frames: `FIRST-LAST buttons...` or `FRAME
// buttons...`, frames counted from 0, buttons among a b select start up down left right (any
// case). `0-59 start` holds Start for the first second. Ranges may overlap (their buttons add up);
// `#` starts a comment; blank lines are skipped.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct InputRange {
  uint32_t First = 0, Last = 0;
  uint8_t Buttons = 0;  // EmulatorButton bits
  bool operator==(const InputRange&) const = default;
};

// Reads an input script. Throws an error Failure naming the line ("line 3: ...").
std::vector<InputRange> ReadInputScript(const std::string& text);

// Where the buttons come from: a script, or random play from a seed.
class RunInput {
 public:
  explicit RunInput(std::vector<InputRange> ranges) : ranges_(std::move(ranges)) {}
  // Random play: taps of A, B and Start, and directions held for a while. The same seed gives
  // the same buttons.
  explicit RunInput(uint32_t seed) : random_(true), engine_(seed) {}

  // The buttons of the next frame (frames are asked for in order from 0).
  uint8_t Next();

 private:
  std::vector<InputRange> ranges_;
  bool random_ = false;
  std::mt19937 engine_;
  uint32_t frame_ = 0;
  uint8_t direction_ = 0, tap_ = 0;
  uint32_t directionLeft_ = 0, tapLeft_ = 0, pauseLeft_ = 0;
};
