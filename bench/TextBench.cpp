// The rows of a text block, found from its start as the listing does when it shows the block's
// end: the table's decode against a straightforward longest-key decode by map lookups, in one
// run so that the ratio holds on whatever machine runs it. Then a redraw of the listing (40
// lines) at the end of an 8 MiB text block with the row starts kept across redraws, against the
// same redraw at the block's start and against one that decodes the block from its start.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "isa/Listing.h"
#include "model/TextRows.h"

namespace {

constexpr uint32_t kBlockSize = 8u * 1024 * 1024;

struct TextData {
  std::unique_ptr<Rom> rom = std::make_unique<Rom>();
  TextTable table;
  TextData() {
    rom->RomSize = kBlockSize;
    rom->BankCount = kBlockSize >> 14;
    // Forty glyphs from $80, a two-byte key, strings ended by $FF now and then.
    for (uint32_t i = 0; i < kBlockSize; ++i) {
      rom->RomImage[i] = static_cast<uint8_t>(i % 97 == 96 ? 0xFF : 0x80 + i % 40);
    }
    std::string text = "/FF\nF001=é\n";
    for (int i = 0; i < 40; ++i) {
      char line[16];
      std::snprintf(line, sizeof line, "%02X=%c\n", 0x80 + i, 'A' + i % 26);
      text += line;
    }
    TableSkips skips;
    table = ReadTableText(text, skips);
  }
};

const TextData& Data() {
  static const TextData data;
  return data;
}

// The end of the last row, every key looked up by its bytes, longest first.
uint32_t PlainLastRowEnd(const Rom& rom, const TextTable& table, uint32_t size) {
  std::unordered_map<std::string, const TableEntry*> byBytes;
  size_t longest = 0;
  for (const TableEntry& e : table.Entries()) {
    byBytes.emplace(std::string(e.Bytes.begin(), e.Bytes.end()), &e);
    longest = std::max(longest, e.Bytes.size());
  }
  uint32_t rowStart = 0;
  size_t chars = 0;
  for (uint32_t at = 0; at < size;) {
    const TableEntry* found = nullptr;
    for (size_t length = std::min<size_t>(longest, size - at); length > 0 && !found; --length) {
      const auto it =
          byBytes.find(std::string(reinterpret_cast<const char*>(&rom.RomImage[at]), length));
      if (it != byBytes.end()) found = it->second;
    }
    at += found ? static_cast<uint32_t>(found->Bytes.size()) : 1;
    chars += found && !found->Text.empty() ? CharCount(found->Text) : 5;
    if (chars >= kTextRowWidth || (found && found->Code == TableCode::End)) {
      rowStart = at;
      chars = 0;
    }
  }
  return rowStart;
}

void BM_TextRowsThroughTheTable(benchmark::State& state) {
  const TextData& d = Data();
  for (auto _ : state) {
    TextRowCursor cursor;
    benchmark::DoNotOptimize(TextRowEnd(*d.rom, d.table, 0, kBlockSize, kBlockSize - 1, cursor));
  }
  state.SetBytesProcessed(int64_t{state.iterations()} * kBlockSize);
}

void BM_TextRowsPlainLookups(benchmark::State& state) {
  const TextData& d = Data();
  for (auto _ : state) benchmark::DoNotOptimize(PlainLastRowEnd(*d.rom, d.table, kBlockSize));
  state.SetBytesProcessed(int64_t{state.iterations()} * kBlockSize);
}

BENCHMARK(BM_TextRowsThroughTheTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextRowsPlainLookups)->Unit(benchmark::kMillisecond);

constexpr int kRedrawLines = 40;
// The top line of a listing whose last lines are the block's last rows.
constexpr uint32_t kNearTheEnd = kBlockSize - 40 * 24;

void Redraw(benchmark::State& state, uint32_t at, bool keepStarts) {
  const TextData& d = Data();
  RomMarks marks;
  marks.Mark(0, kBlockSize, MarkKind::Text);
  const LabelTables labels;
  TextRowStarts starts;
  const ListingNotes notes = {&marks, nullptr, &d.table, keepStarts ? &starts : nullptr};
  // The first redraw after a change finds the starts; the ones that follow, scrolling, use them.
  BuildListing(*d.rom, labels, ValueFormat::Hex, at, kRedrawLines, notes);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        BuildListing(*d.rom, labels, ValueFormat::Hex, at, kRedrawLines, notes));
  }
}

void BM_RedrawAtTextBlockStart(benchmark::State& state) { Redraw(state, 0, true); }
void BM_RedrawAtTextBlockEnd(benchmark::State& state) { Redraw(state, kNearTheEnd, true); }
void BM_RedrawAtTextBlockEndFromItsStart(benchmark::State& state) {
  Redraw(state, kNearTheEnd, false);
}

BENCHMARK(BM_RedrawAtTextBlockStart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawAtTextBlockEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawAtTextBlockEndFromItsStart)->Unit(benchmark::kMicrosecond);

}  // namespace
