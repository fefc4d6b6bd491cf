#include "FuzzCommon.h"

#include <algorithm>

#include "asm/Assembler.h"
#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/SymbolFile.h"

uint32_t TakeNumber(std::string_view& input, size_t count) {
  uint32_t value = 0;
  for (size_t i = 0; i < count && i < input.size(); ++i) {
    value |= static_cast<uint32_t>(static_cast<uint8_t>(input[i])) << (8 * i);
  }
  input.remove_prefix(std::min(count, input.size()));
  return value;
}

Rom& ReusedRom(std::string_view bytes, uint32_t at, uint32_t bankCount, size_t cleared) {
  static Rom rom;
  std::fill_n(rom.RomImage.begin(), std::min(cleared, rom.RomImage.size()), uint8_t{0});
  const size_t count = std::min(bytes.size(), rom.RomImage.size() - at);
  std::copy_n(bytes.begin(), count, rom.RomImage.begin() + at);
  rom.RomSize = static_cast<uint32_t>(at + count);
  rom.BankCount = bankCount;
  return rom;
}

const LabelTables& GameLabels() {
  static const LabelTables labels = [] {
    LabelTables l;
    ReadSymbolLabels(l,
                "00:0000 Boot\n00:0005 Five\n00:0010 Sixteen\n00:0150 Start\n00:3FFF Last0\n"
                "01:4000 Bank1\n01:4010 Bank1.Loop\n02:4010 Bank2.Loop\n03:7FFF Last3\n"
                "00:8000 Vram\n00:C000 wCounter\n01:D000 wBanked\n00:FF44 rLY\n00:FF80 hTemp\n"
                "00:FFFF rIE\n",
                4);
    return l;
  }();
  return labels;
}

uint8_t CheckRoundTrip(const Rom& rom, uint32_t offset, const LabelTables& labels) {
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t b1 = rom.Byte(int64_t{offset} + 1);
  uint8_t length = 0;
  for (ValueFormat format : {ValueFormat::Dec, ValueFormat::Hex, ValueFormat::Bin}) {
    const DecodedInstruction d = DecodeInstruction(rom, offset, format, labels);
    FUZZ_CHECK(d.Length == InstructionLength(b0));
    length = d.Length;
    if (b0 != 0xCB && DisasmTable[b0].Template == "-") {
      FUZZ_CHECK(d.Text == "-");
      continue;
    }
    const uint8_t kind = b0 == 0xCB ? kOperandNone : DisasmTable[b0].Kind;
    if (kind == kOperandWord || kind == kOperandRelative) {
      const uint16_t value =
          kind == kOperandWord
              ? static_cast<uint16_t>(b1 | rom.Byte(int64_t{offset} + 2) << 8)
              : static_cast<uint16_t>(CpuAddress(offset) + 2 + static_cast<int8_t>(b1));
      const std::string label = LabelForValue(value, offset, labels);
      FUZZ_CHECK(label == LabelForValueByScan(value, offset, labels));
    }
    EncodedInstruction code;
    try {
      code = EncodeInstruction(labels, d.Text, offset);
    } catch (const Failure& f) {
      std::fprintf(stderr, "\"%s\" at %u does not assemble: %s\n", d.Text.c_str(), offset,
                   f.text.c_str());
      FUZZ_CHECK(!"a decoded text assembles");
    }
    FUZZ_CHECK(code.Bytes.size() == d.Length);
    for (uint8_t i = 0; i < d.Length; ++i) {
      if (code.Bytes[i] != rom.Byte(int64_t{offset} + i)) {
        std::fprintf(stderr, "\"%s\" at %u: byte %d is %02X, was %02X\n", d.Text.c_str(), offset,
                     i, code.Bytes[i], rom.Byte(int64_t{offset} + i));
        FUZZ_CHECK(!"the decoded text assembles to the same bytes");
      }
    }
  }
  return length;
}
