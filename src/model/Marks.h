#pragma once
// What the user has worked out about the ROM's bytes besides its labels: blocks marked as code,
// data, text or image (tiles), and a comment per line. Both are kept by file offset and saved in
// the symbol file.

#include <cstdint>
#include <map>
#include <utility>
#include <string>
#include <vector>

enum class MarkKind : uint8_t { Code, Data, Text, Pointers, Image };

// How a pointer table's entries are laid out: a word each (little-endian, as the CPU reads it),
// or a far pointer of a bank byte and a word, in either order.
enum class PointerForm : uint8_t { Words, BankWord, WordBank };

// How an image block's tiles are laid out, as its symbol-file line ".image:LEN:wNN" gives it.
struct ImageShape {
  uint16_t Width = 0;  // pixels a row (":w128"); 0 where the line gives none
  uint8_t Bits = 2;    // bits a pixel: 2, or 1 (the field "1bpp")
  // The line's fields after the width as read (",a,b"), written back as they were.
  std::string Extra;
  bool operator==(const ImageShape&) const = default;
  // Tiles a row: the width's whole tiles, 16 where none is given.
  uint32_t WidthTiles() const { return Width >= 8 ? Width / 8u : 16u; }
  uint32_t TileBytes() const { return Bits == 1 ? 8u : 16u; }
};

struct MarkBlock {
  // Written {offset, length, kind} or with the image's shape after them.
  MarkBlock() = default;
  MarkBlock(uint32_t offset, uint32_t length, MarkKind kind, ImageShape image = {})
      : Offset(offset), Length(length), Kind(kind), Image(std::move(image)) {}
  MarkBlock(uint32_t offset, uint32_t length, MarkKind kind, PointerForm form)
      : Offset(offset), Length(length), Kind(kind), Form(form) {}
  uint32_t Offset = 0;
  uint32_t Length = 0;  // never 0
  MarkKind Kind = MarkKind::Code;
  PointerForm Form = PointerForm::Words;  // Pointers blocks
  ImageShape Image;  // Image blocks
  bool operator==(const MarkBlock&) const = default;
  uint32_t End() const { return Offset + Length; }
};

// The end of an image block's whole tiles: the bytes after them (less than a tile) are data.
inline uint32_t ImageTilesEnd(const MarkBlock& b) {
  return b.Offset + b.Length / b.Image.TileBytes() * b.Image.TileBytes();
}
// The bytes from `at` (inside the block's whole tiles) to the end of its row of tiles, rows
// counted from the block's start: the listing's line of an image.
inline uint32_t ImageRowLength(const MarkBlock& b, uint32_t at) {
  const uint32_t row = b.Image.WidthTiles() * b.Image.TileBytes();
  const uint32_t left = row - (at - b.Offset) % row;
  return left < ImageTilesEnd(b) - at ? left : ImageTilesEnd(b) - at;
}

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
  void Mark(uint32_t offset, uint32_t length, MarkKind kind, const ImageShape& image = {});
  // Marks a pointer table of `form` as Mark does.
  void MarkPointers(uint32_t offset, uint32_t length, PointerForm form);
  // Drops every marked byte of [offset, offset + length) (what is left of a block keeps its
  // shape).
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
