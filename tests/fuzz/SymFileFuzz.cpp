// Symbol files: the input is the file, for a ROM of 0 to 1023 banks. The lines cover the file
// and write it back byte for byte; the labels read lie in the ROM's banks or in RAM, the indexed
// lookups give the entries that going through the tables in order gives, and the label
// browser's tree and address texts can be built from any of them.

#include <map>

#include "FuzzCommon.h"
#include "isa/Decoder.h"
#include "model/BankAddress.h"
#include "model/SymbolFile.h"
#include "model/LabelTree.h"

namespace {

// The first and the last index of each key, found by going through a table once in order.
template <class Key>
using FirstLastOf = std::map<Key, std::pair<int32_t, int32_t>>;

template <class Key>
void Note(FirstLastOf<Key>& seen, const Key& key, size_t index) {
  const auto i = static_cast<int32_t>(index);
  auto [it, inserted] = seen.emplace(key, std::make_pair(i, i));
  if (!inserted) it->second.second = i;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  const uint32_t bankCount = TakeNumber(text, 2) & 0x3FF;
  static LabelTables labels;
  labels.Clear();
  RomMarks marks;
  RomComments comments;
  const SymbolFile file =
      ReadSymbolText(std::string(text), "game.sym", bankCount, {labels, marks, comments});
  // The lines that hold something, in the order of the text, each a whole line of it.
  FUZZ_CHECK(file.Text == text);
  size_t at = 0;
  for (const SymLine& line : file.Lines) {
    FUZZ_CHECK(line.Start >= at && line.Length > 0 && line.Start + line.Length <= text.size());
    FUZZ_CHECK(line.Start == 0 || text[line.Start - 1] == '\n' ||
               (line.Start == 3 && text.substr(0, 3) == "\xEF\xBB\xBF"));
    at = line.Start + line.Length;
  }
  FUZZ_CHECK(file.SkippedCount == 0 || !SkippedLinesText(file).empty());
  // Written back unchanged it is the same file; read again it holds the same.
  const auto written = ComposeSymbolFiles({&file}, 0, labels, marks, comments);
  FUZZ_CHECK(written.size() == 1 && written[0] == text);
  for (const MarkBlock& b : marks.Blocks()) FUZZ_CHECK(b.Length > 0 && b.End() <= (1u << 24));
  const auto& rom = labels.RomLabels();
  const auto& ram = labels.RamLabels();
  FirstLastOf<int32_t> romAt;
  FirstLastOf<std::string> romNamed, ramNamed;
  FirstLastOf<uint16_t> ramAt;
  for (size_t i = 0; i < rom.size(); ++i) {
    Note(romAt, rom[i].Offset, i);
    Note(romNamed, rom[i].Name, i);
  }
  for (size_t i = 0; i < ram.size(); ++i) {
    Note(ramAt, ram[i].Address, i);
    Note(ramNamed, ram[i].Name, i);
  }
  for (const RomLabel& l : rom) {
    FUZZ_CHECK(l.Offset >= 0 && BankOf(static_cast<uint32_t>(l.Offset)) <= bankCount);
    FUZZ_CHECK(labels.FirstRomLabelAt(l.Offset) == romAt[l.Offset].first);
    FUZZ_CHECK(labels.LastRomLabelAt(l.Offset) == romAt[l.Offset].second);
    FUZZ_CHECK(labels.FirstRomLabelNamed(l.Name) == romNamed[l.Name].first);
    FUZZ_CHECK(labels.LastRomLabelNamed(l.Name) == romNamed[l.Name].second);
    const uint16_t cpu = CpuAddress(static_cast<uint32_t>(l.Offset));
    for (uint32_t from : {0x100u, 0x4100u, static_cast<uint32_t>(l.Offset)}) {
      FUZZ_CHECK(LabelForValue(cpu, from, labels) == LabelForValueByScan(cpu, from, labels));
    }
    FUZZ_CHECK(!RomLabelAddressText(labels, l.Name).empty());
  }
  for (const RamLabel& l : ram) {
    FUZZ_CHECK(l.Address >= 0x8000);
    FUZZ_CHECK(labels.FirstRamLabelAt(l.Address) == ramAt[l.Address].first);
    FUZZ_CHECK(labels.FirstRamLabelNamed(l.Name) == ramNamed[l.Name].first);
    FUZZ_CHECK(labels.LastRamLabelNamed(l.Name) == ramNamed[l.Name].second);
    FUZZ_CHECK(LabelForValue(l.Address, 0, labels) == LabelForValueByScan(l.Address, 0, labels));
    FUZZ_CHECK(!RamLabelAddressText(labels, l.Name).empty());
  }
  BuildRomLabelTree(labels);
  BuildRamLabelTree(labels);
  return 0;
}
