#include "run/RunInput.h"

#include <cctype>
#include <sstream>

#include "model/Failure.h"
#include "run/Emulator.h"

namespace {

uint8_t ButtonNamed(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const std::pair<const char*, uint8_t> kNames[] = {
      {"a", kButtonA},        {"b", kButtonB},       {"select", kButtonSelect},
      {"start", kButtonStart}, {"up", kButtonUp},     {"down", kButtonDown},
      {"left", kButtonLeft},  {"right", kButtonRight},
  };
  for (const auto& [text, bit] : kNames) {
    if (name == text) return bit;
  }
  return 0;
}

// A frame number: decimal digits only, at most 9 of them.
bool ReadFrame(const std::string& text, uint32_t& frame) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  frame = static_cast<uint32_t>(std::stoul(text));
  return true;
}

}  // namespace

std::vector<InputRange> ReadInputScript(const std::string& text) {
  std::vector<InputRange> ranges;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const auto fail = [&](const std::string& why) {
      throw ErrorFailure("line " + std::to_string(number) + ": " + why);
    };
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string frames;
    if (!(words >> frames)) continue;
    InputRange range;
    const size_t dash = frames.find('-');
    if (!ReadFrame(frames.substr(0, dash), range.First) ||
        !ReadFrame(dash == std::string::npos ? frames.substr(0, dash) : frames.substr(dash + 1),
                   range.Last)) {
      fail("'" + frames + "' is no frame or range of frames (0-59).");
    }
    if (range.Last < range.First) fail("the range " + frames + " ends before it starts.");
    for (std::string name; words >> name;) {
      const uint8_t bit = ButtonNamed(name);
      if (bit == 0) {
        fail("'" + name + "' is no button (a b select start up down left right).");
      }
      range.Buttons |= bit;
    }
    ranges.push_back(range);
  }
  return ranges;
}

uint8_t RunInput::Next() {
  const uint32_t frame = frame_++;
  if (!random_) {
    uint8_t buttons = 0;
    for (const InputRange& r : ranges_) {
      if (frame >= r.First && frame <= r.Last) buttons |= r.Buttons;
    }
    return buttons;
  }
  // A direction (or none) is held for a quarter to two seconds.
  if (directionLeft_ == 0) {
    static constexpr uint8_t kDirections[] = {0, kButtonUp, kButtonDown, kButtonLeft, kButtonRight};
    direction_ = kDirections[engine_() % 5];
    directionLeft_ = 15 + engine_() % 105;
  }
  --directionLeft_;
  // A button is pressed for a few frames and released for at least as long, so that the game
  // sees each press: A most often, then B, now and then Start.
  if (tapLeft_ > 0) {
    --tapLeft_;
  } else if (pauseLeft_ > 0) {
    tap_ = 0;
    --pauseLeft_;
  } else {
    const uint32_t pick = engine_() % 16;
    tap_ = pick < 6 ? kButtonA : pick < 9 ? kButtonB : pick < 10 ? kButtonStart : 0;
    tapLeft_ = 3 + engine_() % 4;
    pauseLeft_ = 4 + engine_() % 12;
  }
  return direction_ | tap_;
}
