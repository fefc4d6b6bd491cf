#pragma once
// The lines of the disassembly listing: from a start offset, one line per instruction, with a
// label line for every ROM label of its offset ahead of it. Bytes the user marked as data show
// as "db" lines of up to 8 bytes, text as text lines through the loaded table (as "db" lines
// without one), a pointer table as a "dw" line per entry, tiles marked as an image as a line
// per row of tiles ("image 16 tiles"); a comment follows its line after " ; ".

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "isa/Decoder.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/Rom.h"
#include "model/TextRows.h"
#include "model/TextTable.h"

struct ListingLine {
  std::string Text;
  bool IsLabel = false;  // "@Name:" rather than an instruction
  uint16_t CommentAt = 0;  // where the line's comment starts (its ";"), 0 for none
};

// What the user has noted beyond the labels, and the game's text encoding; any may be missing.
struct ListingNotes {
  const RomMarks* Marks = nullptr;
  const RomComments* Comments = nullptr;
  const TextTable* Table = nullptr;  // no text lines when missing or empty
  // The text rows found before, kept by the caller across listings of the same bytes.
  TextRowStarts* Rows = nullptr;
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

// Appends the line of data bytes [offset, offset + count) (count 1 to 8): bank address, an empty
// byte field, "db" and the values in the format: "0D:4800          db $01,$02,$03".
void AppendDataLine(std::string& out, const Rom& rom, ValueFormat format, uint32_t offset,
                    uint32_t count);

// Appends the line of a pointer table (a Pointers block) at `at`: an entry's word as
// "0D:4800          dw @Label" (the first label of its target, else its value), its bank byte
// and the bytes after the last whole entry as "db" lines. Returns the bytes it covers.
uint32_t AppendPointerLine(std::string& out, const Rom& rom, const LabelTables& labels,
                           ValueFormat format, const MarkBlock& table, uint32_t at);

// Appends the text line of [offset, offset + maxLength), decoded through the table and ending
// after an end code: bank address, an empty byte field, the text in quotes:
// "0C:4000          \"HELLO<$FE>\"". Returns the bytes it covers.
uint32_t AppendTextLine(std::string& out, const Rom& rom, const TextTable& table, uint32_t offset,
                        uint32_t maxLength);

// Fills `visibleLines` lines from `startOffset` (at least one pass, so a list too low for one
// line still gets the instruction at the start, after its label lines). A label line that takes
// the last place ends the listing without its instruction. Every label at an offset has its
// line, in table order. In a data or text block the lines run 8 bytes from the block's start,
// the first and last shorter where the listing starts or the block ends; a text block with a
// table shows a line per text row instead (up to an end code or 32 characters, rows counted
// from the block's start, the first shorter where the listing starts); a row stops short of the
// next label or comment in it, so each of them starts a line. An instruction that would reach
// into such a block stops short of it as a "db" line of the bytes before it. The comments of
// places inside a line's instruction follow its own: " ; at 01:4034: text". Bytes past RomSize
// decode as they stand.
Listing BuildListing(const Rom& rom, const LabelTables& labels, ValueFormat format,
                     uint32_t startOffset, int visibleLines, const ListingNotes& notes = {});

// The whole listing from `from` while the offset is at most `to` (and below 16 MiB), decoded
// linearly, handed out as text a chunk of lines at a time (each line ended by '\n'): the lines
// that BuildListing gives for the same offsets, every label line with its instruction.
void StreamListing(const Rom& rom, const LabelTables& labels, ValueFormat format, uint32_t from,
                   uint32_t to, const std::function<void(std::string_view chunk)>& write,
                   const ListingNotes& notes = {});

// Whether a data or text block (whose rows the listing shows) lies in [from, to).
bool HasBlockRows(const ListingNotes& notes, uint32_t from, uint32_t to);
// The wheel's steps over one listing line, marked blocks and their rows counted as the listing
// counts them. Down: past the line at `start`: a data or text row's end; else
// `instructionEnd` (where the caller's step over an instruction lands), cut at the start of a
// block it would reach into.
uint32_t LineDown(const Rom& rom, const LabelTables& labels, uint32_t start,
                  uint32_t instructionEnd, const ListingNotes& notes);
// Up: to the start of the line that ends at `start`: the row of a data or text block that holds
// the byte before it; else `instructionStart` (the caller's step back over an instruction), or
// the end of a block it would land in.
uint32_t LineUp(const Rom& rom, const LabelTables& labels, uint32_t start,
                uint32_t instructionStart, const ListingNotes& notes);

// The wheel's steps. Down: the offset just past `count` instructions decoded from `start`.
uint32_t OffsetAfterInstructions(const Rom& rom, uint32_t start, int count);
// Up: the nearest offset from which exactly `count` decoded instructions end at `start`, trying
// count to 3 * count bytes back (three-byte instructions at most); else `count` bytes back.
// Never below 0.
uint32_t OffsetBeforeInstructions(const Rom& rom, uint32_t start, int count);
