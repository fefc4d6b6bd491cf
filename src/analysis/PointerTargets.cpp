#include "analysis/PointerTargets.h"

#include <algorithm>

#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/PointerTable.h"

bool PlausibleRoutine(const std::vector<uint8_t>& image, const RomMarks& marks, uint32_t offset) {
  const auto size = static_cast<uint32_t>(image.size());
  const uint32_t bankEnd = std::min(size, (BankOf(offset) + 1) * kBankSize);
  for (uint32_t pos = offset; pos < bankEnd && pos - offset < 1024;) {
    const uint8_t b0 = image[pos];
    // D9 is reti on the GameBoy, although the listing shows it as no instruction.
    if (b0 != 0xCB && b0 != 0xD9 && DisasmTable[b0].Template == "-") return false;
    const uint32_t end = pos + InstructionLength(b0);
    if (end > bankEnd) return false;
    for (uint32_t i = pos; i < end; ++i) {
      const MarkBlock* block = marks.BlockAt(i);
      if (block != nullptr && block->Kind != MarkKind::Code) return false;
    }
    // ret, reti, jp, jr, jp hl: the routine ends (or goes on elsewhere).
    if (b0 == 0xC9 || b0 == 0xD9 || b0 == 0xC3 || b0 == 0x18 || b0 == 0xE9) return true;
    pos = end;
  }
  return false;
}

TableTargets PointerTableTargets(const std::vector<uint8_t>& image, const RomMarks& marks) {
  TableTargets out;
  const auto size = static_cast<uint32_t>(image.size());
  for (const MarkBlock& table : marks.Blocks()) {
    if (table.Kind != MarkKind::Pointers) continue;
    std::vector<uint32_t> targets;
    size_t routines = 0;
    for (const PointerEntry& e : PointerEntries(image.data(), size, table)) {
      Reference ref{e.At, e.Target >= 0 ? static_cast<uint32_t>(e.Target) : e.Address,
                    RefKind::Pointer, RefSpace::Rom};
      if (e.Target < 0) {
        ref.Space = e.Address >= 0x8000   ? RefSpace::Ram
                    : e.Address >= 0x4000 ? RefSpace::UnknownBank
                                          : RefSpace::Rom;
        // A word that reaches past the ROM's end leads nowhere.
        if (ref.Space == RefSpace::Rom) continue;
      } else {
        targets.push_back(ref.Target);
        if (PlausibleRoutine(image, marks, ref.Target)) ++routines;
      }
      out.Refs.push_back(ref);
    }
    if (routines * 2 > targets.size()) {
      for (uint32_t target : targets) out.Entries.push_back({target, table.Offset});
    }
  }
  return out;
}
