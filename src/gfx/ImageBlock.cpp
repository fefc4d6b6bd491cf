#include "gfx/ImageBlock.h"

#include <algorithm>

#include "gfx/TileImage.h"
#include "model/Failure.h"
#include "model/NumberText.h"

TileLayout LayoutOf(const ImageShape& shape) {
  return {std::min(shape.WidthTiles(), 32u), shape.Bits == 1 ? uint8_t{1} : uint8_t{2}, false};
}

ImageShape ParseImageShape(std::string_view text) {
  const auto refuse = [] {
    return ErrorFailure("Give the tiles a row (1-32), then 1bpp or 2bpp, as in 16 2bpp.");
  };
  size_t at = text.find_first_not_of(" \t");
  if (at == std::string_view::npos) throw refuse();
  uint32_t tiles = 0;
  size_t digits = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3; ++at, ++digits) {
    tiles = tiles * 10 + static_cast<uint32_t>(text[at] - '0');
  }
  if (digits == 0 || tiles < 1 || tiles > 32) throw refuse();
  const size_t rest = text.find_first_not_of(" \t", at);
  ImageShape shape;
  shape.Width = static_cast<uint16_t>(tiles * 8);
  if (rest != std::string_view::npos) {
    if (rest == at) throw refuse();  // "16x": no blank before the bits
    const std::string_view bits = text.substr(rest, text.find_last_not_of(" \t") + 1 - rest);
    if (bits == "1bpp") {
      shape.Bits = 1;
    } else if (bits != "2bpp") {
      throw refuse();
    }
  }
  return shape;
}

std::string ImageShapeText(const ImageShape& shape) {
  return std::to_string(LayoutOf(shape).WidthTiles) + (shape.Bits == 1 ? " 1bpp" : " 2bpp");
}

uint8_t ParsePalette(std::string_view text) {
  int32_t value = -1;
  try {
    value = StrToInt(text);
  } catch (const ConversionError&) {
  }
  if (value < 0 || value > 0xFF) {
    throw ErrorFailure("The palette is a byte as the BGP register holds it, $00 to $FF (as in $E4).");
  }
  return static_cast<uint8_t>(value);
}

RgbImage ImageBlockPicture(const Rom& rom, const MarkBlock& block, uint8_t palette) {
  return TilesToImage(rom.RomImage.data() + block.Offset, ImageTilesEnd(block) - block.Offset,
                      LayoutOf(block.Image), palette);
}

std::vector<uint8_t> ImportImageBytes(const MarkBlock& block, const RgbImage& image,
                                      uint8_t palette) {
  const uint32_t tiles = block.Length / block.Image.TileBytes();
  if (tiles == 0) throw ErrorFailure("The image block holds no whole tile.");
  return ImageToTiles(image, tiles, LayoutOf(block.Image), palette);
}
