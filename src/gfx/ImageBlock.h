#pragma once
// Image blocks (tiles marked in the symbol file) as the window and the command line use them:
// their layout, the shape and palette as the user types them, and a picture put back over them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/Png.h"
#include "gfx/Tiles.h"
#include "model/Marks.h"
#include "model/Rom.h"

// How an image block's tiles are laid out (tiles a row at most 32, as the pane draws them).
TileLayout LayoutOf(const ImageShape& shape);

// "16", "16 2bpp", "8 1bpp": tiles a row (1-32), then the bits a pixel (2bpp when left out).
// Throws an error Failure: "Give the tiles a row (1-32), then 1bpp or 2bpp, as in 16 2bpp."
ImageShape ParseImageShape(std::string_view text);
// "16 2bpp"
std::string ImageShapeText(const ImageShape& shape);

// "$E4", "228": a palette byte as the BGP register holds it. Throws an error Failure: "The
// palette is a byte as the BGP register holds it, $00 to $FF (as in $E4)."
uint8_t ParsePalette(std::string_view text);

// The picture of an image block's whole tiles (the pane's colours aside).
RgbImage ImageBlockPicture(const Rom& rom, const MarkBlock& block, uint8_t palette);

// The bytes that a picture puts over an image block's whole tiles. Refused as ImageToTiles
// refuses, and with "The image block holds no whole tile." for a block shorter than one.
std::vector<uint8_t> ImportImageBytes(const MarkBlock& block, const RgbImage& image,
                                      uint8_t palette);
