#include "model/RomChange.h"

#include <algorithm>

RomChange DiffRom(const Rom& rom, std::span<const uint8_t> target) {
  RomChange change;
  const size_t size = std::min<size_t>(target.size(), kRomCapacity);
  change.NewSize = static_cast<uint32_t>(size);
  const size_t common = std::min<size_t>(size, rom.RomSize);
  const uint8_t* old = rom.RomImage.data();
  size_t i = 0;
  while (i < common) {
    if (old[i] == target[i]) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < common && old[i] != target[i]) ++i;
    change.Runs.push_back({static_cast<uint32_t>(start),
                           std::vector<uint8_t>(target.begin() + start, target.begin() + i)});
  }
  if (size > common) {
    change.Runs.push_back({static_cast<uint32_t>(common),
                           std::vector<uint8_t>(target.begin() + common, target.begin() + size)});
  }
  return change;
}

void ApplyRomChange(Rom& rom, const RomChange& change) {
  for (const ByteRun& run : change.Runs) {
    if (run.Offset >= kRomCapacity) continue;
    const size_t n = std::min<size_t>(run.Bytes.size(), kRomCapacity - run.Offset);
    if (rom.Journal) {
      rom.Journal->Note(run.Offset, rom.RomImage.data() + run.Offset, static_cast<uint32_t>(n));
    }
    std::copy_n(run.Bytes.begin(), n, rom.RomImage.begin() + run.Offset);
  }
  rom.RomSize = change.NewSize;
  rom.BankCount = change.NewSize >> 14;
}
