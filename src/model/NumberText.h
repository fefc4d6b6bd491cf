#pragma once
// Number texts shared by every layer: "$" hexadecimal, "%" binary, plain decimal.

#include <cstdint>
#include <string>
#include <string_view>

// Decimal with an optional sign, or "$" and one to eight hexadecimal digits of either case,
// as a signed 32-bit value. Anything else throws ConversionError for the whole text.
int32_t StrToInt(std::string_view text);

// Upper-case hexadecimal with at least `digits` digits, no prefix.
std::string IntToHex(uint32_t value, int digits);

// Decimal digits in groups of three for a person to read: "1,204", "100,000".
std::string GroupedDecimal(uint64_t value);

// "%" and the 16 bits of the value without leading zeros ("%0" for 0).
std::string IntToBin(uint16_t value);

// Drops the first character, reads up to 16 more as bits ("1" sets, anything else clears),
// right-aligned when fewer than 16. Never fails.
uint16_t BinToInt(std::string_view text);

// "1 byte", "0 bytes", "40000 bytes".
std::string ByteCountText(uint64_t count);
