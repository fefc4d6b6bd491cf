// Assembling speed: a 10,000-line code-editor block, and single lines matched through the
// assembler's lookups against a plain scan of the instruction table.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "asm/Assembler.h"
#include "asm/BlockAssembler.h"
#include "asm/Operand.h"
#include "isa/InstructionTable.h"
#include "model/Failure.h"

namespace {

// Ten-line groups of typical code: a loop, calls forward, high-page and stack forms, data.
std::vector<std::string> MakeBlock(size_t lineCount) {
  std::vector<std::string> lines = {"org 01:4000"};
  size_t k = 0;
  for (; lines.size() + 11 <= lineCount; ++k) {
    const std::string here = "@L" + std::to_string(k);
    const std::string next = "@L" + std::to_string(k + 1);
    lines.insert(lines.end(), {here + ":", "ld a,$10", "dec a// count down", "jr nz," + here,
                               "call " + next, "ld [$FF00 + $44],a", "ld hl,sp + $05",
                               "add sp,-$08", "dw " + here, "jp " + here});
  }
  lines.push_back("@L" + std::to_string(k));
  while (lines.size() < lineCount) lines.push_back("nop");
  return lines;
}

const std::vector<std::string> kMix = {
    "ld a,b",         "bit 7,h",     "ld a,$3E", "jp $0150",    "ld [$FF00 + $44],a",
    "add sp,-$08",    "jr nz,$4120", "ld a,252", "ld hl,%1010", "call @Counter",
    "ld hl,sp + $05", "db $12",      "dw 4660",  "xor $10",     "ld [$C000],a"};

// The assembler's matching done the plain way: every step scans the table in order.
uint8_t AssembleByScan(Rom& rom, const LabelTables& labels, std::string_view text,
                       uint32_t offset) {
  auto store = [&](const uint8_t* bytes, uint8_t length) {
    for (uint8_t i = 0; i < length; ++i) rom.SetByte(offset + i, bytes[i]);
    return length;
  };
  if (text.size() >= 2 && text[0] == 'd' && (text[1] == 'b' || text[1] == 'w')) {
    return AssembleInstruction(rom, labels, text, offset);
  }
  for (size_t i = 0; i < 256; ++i) {
    const uint8_t base[] = {static_cast<uint8_t>(i)};
    if (text == AsmTable[i].Template) return store(base, 1);
    const uint8_t cb[] = {0xCB, static_cast<uint8_t>(i)};
    if (text == AsmTable[kCbBase + i].Template) return store(cb, 2);
  }
  auto withOperand = [&](size_t j) {
    const OperandBytes operand = EncodeOperand(labels, text, offset + 1, AsmTable[j].Kind);
    const uint8_t bytes[] = {static_cast<uint8_t>(j), operand.Bytes[0], operand.Bytes[1]};
    return store(bytes, static_cast<uint8_t>(1 + operand.Count));
  };
  for (int width : {2, 4, 3}) {
    const std::string form = MakeOperandTemplate(text, width);
    for (size_t j = 0; j < 256; ++j) {
      if (form == AsmTable[j].Template && (width != 3 || AsmTable[j].Kind == kAsmSigned)) {
        return withOperand(j);
      }
    }
  }
  throw ErrorFailure("unsupported");
}

LabelTables BenchLabels() {
  LabelTables labels;
  labels.AddRamLabel(0xC000, 0, "Counter");
  return labels;
}

void BM_AssembleBlock10000Lines(benchmark::State& state) {
  Rom rom;
  rom.RomSize = 8 * kBankSize;
  rom.BankCount = 8;
  const LabelTables labels;
  const std::vector<std::string> lines = MakeBlock(10000);
  for (auto _ : state) {
    AssembleBlock(rom, labels, lines, [](size_t) {});
    benchmark::DoNotOptimize(rom.RomImage.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_AssembleBlock10000Lines)->Unit(benchmark::kMillisecond);

void BM_AssembleInstruction(benchmark::State& state) {
  Rom rom;
  rom.RomSize = 0x8000;
  const LabelTables labels = BenchLabels();
  for (auto _ : state) {
    for (const std::string& text : kMix) {
      benchmark::DoNotOptimize(AssembleInstruction(rom, labels, text, 0x4100));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kMix.size()));
}
BENCHMARK(BM_AssembleInstruction);

void BM_AssembleInstructionByTableScan(benchmark::State& state) {
  Rom rom;
  rom.RomSize = 0x8000;
  const LabelTables labels = BenchLabels();
  for (auto _ : state) {
    for (const std::string& text : kMix) {
      benchmark::DoNotOptimize(AssembleByScan(rom, labels, text, 0x4100));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kMix.size()));
}
BENCHMARK(BM_AssembleInstructionByTableScan);

}  // namespace
