// Decoding at every offset of a small ROM of 0 to 40 bytes (the input), in bank 0 and again at
// the very end of the image buffer, with a symbol file's labels: every decoded text assembles
// back to its bytes (see CheckRoundTrip for the texts that cannot), and the listing over the
// ROM holds one offset per line, each instruction at the offset the previous one ends at.

#include "FuzzCommon.h"
#include "isa/Listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = AsText(data, std::min<size_t>(size, 40));
  const LabelTables& labels = GameLabels();
  static bool atEndUsed = false;
  for (const bool atEnd : {false, true}) {
    const uint32_t at = atEnd ? kRomCapacity - static_cast<uint32_t>(bytes.size()) : 0;
    Rom& rom = ReusedRom(bytes, at, 0x400, 64);
    if (atEndUsed) std::fill(rom.RomImage.end() - 64, rom.RomImage.end(), uint8_t{0});
    atEndUsed = atEnd;
    for (uint32_t offset = at; offset < rom.RomSize; ++offset) CheckRoundTrip(rom, offset, labels);

    const Listing listing = BuildListing(rom, labels, ValueFormat::Hex, at, 48);
    FUZZ_CHECK(listing.Lines.size() == listing.LineOffsets.size());
    int64_t next = at;
    for (size_t i = 0; i < listing.Lines.size(); ++i) {
      FUZZ_CHECK(listing.LineOffsets[i] == next);
      if (!listing.Lines[i].IsLabel) next += InstructionLength(rom.Byte(next));
    }
  }
  return 0;
}
