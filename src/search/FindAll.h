#pragma once
// Find All: every match of a byte or instruction search from the start of the ROM to its end,
// for the results window, with a cap on how many are kept.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "isa/Decoder.h"
#include "model/Labels.h"
#include "model/Rom.h"

constexpr size_t kFindAllCap = 100000;

struct FindAllResult {
  std::string Text;              // what was searched for, as typed
  std::vector<int32_t> Offsets;  // in ROM order
  bool Stopped = false;          // more matches follow the last one kept
};

// Every offset where the bytes of the text occur (as the byte search reads them), up to `cap`.
// Throws ConversionError like the byte search.
FindAllResult FindAllBytes(const Rom& rom, std::string_view text, size_t cap = kFindAllCap);

// Every offset whose instruction reads like the text (as the instruction search compares it),
// up to `cap`.
FindAllResult FindAllInstructions(const Rom& rom, const LabelTables& labels, std::string_view text,
                                  size_t cap = kFindAllCap);

// A result line: the bank address and the instruction that the listing shows there,
// "01:4150 call @Init".
std::string FindAllLine(const Rom& rom, const LabelTables& labels, ValueFormat format,
                        int32_t offset);
