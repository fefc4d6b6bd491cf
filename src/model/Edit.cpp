#include "model/Edit.h"

#include <algorithm>

namespace {

// The journal's first note for an offset holds the byte from before the command; the image holds
// the byte after it.
EditStep StepFromWrites(const Rom& rom, std::vector<RomWrite>& writes, uint32_t oldSize) {
  std::stable_sort(writes.begin(), writes.end(),
                   [](const RomWrite& a, const RomWrite& b) { return a.Offset < b.Offset; });
  EditStep step;
  step.OldSize = oldSize;
  step.NewSize = rom.RomSize;
  for (size_t i = 0; i < writes.size();) {
    const RomWrite first = writes[i];
    while (i < writes.size() && writes[i].Offset == first.Offset) ++i;
    const uint8_t now = rom.RomImage[first.Offset];
    if (now == first.Old) continue;
    if (!step.Runs.empty() && step.Runs.back().Offset + step.Runs.back().Length == first.Offset) {
      ++step.Runs.back().Length;
    } else {
      step.Runs.push_back({first.Offset, 1});
    }
    step.OldBytes.push_back(first.Old);
    step.NewBytes.push_back(now);
  }
  // A step may live on an undo stack for the rest of the session: no spare capacity.
  step.Runs.shrink_to_fit();
  step.OldBytes.shrink_to_fit();
  step.NewBytes.shrink_to_fit();
  return step;
}

void PutBytes(Rom& rom, const EditStep& step, const std::vector<uint8_t>& bytes, uint32_t size) {
  auto from = bytes.begin();
  for (const EditRun& run : step.Runs) {
    std::copy_n(from, run.Length, rom.RomImage.begin() + run.Offset);
    from += run.Length;
  }
  if (step.OldSize != step.NewSize) {
    rom.RomSize = size;
    rom.BankCount = size / kBankSize;
  }
}

}  // namespace

uint32_t EditStep::FirstOffset() const {
  return Runs.empty() ? std::min(OldSize, NewSize) : Runs.front().Offset;
}

EditStep RecordEdit(Rom& rom, const std::function<void()>& command) {
  std::vector<RomWrite> writes;
  std::vector<RomWrite>* const outer = rom.Journal;
  const uint32_t oldSize = rom.RomSize;
  const uint32_t oldBanks = rom.BankCount;
  auto leave = [&] {
    rom.Journal = outer;
    if (outer) outer->insert(outer->end(), writes.begin(), writes.end());
  };
  rom.Journal = &writes;
  try {
    command();
  } catch (...) {
    // Newest first, so a byte written twice ends with the value it had before the command.
    for (auto it = writes.rbegin(); it != writes.rend(); ++it) rom.RomImage[it->Offset] = it->Old;
    rom.RomSize = oldSize;
    rom.BankCount = oldBanks;
    leave();
    throw;
  }
  leave();
  return StepFromWrites(rom, writes, oldSize);
}

void ApplyEdit(Rom& rom, const EditStep& step) {
  PutBytes(rom, step, step.NewBytes, step.NewSize);
}

void RevertEdit(Rom& rom, const EditStep& step) {
  PutBytes(rom, step, step.OldBytes, step.OldSize);
}
