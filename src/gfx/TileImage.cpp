#include "gfx/TileImage.h"

#include <set>
#include <string>

#include "model/Failure.h"
#include "model/NumberText.h"

namespace {

std::string ColourText(uint32_t rgb) { return "#" + IntToHex(rgb, 6); }

uint32_t PixelAt(const RgbImage& image, size_t i) {
  return uint32_t{image.Rgb[3 * i]} << 16 | uint32_t{image.Rgb[3 * i + 1]} << 8 |
         image.Rgb[3 * i + 2];
}

}  // namespace

RgbImage TilesToImage(const uint8_t* bytes, size_t length, const TileLayout& layout,
                      uint8_t palette) {
  const TilePicture picture = DecodeTiles(bytes, length, layout);
  uint8_t grey[4];
  for (uint8_t c = 0; c < 4; ++c) grey[c] = GreyOfShade(ShadeOf(palette, c));
  RgbImage image{picture.Width, picture.Height, {}};
  image.Rgb.resize(picture.Pixels.size() * 3);
  for (size_t i = 0; i < picture.Pixels.size(); ++i) {
    const uint8_t g = grey[picture.Pixels[i] & 3];
    image.Rgb[3 * i] = image.Rgb[3 * i + 1] = image.Rgb[3 * i + 2] = g;
  }
  return image;
}

std::vector<uint8_t> ImageToTiles(const RgbImage& image, uint32_t tiles, const TileLayout& layout,
                                  uint8_t palette) {
  const uint32_t width = std::max(layout.WidthTiles, 1u) * 8;
  const uint32_t height = layout.RowsFor(tiles) * 8;
  if (image.Width != width || image.Height != height) {
    throw ErrorFailure("The picture is " + std::to_string(image.Width) + " x " +
                       std::to_string(image.Height) + " pixels; " + std::to_string(tiles) +
                       (tiles == 1 ? " tile, " : " tiles, ") + std::to_string(layout.WidthTiles) +
                       " a row, take " + std::to_string(width) + " x " + std::to_string(height) +
                       ".");
  }
  const size_t pixels = size_t{width} * height;
  std::set<uint32_t> colours;
  for (size_t i = 0; i < pixels && colours.size() <= 4; ++i) colours.insert(PixelAt(image, i));
  const uint32_t most = layout.Bits == 1 ? 2 : 4;
  if (colours.size() > most) {
    throw ErrorFailure("The picture has " + std::string(colours.size() > 4 ? "more than 4" : std::to_string(colours.size())) +
                       " colours; " + (layout.Bits == 1 ? "1 bit a pixel takes" : "2 bits a pixel take") +
                       " at most " + std::to_string(most) + ".");
  }
  // Each colour of the picture gets its colour number: its shade first, then the palette's
  // first colour number of that shade.
  uint8_t numberOf[256] = {};
  for (uint32_t rgb : colours) {
    const uint8_t r = rgb >> 16, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    if (r != g || g != b || (255 - r) % 85 != 0) {
      throw ErrorFailure("The colour " + ColourText(rgb) +
                         " is not one of the four grey shades (#FFFFFF, #AAAAAA, #555555, "
                         "#000000).");
    }
    const auto shade = static_cast<uint8_t>((255 - r) / 85);
    int number = -1;
    for (uint8_t c = 0; c < most && number < 0; ++c) {
      if (ShadeOf(palette, c) == shade) number = c;
    }
    if (number < 0) {
      throw ErrorFailure("Palette " + PaletteText(palette) + " gives no colour number the shade " +
                         ColourText(rgb) +
                         (layout.Bits == 1 ? " (1 bit a pixel: colours 0 and 1)." : "."));
    }
    numberOf[r] = static_cast<uint8_t>(number);
  }
  TilePicture picture{width, height, std::vector<uint8_t>(pixels)};
  for (size_t i = 0; i < pixels; ++i) picture.Pixels[i] = numberOf[image.Rgb[3 * i]];
  return EncodeTiles(picture, tiles, layout);
}
