#include "model/Edit.h"

#include <algorithm>
#include <cstddef>

namespace {

using Span = RomJournal::Run;

// Puts the journal's runs back newest first, so every byte ends with the value it had before
// the first write to it.
void Unwind(std::vector<uint8_t>& image, const RomJournal& journal) {
  size_t end = journal.Old.size();
  for (auto run = journal.Runs.rbegin(); run != journal.Runs.rend(); ++run) {
    end -= run->Length;
    std::copy_n(journal.Old.begin() + static_cast<std::ptrdiff_t>(end), run->Length,
                image.begin() + run->Offset);
  }
}

// The ranges that the journal touched, ascending, overlapping and touching ones joined.
std::vector<Span> Touched(const RomJournal& journal) {
  std::vector<Span> runs = journal.Runs;
  std::sort(runs.begin(), runs.end(),
            [](const Span& a, const Span& b) { return a.Offset < b.Offset; });
  std::vector<Span> spans;
  for (const Span& run : runs) {
    if (!spans.empty() && run.Offset <= spans.back().Offset + spans.back().Length) {
      const uint32_t end =
          std::max(spans.back().Offset + spans.back().Length, run.Offset + run.Length);
      spans.back().Length = end - spans.back().Offset;
    } else {
      spans.push_back(run);
    }
  }
  return spans;
}

// The step between the image as the journal found it and as it is now. The touched ranges are
// read as they are, the journal is unwound to read them as they were, and they are put back.
EditStep StepFromJournal(Rom& rom, const RomJournal& journal, uint32_t oldSize) {
  EditStep step;
  step.OldSize = oldSize;
  step.NewSize = rom.RomSize;
  const std::vector<Span> spans = Touched(journal);
  std::vector<uint8_t> now;
  for (const Span& span : spans) {
    now.insert(now.end(), rom.RomImage.begin() + span.Offset,
               rom.RomImage.begin() + span.Offset + span.Length);
  }
  Unwind(rom.RomImage, journal);
  auto after = now.begin();
  for (const Span& span : spans) {
    for (uint32_t offset = span.Offset; offset < span.Offset + span.Length; ++offset, ++after) {
      const uint8_t before = rom.RomImage[offset];
      if (before == *after) continue;
      if (!step.Runs.empty() && step.Runs.back().Offset + step.Runs.back().Length == offset) {
        ++step.Runs.back().Length;
      } else {
        step.Runs.push_back({offset, 1});
      }
      step.OldBytes.push_back(before);
      step.NewBytes.push_back(*after);
    }
    std::copy(after - span.Length, after, rom.RomImage.begin() + span.Offset);
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
  RomJournal journal;
  RomJournal* const outer = rom.Journal;
  const uint32_t oldSize = rom.RomSize;
  const uint32_t oldBanks = rom.BankCount;
  auto leave = [&] {
    rom.Journal = outer;
    if (!outer) return;
    size_t at = 0;
    for (const Span& run : journal.Runs) {
      outer->Note(run.Offset, journal.Old.data() + at, run.Length);
      at += run.Length;
    }
  };
  rom.Journal = &journal;
  try {
    command();
  } catch (...) {
    Unwind(rom.RomImage, journal);
    rom.RomSize = oldSize;
    rom.BankCount = oldBanks;
    leave();
    throw;
  }
  leave();
  return StepFromJournal(rom, journal, oldSize);
}

void ApplyEdit(Rom& rom, const EditStep& step) {
  PutBytes(rom, step, step.NewBytes, step.NewSize);
}

void RevertEdit(Rom& rom, const EditStep& step) {
  PutBytes(rom, step, step.OldBytes, step.OldSize);
}
