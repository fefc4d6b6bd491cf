#pragma once
// Assembles a block of source lines, as the code editor holds them, into the ROM image.
//
// A block is read line by line, exactly as typed but for the blanks and tabs that indent it or
// end it:
//   - "//" starts a comment that runs to the end of the line; a line empty without it and its
//     blanks is skipped;
//   - a line holding "org " sets the place of the lines after it: its first four characters are
//     dropped and the rest is a bank address such as "01:4100";
//   - a line beginning with "@" defines a label of the block ("@Loop" or "@Loop:") at the CPU
//     address of the current place;
//   - everything else is an instruction or data line for EncodeInstruction, in which a name
//     after "@" is a label of the block when the block defines it (an address of its own place,
//     with no bank test), else a label of the symbol file.
// Two passes run over the lines: the first fixes every block label's address (names read as 0
// meanwhile, unchecked), the second writes the final bytes, so a label may be used before the
// line that defines it.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "model/Labels.h"
#include "model/Rom.h"

// Assembles the block, all or nothing. `beforeLine(i)` is called before line i is looked at, in
// each of the two passes, so the caller can show the line being assembled (it may be empty);
// when a failure is thrown, the line it belongs to is the one announced last.
//
// Failures propagate unchanged: WarningFailure "Compiling error: no orgion declared, ..." for a
// line that needs a place before any "org" line, ErrorFailure "Label @Name is defined twice.",
// the failures of BankAddressToOffset and of AssembleInstruction (a byte at or past RomSize
// included: "Address 08:4000 is past the end of the ROM."), and whatever `beforeLine`
// throws. Before the exception leaves, every byte the block had written is put back as it was.
// Returns whether any byte was stored: a block of nothing but org lines, labels and comments
// leaves the image untouched.
bool AssembleBlock(Rom& rom, const LabelTables& labels, const std::vector<std::string>& lines,
                   const std::function<void(size_t lineIndex)>& beforeLine);
