#pragma once
// GameBoy tiles: 8x8 pixels, each pixel a colour number 0-3. In 2 bits a pixel a tile takes 16
// bytes, two a row, the low bit of every pixel of the row in the first byte and the high bit in
// the second (bit 7 is the leftmost pixel). In 1 bit a pixel a tile takes 8 bytes, one a row.
// The BGP register's byte gives each colour number a shade (0 white .. 3 black), two bits a
// colour number, colour 0 in the low bits: $E4 draws every colour as its own shade.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint8_t kDefaultPalette = 0xE4;

// How tile bytes are laid out as a picture.
struct TileLayout {
  uint32_t WidthTiles = 16;  // tiles a row, at least 1
  uint8_t Bits = 2;          // bits a pixel: 1 or 2
  bool Tall = false;         // 8x16: tile 2n above tile 2n+1, the pairs side by side
  bool operator==(const TileLayout&) const = default;

  uint32_t TileBytes() const { return Bits == 1 ? 8u : 16u; }
  // Where a tile's top-left pixel lies, in tiles from the picture's top left.
  void TilePlace(uint32_t tile, uint32_t& column, uint32_t& row) const;
  // The tile whose top-left pixel lies there (the other way of TilePlace).
  uint32_t TileAt(uint32_t column, uint32_t row) const;
  // The rows of tiles a picture of `tiles` tiles takes.
  uint32_t RowsFor(uint32_t tiles) const;
};

// A picture of colour numbers (0-3), a byte a pixel, row after row.
struct TilePicture {
  uint32_t Width = 0;
  uint32_t Height = 0;
  std::vector<uint8_t> Pixels;
  bool operator==(const TilePicture&) const = default;
};

// The picture of the whole tiles in `length` bytes (a partial tile at the end is left out);
// places of a last row that no tile fills are colour 0.
TilePicture DecodeTiles(const uint8_t* bytes, size_t length, const TileLayout& layout);

// The bytes of `tiles` tiles read back from a picture laid out as DecodeTiles lays them out
// (the picture must be at least that large). Colour numbers above what the bits hold are cut.
std::vector<uint8_t> EncodeTiles(const TilePicture& picture, uint32_t tiles,
                                 const TileLayout& layout);

// The shade (0 white .. 3 black) that a palette byte gives a colour number.
inline uint8_t ShadeOf(uint8_t palette, uint8_t colour) {
  return static_cast<uint8_t>((palette >> (2 * colour)) & 3);
}

// The grey level a shade is drawn in: 255, 170, 85, 0.
inline uint8_t GreyOfShade(uint8_t shade) { return static_cast<uint8_t>(255 - 85 * shade); }

// "$E4"
std::string PaletteText(uint8_t palette);
