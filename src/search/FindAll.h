#pragma once
// Find All: every match of a byte or instruction search from the start of the ROM to its end,
// for the results window, with a cap on how many are kept.

#include <cstddef>
#include <cstdint>
#include <functional>
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
  // What the search's dialog says when it finds nothing.
  std::string MissText;
  // The same search, with the same cap, over the ROM as it is now: results that follow edits.
  std::function<FindAllResult(const Rom&, const LabelTables&)> Repeat;
  // A match's result line where it is not FindAllLine's instruction: a text search shows the
  // text it found, "00:062E \"HELLO\"".
  std::function<std::string(const Rom&, int32_t offset)> Line;
};

// Every offset where the bytes of the text occur (as the byte search reads them), up to `cap`.
// Throws ConversionError like the byte search.
FindAllResult FindAllBytes(const Rom& rom, std::string_view text, size_t cap = kFindAllCap);

// Every offset whose instruction reads like the text (as the instruction search compares it),
// up to `cap`.
FindAllResult FindAllInstructions(const Rom& rom, const LabelTables& labels, std::string_view text,
                                  size_t cap = kFindAllCap);

// "1 match", "1,204 matches", "100,000 matches (stopped)" at the cap.
std::string MatchCountText(const FindAllResult& result);

// A result line: the bank address and the instruction that the listing shows there,
// "01:4150 call @Init".
std::string FindAllLine(const Rom& rom, const LabelTables& labels, ValueFormat format,
                        int32_t offset);
