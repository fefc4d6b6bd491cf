#pragma once
// Tile bytes as a picture of grey shades, and a picture turned back into tile bytes.

#include <cstdint>
#include <vector>

#include "gfx/Png.h"
#include "gfx/Tiles.h"

// The tiles of `length` bytes drawn in the shades the palette gives their colour numbers.
RgbImage TilesToImage(const uint8_t* bytes, size_t length, const TileLayout& layout,
                      uint8_t palette);

// The bytes of `tiles` tiles read from a picture laid out as TilesToImage lays it out, each
// pixel's shade turned back into the colour number the palette gives it (the lowest one where
// two have that shade). Refused with an error Failure that says why, in this order:
//   "The picture is 24 x 8 pixels; 3 tiles, 16 a row, take 128 x 8."
//   "The picture has 5 colours; 2 bits a pixel take at most 4."
//   "The colour #FF0000 is not one of the four grey shades (#FFFFFF, #AAAAAA, #555555, #000000)."
//   "Palette $E4 gives no colour number the shade #555555 (1 bit a pixel: colours 0 and 1)."
std::vector<uint8_t> ImageToTiles(const RgbImage& image, uint32_t tiles, const TileLayout& layout,
                                  uint8_t palette);
