#pragma once
// How much of each bank the trace found to be code, and how much is marked data or text or is
// still unknown: the figures of the Rom Map and of velmora-cli map.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Trace.h"

struct BankCoverage {
  uint32_t Bank = 0;
  uint32_t Code = 0;  // instruction starts and their operand bytes
  uint32_t Data = 0;  // image and pointer bytes too
  uint32_t Text = 0;
  uint32_t Unknown = 0;
  uint32_t Size() const { return Code + Data + Text + Unknown; }
  bool operator==(const BankCoverage&) const = default;
};

// One entry per bank the ROM touches (a partial last bank included), then none for the rest.
std::vector<BankCoverage> CoverageByBank(const Trace& trace);
// The sums over all banks (Bank is the number of banks).
BankCoverage TotalCoverage(const std::vector<BankCoverage>& banks);

// The bank cut into `slices` equal parts, for each the class most of its bytes have (code for
// operand bytes too; a tie goes to code, then data, text, image, pointers, unknown). Parts past
// the ROM's end are unknown.
std::vector<ByteClass> BankStrip(const Trace& trace, uint32_t bank, int slices);

// A byte's class and why it has it, as the status bar says it of the selected line: "code,
// traced from 00:0150", "data, your mark", "unknown".
std::string ClassAndReason(const Trace& trace, uint32_t offset);

// What the Rom Map's tooltip says of one byte: its bank address, its class and why, and for an
// operand byte the instruction that holds it:
// "01:4A11 code, traced from 00:0150 (in the instruction at 01:4A10)".
std::string PlaceSummary(const Trace& trace, uint32_t offset);

// The table velmora-cli map prints: a header line, one line per bank with each class's share,
// and a last line for the whole ROM with the byte counts.
std::string CoverageTable(const std::vector<BankCoverage>& banks);

// One line per run of bytes of one class within a bank: "00:0150 00:01A2 code traced from
// 00:0100" (first and last byte, the class as ClassName gives it, the reason of the run's first
// byte; a byte without a reason ends the line after its class).
std::string ClassRanges(const Trace& trace);
