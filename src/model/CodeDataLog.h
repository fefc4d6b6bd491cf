#pragma once
// What a running game did with each ROM byte: executed it, read it as data, jumped or called to
// it. One flag byte per ROM byte, by file offset; the low four bits are the ones a Mesen2-layout
// .cdl file holds, so a log reads and writes without translation. Several runs merge by OR.

#include <cstdint>
#include <vector>

constexpr uint8_t kLogCode = 0x01;        // a byte of an executed instruction
constexpr uint8_t kLogData = 0x02;        // read as data
constexpr uint8_t kLogJumpTarget = 0x04;  // an instruction that a jump landed on (first byte only)
constexpr uint8_t kLogSubEntry = 0x08;    // the target of a call or rst (first byte only)
// The first byte of an executed instruction, where the log knows it (our own runs, BizHawk's
// ExecFirst). Mesen2's layout has no such flag: it is never written to a .cdl.
constexpr uint8_t kLogStart = 0x10;
constexpr uint8_t kLogFileFlags = kLogCode | kLogData | kLogJumpTarget | kLogSubEntry;

struct CodeDataLog {
  std::vector<uint8_t> Flags;  // one per ROM byte; empty when no log is loaded

  bool Empty() const { return Flags.empty(); }
  uint8_t At(uint32_t offset) const { return offset < Flags.size() ? Flags[offset] : 0; }
};
