#include "isa/Follow.h"

#include "isa/InstructionTable.h"
#include "model/BankAddress.h"

std::optional<uint32_t> FollowTarget(const Rom& rom, const LabelTables& labels, uint32_t offset) {
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t b1 = rom.Byte(int64_t{offset} + 1);
  uint16_t target = 0;
  if ((b0 & 0xC7) == 0xC7) {
    // rst n calls the fixed address n, in bank 0.
    return b0 & 0x38u;
  } else if (b0 == 0xCB) {
    return std::nullopt;
  } else if (DisasmTable[b0].Kind == kOperandWord) {
    target = static_cast<uint16_t>(b1 | (rom.Byte(int64_t{offset} + 2) << 8));
  } else if (DisasmTable[b0].Kind == kOperandRelative) {
    // The displacement counts from the end of the two-byte jr.
    target = static_cast<uint16_t>(CpuAddress(offset) + 2 + static_cast<int8_t>(b1));
  } else {
    return std::nullopt;
  }
  if (target >= 0x8000) return std::nullopt;
  if (target < 0x4000) return target;
  if (offset >= kBankSize) return BankOf(offset) * kBankSize + (target & 0x3FFFu);
  // From bank 0 any bank may be switched in: the one whose label the listing shows, the
  // first one otherwise.
  const int32_t label = labels.FirstBankedRomLabelAt(target);
  if (label != LabelTables::kNone) return static_cast<uint32_t>(labels.RomLabels()[label].Offset);
  return target;
}
