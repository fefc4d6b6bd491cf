#pragma once
// The record of the last goto or search, which Search > Again repeats.

#include <cstdint>
#include <string>

enum class SearchKind : uint8_t { None = 0, Goto = 1, Bytes = 2, Instruction = 3, Text = 4 };

struct LastSearch {
  SearchKind LastSearchKind = SearchKind::None;
  // Goto: the target offset as text; bytes, instruction and text: the text as the user typed it.
  std::string LastSearchText;
};
