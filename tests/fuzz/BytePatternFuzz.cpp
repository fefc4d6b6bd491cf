// Byte-search texts, then the search itself: the first line is the text, the rest a small ROM.
// A pattern that reads is found exactly where a plain scan finds it, and it reads the same when
// written back in hexadecimal.

#include <vector>

#include "FuzzCommon.h"
#include "model/Failure.h"
#include "model/NumberText.h"
#include "search/ByteSearch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = AsText(data, size);
  const int32_t start = static_cast<int8_t>(TakeNumber(input, 1));
  const size_t lineEnd = std::min(input.find('\n'), input.size());
  const std::string_view text = input.substr(0, lineEnd);
  const std::string_view romBytes = input.substr(std::min(lineEnd + 1, input.size()));
  static size_t used = 0;
  const Rom& rom = ReusedRom(romBytes, 0, 0, used);
  used = romBytes.size();

  std::vector<uint8_t> pattern;
  try {
    pattern = ParseBytePattern(text);
  } catch (const ConversionError&) {
    return 0;
  }
  int32_t expected = -1;
  for (int64_t at = std::max(start, 0); at + int64_t(pattern.size()) <= rom.RomSize; ++at) {
    bool match = true;
    for (size_t i = 0; i < pattern.size() && match; ++i) match = rom.Byte(at + i) == pattern[i];
    if (match) {
      expected = static_cast<int32_t>(at);
      break;
    }
  }
  FUZZ_CHECK(FindBytes(rom, start, pattern) == expected);
  FUZZ_CHECK(SearchBytes(rom, start, text) == expected);

  std::string hex = "$";
  for (size_t i = 0; i < pattern.size(); ++i) hex += (i ? " " : "") + IntToHex(pattern[i], 2);
  if (!pattern.empty()) FUZZ_CHECK(ParseBytePattern(hex) == pattern);
  return 0;
}
