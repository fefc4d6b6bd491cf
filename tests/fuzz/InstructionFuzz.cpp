// One line of assembler, as the change-instruction dialog takes it, at a place in or past the end
// of a four-bank ROM with a symbol file's labels. A line whose bytes fit in the ROM stores
// exactly the bytes it encodes to and nothing else, and those bytes decode to a text that
// assembles to them again; a refused line stores nothing.

#include <algorithm>

#include "FuzzCommon.h"
#include "asm/Assembler.h"
#include "model/Failure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  const uint32_t offset = TakeNumber(text, 2) + (TakeNumber(text, 1) & 3) * 0x4000;
  const LabelTables& labels = GameLabels();
  Rom& rom = ReusedRom({}, 0, 4, 0);
  rom.RomSize = 0x10000;

  EncodedInstruction code;
  bool encoded = true;
  try {
    code = EncodeInstruction(labels, text, offset);
  } catch (const Failure&) {
    encoded = false;
  }
  // A byte that no line writes, around the place, to see what was stored.
  constexpr uint8_t kUntouched = 0xD3;
  const size_t around = code.Bytes.size() + 2;
  for (uint32_t i = 0; i < around; ++i) rom.SetByte(int64_t{offset} - 1 + i, kUntouched);
  size_t stored = 0;
  const bool fits = encoded && offset + code.Bytes.size() <= rom.RomSize;
  try {
    stored = AssembleInstruction(rom, labels, text, offset);
    FUZZ_CHECK(fits && stored == code.Bytes.size() && stored >= 1);
  } catch (const Failure&) {
    FUZZ_CHECK(!fits);
  }
  FUZZ_CHECK(rom.Byte(int64_t{offset} - 1) == kUntouched || offset == 0);
  for (uint32_t i = 0; i + 1 < around; ++i) {
    const uint8_t expected = i < stored ? code.Bytes[i] : kUntouched;
    FUZZ_CHECK(rom.Byte(int64_t{offset} + i) == expected);
  }
  if (stored) CheckRoundTrip(rom, offset, labels);
  for (uint32_t i = 0; i < around; ++i) rom.SetByte(int64_t{offset} - 1 + i, 0);
  return 0;
}
