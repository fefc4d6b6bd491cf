#pragma once
// The lines of the disassembly listing: from a start offset, one line per instruction, with a
// label line ahead of every instruction that a ROM label names.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "isa/Decoder.h"
#include "model/Labels.h"
#include "model/Rom.h"

struct ListingLine {
  std::string Text;
  bool IsLabel = false;  // "@Name:" rather than an instruction
};

struct Listing {
  std::vector<ListingLine> Lines;
  // The file offset of each line; a label line carries the offset of the instruction it names.
  std::vector<int32_t> LineOffsets;
};

// " 3E      ", " 3E 01   ", " C3 50 01": each byte after a space, padded to nine characters.
std::string RawBytesText(const Rom& rom, uint32_t offset, uint8_t length);

// Appends the instruction line for `offset`, as the listing shows it: bank address, raw bytes,
// instruction text. `map`, when given, is the labels' RomLabelMap. Returns the length.
uint8_t AppendInstructionLine(std::string& out, const Rom& rom, const LabelTables& labels,
                              ValueFormat format, uint32_t offset,
                              const RomLabelMap* map = nullptr);

// Fills `visibleLines` lines from `startOffset` (at least one pass, so a list too low for one
// line still gets the instruction at the start, after its label line). A label line that would
// take the last place ends the listing without its instruction. Of several labels at one offset
// the one standing last in the table is shown. Bytes past RomSize decode as they stand.
Listing BuildListing(const Rom& rom, const LabelTables& labels, ValueFormat format,
                     uint32_t startOffset, int visibleLines);

// The whole listing from `from` while the offset is at most `to` (and below 16 MiB), decoded
// linearly, handed out as text a chunk of lines at a time (each line ended by '\n'): the lines
// that BuildListing gives for the same offsets, every label line with its instruction.
void StreamListing(const Rom& rom, const LabelTables& labels, ValueFormat format, uint32_t from,
                   uint32_t to, const std::function<void(std::string_view chunk)>& write);

// The wheel's steps. Down: the offset just past `count` instructions decoded from `start`.
uint32_t OffsetAfterInstructions(const Rom& rom, uint32_t start, int count);
// Up: the nearest offset from which exactly `count` decoded instructions end at `start`, trying
// count to 3 * count bytes back (three-byte instructions at most); else `count` bytes back.
// Never below 0.
uint32_t OffsetBeforeInstructions(const Rom& rom, uint32_t start, int count);
