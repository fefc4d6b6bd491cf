#pragma once
// What the user has worked out about the ROM's bytes besides its labels: blocks marked as code,
// data or text, and a comment per line. Both are kept by file offset and saved in the symbol file.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class MarkKind : uint8_t { Code, Data, Text, Pointers };

// How a pointer table's entries are laid out: a word each (little-endian, as the CPU reads it),
// or a far pointer of a bank byte and a word, in either order.
enum class PointerForm : uint8_t { Words, BankWord, WordBank };

struct MarkBlock {
  uint32_t Offset = 0;
  uint32_t Length = 0;  // never 0
  MarkKind Kind = MarkKind::Code;
  PointerForm Form = PointerForm::Words;  // Pointers blocks
  bool operator==(const MarkBlock&) const = default;
  uint32_t End() const { return Offset + Length; }
};

// The marked blocks, ascending by offset; two blocks never overlap (they may touch). A block
// keeps the bounds it was given: two touching blocks of one kind stay two, as a symbol file
// that lists them so is written back the same way.
class RomMarks {
 public:
  const std::vector<MarkBlock>& Blocks() const { return blocks_; }
  bool Empty() const { return blocks_.empty(); }
  void Clear() { blocks_.clear(); }

  // Marks [offset, offset + length) as `kind`; the parts of other blocks inside it are dropped
  // (a block that sticks out on either side keeps what sticks out). A length of 0 does nothing.
  void Mark(uint32_t offset, uint32_t length, MarkKind kind);
  // Marks a pointer table of `form` as Mark does.
  void MarkPointers(uint32_t offset, uint32_t length, PointerForm form);
  // Drops every marked byte of [offset, offset + length).
  void Unmark(uint32_t offset, uint32_t length);
  // The block that holds the offset, or nullptr.
  const MarkBlock* BlockAt(uint32_t offset) const;
  // The first block that ends after the offset (holds it or starts after it), or nullptr.
  const MarkBlock* BlockFrom(uint32_t offset) const;
  // The blocks that share a byte with [from, to), whole, in order.
  std::vector<MarkBlock> BlocksIn(uint32_t from, uint32_t to) const;
  // Drops the blocks that share a byte with [from, to) and puts these (ascending, inside
  // [from, to), apart from each other) in their place: an undo puts back what a Mark split.
  void Replace(uint32_t from, uint32_t to, const std::vector<MarkBlock>& blocks);

  bool operator==(const RomMarks&) const = default;

 private:
  std::vector<MarkBlock> blocks_;
};

// One comment per file offset, shown after the instruction that starts there.
using RomComments = std::map<uint32_t, std::string>;
