#include "model/RomChange.h"

#include <algorithm>
#include <utility>

#include "model/ByteRuns.h"

namespace {

// Equal bytes between two differences that still ride along in one run. A run of its own costs
// an allocation here, a journal entry and a stretch of the undo step's scan: more than copying a
// few hundred bytes, which the undo step drops again as unchanged.
constexpr size_t kJoinGap = 256;

}  // namespace

RomChange DiffRom(const Rom& rom, std::span<const uint8_t> target) {
  RomChange change;
  const size_t size = std::min<size_t>(target.size(), kRomCapacity);
  change.NewSize = static_cast<uint32_t>(size);
  const size_t common = std::min<size_t>(size, rom.RomSize);
  // The runs as [start, end), closer ones joined; every byte past `common` differs.
  std::vector<std::pair<size_t, size_t>> runs;
  auto add = [&](size_t start, size_t end) {
    if (!runs.empty() && start - runs.back().second < kJoinGap) {
      runs.back().second = end;
    } else {
      runs.emplace_back(start, end);
    }
  };
  ForEachDifferingRun(rom.RomImage.data(), target.data(), common, add);
  if (size > common) add(common, size);
  change.Runs.reserve(runs.size());
  for (const auto& [start, end] : runs) {
    change.Runs.push_back(
        {static_cast<uint32_t>(start),
         std::vector<uint8_t>(target.begin() + static_cast<std::ptrdiff_t>(start),
                              target.begin() + static_cast<std::ptrdiff_t>(end))});
  }
  return change;
}

void ApplyRomChange(Rom& rom, const RomChange& change) {
  // Runs that do not overlap are stored in rising order, whatever order they came in: the same
  // bytes result, and the journal then holds the old bytes in the order an undo step keeps them.
  std::vector<const ByteRun*> order;
  order.reserve(change.Runs.size());
  for (const ByteRun& run : change.Runs) order.push_back(&run);
  const auto byOffset = [](const ByteRun* a, const ByteRun* b) { return a->Offset < b->Offset; };
  if (!std::is_sorted(order.begin(), order.end(), byOffset)) {
    std::vector<const ByteRun*> sorted = order;
    std::stable_sort(sorted.begin(), sorted.end(), byOffset);
    const bool apart =
        std::adjacent_find(sorted.begin(), sorted.end(), [](const ByteRun* a, const ByteRun* b) {
          return b->Offset < a->Offset + a->Length();
        }) == sorted.end();
    if (apart) order = std::move(sorted);
  }
  if (rom.Journal) {
    // The journal takes the old bytes of the whole change: room for them at once.
    size_t total = 0;
    for (const ByteRun& run : change.Runs) total += run.Repeat != 0 ? 1 : run.Bytes.size();
    rom.Journal->Old.reserve(rom.Journal->Old.size() + total);
    rom.Journal->Runs.reserve(rom.Journal->Runs.size() + change.Runs.size());
  }
  const uint32_t oldSize = rom.RomSize;
  for (const ByteRun* run : order) {
    if (run->Offset >= kRomCapacity) continue;
    const uint32_t n =
        static_cast<uint32_t>(std::min<size_t>(run->Length(), kRomCapacity - run->Offset));
    if (rom.Journal) {
      // A ROM grown by megabytes writes them over the zeros past its end: no need to read them.
      const uint32_t inside = run->Offset >= oldSize ? 0 : std::min(n, oldSize - run->Offset);
      if (inside > 0) rom.Journal->Note(run->Offset, rom.RomImage.data() + run->Offset, inside);
      if (n > inside) {
        rom.Journal->NoteFill(run->Offset + inside, n - inside, 0);
        // What is written there is one value too: the undo step need not read it back.
        rom.Journal->Runs.back().NewFill = run->Repeat != 0;
      }
    }
    if (run->Repeat != 0) {
      std::fill_n(rom.RomImage.begin() + run->Offset, n, run->Bytes.at(0));
    } else {
      std::copy_n(run->Bytes.begin(), n, rom.RomImage.begin() + run->Offset);
    }
  }
  if (change.NewSize < oldSize) {
    const uint32_t cut = oldSize - change.NewSize;
    if (rom.Journal) rom.Journal->Note(change.NewSize, rom.RomImage.data() + change.NewSize, cut);
    std::fill_n(rom.RomImage.begin() + change.NewSize, cut, 0);
  }
  rom.RomSize = change.NewSize;
  rom.BankCount = change.NewSize >> 14;
}
