#pragma once
// Which bytes of the ROM are code: a recursive descent from the places where code is known to
// start, following jumps, calls and branches, that never enters the user's data and text blocks.
// What it reaches is classed code; every other byte keeps the class it had (data or text where
// the user marked it, else unknown). Every byte also gets the reason for its class.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/References.h"
#include "model/CodeDataLog.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/Rom.h"

enum class ByteClass : uint8_t {
  Unknown,
  Code,     // the first byte of a traced instruction
  Operand,  // a byte after the first of a traced instruction
  Data,     // in a block the user marked data
  Text,     // in a block the user marked text
  Image,    // graphics
  Pointers, // the entries of a table of addresses
};

// Why a byte has its class.
enum class ReasonKind : uint8_t {
  None,       // nothing says what the byte is
  Start,      // the cartridge's entry point 0100
  Traced,     // reached from the instruction at From (a jump, call, branch or rst)
  Interrupt,  // an interrupt vector whose interrupt the instruction at From enables
  Plausible,  // a vector that decodes as a whole routine
  FarCall,    // the call at From through the bank-switching routine at Via
  Table,      // an entry of the table at From
  TableUse,   // the entries of a table that the jump at From reads
  FarPointer, // the bank and address after the call at From, read by the routine at Via
  Label,      // a label of the symbol file that decodes as a whole routine
  Executed,   // the execution log saw it run
  Mark,       // the user's code, data or text block
  Read,       // data read through the address loaded at From
  LogRead,    // the execution log saw it read, never run
  FarCallSite,  // loads of a bank and an address before a call of a bank-switching routine
  AfterRoutine, // decodes as a routine right after the one whose last instruction is at From
};

struct ByteReason {
  ReasonKind Kind = ReasonKind::None;
  uint32_t From = 0;  // file offset, where the kind names one
  uint32_t Via = 0;   // file offset of the bank-switching routine of a far call
  bool operator==(const ByteReason&) const = default;
};

// The bytes [Start, End) that got their class for one reason.
struct ReasonSpan {
  uint32_t Start = 0;
  uint32_t End = 0;
  ByteReason Reason;
};

// "code" (an operand byte too), "data", "text", "image", "pointers", "unknown".
std::string_view ClassName(ByteClass c);
// The reason as a user reads it: "traced from 00:0150", "far call from 00:0150 via 00:0080",
// "table at 01:4000", "label", "executed", "your mark", "read from 00:0150", ...
std::string ReasonText(const ByteReason& reason);

struct Trace {
  // One class per ROM byte (RomSize entries).
  std::vector<ByteClass> Classes;
  // What the traced instructions reference, by source and by target.
  References Refs;
  // Ascending by Start, apart from each other; a byte outside every span has no reason.
  std::vector<ReasonSpan> Reasons;

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
  // Why the byte at the offset has its class.
  ByteReason ReasonAt(uint32_t offset) const;
};

// What the trace reads, gathered so that it can be copied and run on another thread while the
// ROM is edited: the image's first RomSize bytes, the label offsets and the marks.
struct TraceInput {
  std::vector<uint8_t> Image;
  std::vector<int32_t> LabelOffsets;  // of every ROM label, in any order
  RomMarks Marks;
  CodeDataLog Log;  // what a run of the game executed and read; may be empty
};

// Fills `input` with the labels and marks the trace reads, in the memory it already holds where
// that is large enough. The image is the caller's to copy (Image.assign), on the thread that
// traces if it likes.
void FillTraceLabels(TraceInput& input, const LabelTables& labels, const RomMarks& marks);

// Entry points: 0100, every ROM label and the start of every code block; an rst vector when
// traced code calls it, an interrupt vector when traced code enables its interrupt (a write of
// a known value to IE, FFFF) or when it decodes as a whole routine. Bank rules for a target in
// 4000-7FFF: from a switchable bank it is the same bank; in a ROM of two banks, or one whose
// header names no bank controller, bank 1; from bank 0 it is the bank that the same straight
// run of code last wrote to the bank register (2000-3FFF), else the bank of the labels at that
// address when they are all in one bank, else unknown (listed, not followed).
Trace TraceRom(const TraceInput& input);
// The same with an execution log: instruction starts it saw run are entry points ("executed"),
// bytes it saw read and never run are data; the user's marks still win.
Trace TraceRom(const Rom& rom, const LabelTables& labels, const RomMarks& marks,
               const CodeDataLog* log = nullptr);
