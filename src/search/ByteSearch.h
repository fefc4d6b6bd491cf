#pragma once
// Searching the ROM for a sequence of bytes typed as one line of text.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/Rom.h"

// The bytes of a search text: one prefix for the whole text ("$" hexadecimal anywhere in it,
// else "%" binary anywhere, else decimal), written once as its first character, then tokens
// separated by single spaces, each cut to its low 8 bits. Any number of bytes. Throws
// ConversionError for the first decimal or hexadecimal token that does not convert.
std::vector<uint8_t> ParseBytePattern(std::string_view text);

// The first offset at or after start where the whole pattern lies within the ROM, or -1.
// An empty pattern matches at start itself when start is at most RomSize. A negative start
// counts as 0.
int32_t FindBytes(const Rom& rom, int32_t start, std::span<const uint8_t> pattern);

// ParseBytePattern, then FindBytes.
int32_t SearchBytes(const Rom& rom, int32_t start, std::string_view text);
