#include "gfx/Tiles.h"

#include <algorithm>

#include "model/NumberText.h"

void TileLayout::TilePlace(uint32_t tile, uint32_t& column, uint32_t& row) const {
  const uint32_t width = std::max(WidthTiles, 1u);
  if (!Tall) {
    column = tile % width;
    row = tile / width;
    return;
  }
  const uint32_t pair = tile / 2;
  column = pair % width;
  row = pair / width * 2 + tile % 2;
}

uint32_t TileLayout::TileAt(uint32_t column, uint32_t row) const {
  const uint32_t width = std::max(WidthTiles, 1u);
  if (!Tall) return row * width + column;
  return (row / 2 * width + column) * 2 + row % 2;
}

uint32_t TileLayout::RowsFor(uint32_t tiles) const {
  const uint32_t width = std::max(WidthTiles, 1u);
  if (!Tall) return (tiles + width - 1) / width;
  return (tiles / 2 + tiles % 2 + width - 1) / width * 2;
}

TilePicture DecodeTiles(const uint8_t* bytes, size_t length, const TileLayout& layout) {
  const uint32_t tileBytes = layout.TileBytes();
  const auto tiles = static_cast<uint32_t>(length / tileBytes);
  TilePicture picture;
  picture.Width = std::max(layout.WidthTiles, 1u) * 8;
  picture.Height = layout.RowsFor(tiles) * 8;
  picture.Pixels.assign(size_t{picture.Width} * picture.Height, 0);
  for (uint32_t t = 0; t < tiles; ++t) {
    uint32_t column = 0, row = 0;
    layout.TilePlace(t, column, row);
    const uint8_t* tile = bytes + size_t{t} * tileBytes;
    for (uint32_t y = 0; y < 8; ++y) {
      const uint8_t low = layout.Bits == 1 ? tile[y] : tile[2 * y];
      const uint8_t high = layout.Bits == 1 ? 0 : tile[2 * y + 1];
      uint8_t* out = picture.Pixels.data() + size_t{row * 8 + y} * picture.Width + column * 8;
      for (uint32_t x = 0; x < 8; ++x) {
        const uint32_t bit = 7 - x;
        out[x] = static_cast<uint8_t>(((low >> bit) & 1) | (((high >> bit) & 1) << 1));
      }
    }
  }
  return picture;
}

std::vector<uint8_t> EncodeTiles(const TilePicture& picture, uint32_t tiles,
                                 const TileLayout& layout) {
  const uint32_t tileBytes = layout.TileBytes();
  std::vector<uint8_t> bytes(size_t{tiles} * tileBytes, 0);
  for (uint32_t t = 0; t < tiles; ++t) {
    uint32_t column = 0, row = 0;
    layout.TilePlace(t, column, row);
    uint8_t* tile = bytes.data() + size_t{t} * tileBytes;
    for (uint32_t y = 0; y < 8; ++y) {
      const uint8_t* in =
          picture.Pixels.data() + size_t{row * 8 + y} * picture.Width + column * 8;
      uint8_t low = 0, high = 0;
      for (uint32_t x = 0; x < 8; ++x) {
        low = static_cast<uint8_t>(low << 1 | (in[x] & 1));
        high = static_cast<uint8_t>(high << 1 | ((in[x] >> 1) & 1));
      }
      if (layout.Bits == 1) {
        tile[y] = low;
      } else {
        tile[2 * y] = low;
        tile[2 * y + 1] = high;
      }
    }
  }
  return bytes;
}

std::string PaletteText(uint8_t palette) { return "$" + IntToHex(palette, 2); }
