#pragma once
// Searching the ROM for game text: the text is encoded through the table (longest match), then
// its bytes are searched for.

#include <cstdint>
#include <string_view>

#include "model/Rom.h"
#include "model/TextTable.h"
#include "search/FindAll.h"
#include "search/LastSearch.h"

struct SearchOutcome;

// The first offset at or after start where the encoded text lies, or -1. Throws an error Failure
// for an empty text or a character the table has no entry for.
int32_t SearchText(const Rom& rom, const TextTable& table, int32_t start, std::string_view text);

// Every offset where the encoded text lies, up to `cap`; throws as SearchText does.
FindAllResult FindAllText(const Rom& rom, const TextTable& table, std::string_view text,
                          size_t cap = kFindAllCap);

// The table a text search goes through; throws an error Failure "No table is loaded. ..." when
// there is none or it is empty.
const TextTable& TableToSearch(const TextTable* table);

// Search Text's OK: records kind Text and the text, then searches from `start`, the selected
// line's offset. A miss is "Sorry, "<text>" could not been found.".
SearchOutcome RunTextSearch(const Rom& rom, const TextTable* table, LastSearch& last, int32_t start,
                            std::string_view text);

// Search Text's Find All: recorded as OK records it, then searched from the start of the ROM;
// the results search again through a copy of the table.
FindAllResult RunTextFindAll(const Rom& rom, const TextTable* table, LastSearch& last,
                             std::string_view text, size_t cap = kFindAllCap);
