#pragma once
// Searching the ROM for game text: the text is encoded through the table (longest match), then
// its bytes are searched for.

#include <cstdint>
#include <string_view>

#include "model/Rom.h"
#include "model/TextTable.h"
#include "search/FindAll.h"

// The first offset at or after start where the encoded text lies, or -1. Throws an error Failure
// for an empty text or a character the table has no entry for.
int32_t SearchText(const Rom& rom, const TextTable& table, int32_t start, std::string_view text);

// Every offset where the encoded text lies, up to `cap`; throws as SearchText does.
FindAllResult FindAllText(const Rom& rom, const TextTable& table, std::string_view text,
                          size_t cap = kFindAllCap);
