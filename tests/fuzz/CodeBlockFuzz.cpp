// A whole code-editor block (the input's lines) assembled into a four-bank ROM with a symbol
// file's labels. A block that fails writes nothing, and names a line of the block; a block that
// reports no store leaves the image as it was; nothing is ever written past the ROM's end.

#include <algorithm>
#include <vector>

#include "FuzzCommon.h"
#include "asm/BlockAssembler.h"
#include "model/Failure.h"
#include "model/SourceFile.h"

namespace {

constexpr uint32_t kBanks = 4;
// Blocks of more lines are not tried, so that the bytes a block can reach stay within bounds.
constexpr size_t kMaxLines = 1 << 16;

// The ROM's bytes before any block: a pattern over the banks, zero after them, as far as a
// block can write: an org names at most the bank after the last one, and from there each line
// adds up to 3 bytes.
const std::vector<uint8_t>& Original() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> b((kBanks + 1) * kBankSize + 3 * kMaxLines + 3, 0);
    for (size_t i = 0; i < kBanks * kBankSize; ++i) b[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    return b;
  }();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t>& original = Original();
  static Rom& rom = [&original]() -> Rom& {
    Rom& r = ReusedRom({}, 0, kBanks, 0);
    std::copy(original.begin(), original.end(), r.RomImage.begin());
    r.RomSize = kBanks * kBankSize;
    return r;
  }();
  const std::vector<std::string> lines = SplitLines(AsText(data, size));
  if (lines.size() > kMaxLines) return 0;
  const size_t reach = (kBanks + 1) * kBankSize + 3 * lines.size() + 3;

  size_t announced = lines.size();
  bool failed = false;
  bool stored = false;
  try {
    stored = AssembleBlock(rom, GameLabels(), lines, [&](size_t i) { announced = i; });
  } catch (const Failure&) {
    failed = true;
  } catch (const RunTimeError&) {
    failed = true;
  }
  if (failed) FUZZ_CHECK(announced < lines.size());
  if (failed || !stored) {
    FUZZ_CHECK(std::equal(original.begin(), original.begin() + reach, rom.RomImage.begin()));
  } else {
    FUZZ_CHECK(std::equal(original.begin() + rom.RomSize, original.begin() + reach,
                          rom.RomImage.begin() + rom.RomSize));
    std::copy(original.begin(), original.begin() + rom.RomSize, rom.RomImage.begin());
  }
  return 0;
}
