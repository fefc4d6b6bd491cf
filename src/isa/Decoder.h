#pragma once
// Turns the bytes at a file offset into one instruction's text and length, with operand values
// in the chosen format and label names in place of known addresses.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/Labels.h"
#include "model/Rom.h"

enum class ValueFormat : uint8_t { Dec = 0, Hex = 1, Bin = 2 };

struct DecodedInstruction {
  std::string Text;
  uint8_t Length;  // 1 to 3
};

// "62", "$3E", "%111110" for a byte; "$0150" (four digits) for a word.
std::string FormatByte(uint8_t value, ValueFormat format);
std::string FormatWord(uint16_t value, ValueFormat format);

// The label to show for a 16-bit operand of the instruction at `offset`, or empty text:
// "@Name" for a RAM label or a ROM label seen from bank 0 (or in bank 0), the bare name for a
// label in the instruction's own switchable bank.
std::string LabelForValue(uint16_t value, uint32_t offset, const LabelTables& labels);

// The same answer by scanning the tables in order; the reference that tests and benchmarks
// compare the indexed lookup with.
std::string LabelForValueByScan(uint16_t value, uint32_t offset, const LabelTables& labels);

// The ROM offsets and RAM addresses that some label names, one bit each: a walk over a whole ROM
// asks it before the label lookup of an operand, so that the many operands that name no label
// cost a bit test instead of a lookup. It only filters: a set bit still goes to the tables.
class RomLabelMap {
 public:
  explicit RomLabelMap(const LabelTables& labels);
  bool Has(int32_t offset) const {
    const auto at = static_cast<uint32_t>(offset);
    return at / 64 < bits_.size() && (bits_[at / 64] >> (at & 63) & 1) != 0;
  }
  // 8000-FFFF.
  bool HasRam(uint16_t address) const {
    return address >= 0x8000 && (ramBits_[(address - 0x8000) >> 6] >> (address & 63) & 1) != 0;
  }

 private:
  std::vector<uint64_t> bits_;
  std::vector<uint64_t> ramBits_ = std::vector<uint64_t>(0x8000 / 64, 0);
};

// Reads the byte at the offset and the one or two after it (bytes past RomSize as they stand in
// the buffer). Never fails.
DecodedInstruction DecodeInstruction(const Rom& rom, uint32_t offset, ValueFormat format,
                                     const LabelTables& labels);

// The same into a caller's string (which keeps its capacity between calls); returns the length.
// `map`, when given, is the labels' RomLabelMap.
uint8_t DecodeInstructionInto(std::string& text, const Rom& rom, uint32_t offset,
                              ValueFormat format, const LabelTables& labels,
                              const RomLabelMap* map = nullptr);

// The same appended to `text`.
uint8_t AppendInstruction(std::string& text, const Rom& rom, uint32_t offset, ValueFormat format,
                          const LabelTables& labels, const RomLabelMap* map = nullptr);

// Text written through a bare pointer into room the caller has made: a walk over a whole ROM
// writes its lines this way, without a capacity check per piece. `Padded` copies a fixed count of
// bytes from a source that holds that many and moves on by `n` of them, which the compiler turns
// into a few moves instead of a call.
struct TextCursor {
  char* p;
  void append(const char* s, size_t n) {
    std::memcpy(p, s, n);
    p += n;
  }
  template <size_t Fixed>
  void Padded(const char* s, size_t n) {
    std::memcpy(p, s, Fixed);
    p += n;
  }
  void push_back(char c) { *p++ = c; }
};

// A std::string written as a TextCursor is: each piece appended with its own check.
struct StringCursor {
  std::string& s;
  void append(const char* p, size_t n) { s.append(p, n); }
  template <size_t Fixed>
  void Padded(const char* p, size_t n) {
    s.append(p, n);
  }
  void push_back(char c) { s.push_back(c); }
};

// The room an instruction's text takes through a TextCursor, a label name in it aside.
constexpr size_t kInstructionRoom = 48;

// The same through a cursor with kInstructionRoom bytes of room and the longest label name's.
uint8_t AppendInstruction(TextCursor& text, const Rom& rom, uint32_t offset, ValueFormat format,
                          const LabelTables& labels, const RomLabelMap* map = nullptr);

// The length of the instruction whose first byte is b0 (1 to 3), without decoding its text.
uint8_t InstructionLength(uint8_t b0);
