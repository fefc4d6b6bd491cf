#pragma once
// Which bytes of the ROM are code: a recursive descent from the places the GameBoy or the user
// says code starts, following jumps, calls and branches, that never enters the user's data and
// text blocks. What it reaches is classed code; every other byte keeps the class it had (data or
// text where the user marked it, else unknown).

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/References.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/Rom.h"

enum class ByteClass : uint8_t {
  Unknown,
  Code,     // the first byte of a traced instruction
  Operand,  // a byte after the first of a traced instruction
  Data,     // in a block the user marked data
  Text,     // in a block the user marked text
};

struct Trace {
  // One class per ROM byte (RomSize entries).
  std::vector<ByteClass> Classes;
  // What the traced instructions reference, by source and by target.
  References Refs;

  ByteClass ClassAt(uint32_t offset) const {
    return offset < Classes.size() ? Classes[offset] : ByteClass::Unknown;
  }
  bool IsTraced(uint32_t offset) const {
    const ByteClass c = ClassAt(offset);
    return c == ByteClass::Code || c == ByteClass::Operand;
  }
  // The first byte of the traced instruction that holds the offset; the offset itself when it is
  // not traced code.
  uint32_t InstructionStartAt(uint32_t offset) const;
  // The instruction start after the one at or holding `offset` within traced code; the offset
  // plus one outside it.
  uint32_t NextInstructionStart(uint32_t offset) const;
};

// What the trace reads, gathered so that it can be copied and run on another thread while the
// ROM is edited: the image's first RomSize bytes, the label offsets and the marks.
struct TraceInput {
  std::vector<uint8_t> Image;
  std::vector<int32_t> LabelOffsets;  // of every ROM label, in any order
  RomMarks Marks;
};

// Fills `input` with the labels and marks the trace reads, in the memory it already holds where
// that is large enough. The image is the caller's to copy (Image.assign), on the thread that
// traces if it likes.
void FillTraceLabels(TraceInput& input, const LabelTables& labels, const RomMarks& marks);

// Entry points: 0100, the rst vectors 00-38, the interrupt vectors 40-60, every ROM label and
// the start of every code block. Bank rules for a target in 4000-7FFF: from a switchable bank it
// is the same bank; from bank 0 it is the bank that the same straight run of code last wrote to
// the bank register (2000-3FFF), else the bank of the labels at that address when they are all
// in one bank, else unknown (listed, not followed).
Trace TraceRom(const TraceInput& input);
Trace TraceRom(const Rom& rom, const LabelTables& labels, const RomMarks& marks);
