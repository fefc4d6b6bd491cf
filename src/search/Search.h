#pragma once
// The search commands as the windows run them: the byte and instruction searches started from
// their dialogs, and Search > Again, which repeats whatever LastSearch records.
//
// Each returns what the window does next: show the listing at Offset (ShowOffset), or, after a
// search that found nothing, show Info with ShowInfo. Either way the window then refills the
// listing and goes on; a miss is a message, not a stop. The checks that stop the command (a "?"
// left in an instruction, Again with nothing recorded) throw Failure, and texts that do not
// convert throw ConversionError, which the window's command wrapper shows like any other.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/Labels.h"
#include "model/Rom.h"
#include "model/TextTable.h"
#include "search/FindAll.h"
#include "search/LastSearch.h"

struct SearchOutcome {
  std::optional<int32_t> Offset;  // where the listing goes
  std::string Info;               // the miss message when there is no offset
};

// "Sorry, "<text>" could not been found."
std::string InstructionNotFoundText(std::string_view text);

// Search Bytes' OK: records kind 2 and the text before the search runs (so a text that does
// not convert is recorded too), then searches from `start`, the selected line's offset.
SearchOutcome RunByteSearch(const Rom& rom, LastSearch& last, int32_t start, std::string_view text);

// Search Instruction's OK: refuses a text with a "?" (Info Failure, nothing recorded), then
// records kind 3 and the text and searches from `start`, the selected line's offset.
SearchOutcome RunInstructionSearch(const Rom& rom, const LabelTables& labels, LastSearch& last,
                                   int32_t start, std::string_view text);

// The dialogs' Find All: recorded in LastSearch as their OK records it (so Search > Again steps
// through the same matches from the selected line), then searched from the start of the ROM. The
// instruction form refuses a "?" first, with the instruction search's Info Failure.
FindAllResult RunByteFindAll(const Rom& rom, LastSearch& last, std::string_view text,
                             size_t cap = kFindAllCap);
FindAllResult RunInstructionFindAll(const Rom& rom, const LabelTables& labels, LastSearch& last,
                                    std::string_view text, size_t cap = kFindAllCap);

// Search > Again, with the offset of the selected line: a goto shows its target again; a byte,
// instruction or text search runs again from the byte after the selected line (a text search
// through `table`, the one loaded now). Throws an Error Failure "Nothing search again." when
// nothing has been recorded.
SearchOutcome SearchAgain(const Rom& rom, const LabelTables& labels, const LastSearch& last,
                          int32_t selectedOffset, const TextTable* table = nullptr);
