// Tile bytes as pictures and PNG files: golden pictures of made-up tiles, the way back from a
// picture to the same bytes, and the pictures an import refuses.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "TestRom.h"
#include "gfx/ImageBlock.h"
#include "gfx/Png.h"
#include "gfx/TileImage.h"
#include "gfx/Tiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Tiles that use every colour number in stripes, corners and steps, different in each tile.
Bytes MadeUpTiles(uint32_t tiles, uint32_t tileBytes) {
  Bytes bytes(size_t{tiles} * tileBytes);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto t = static_cast<uint32_t>(i / tileBytes), row = static_cast<uint32_t>(i % tileBytes);
    bytes[i] = static_cast<uint8_t>((0xFF >> (row / 2 + t) % 8) ^ (row % 2 ? 0x3C * t : 0x81 << t % 3));
  }
  return bytes;
}

std::string GoldenPath(const std::string& name) {
  return std::string(VELMORA_GOLDEN) + "/tiles/" + name + ".png";
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct GoldenRow {
  const char* name;
  uint32_t tiles;
  TileLayout layout;
  uint8_t palette;
};

// Each picture is compared with its file byte for byte, then read back into the same bytes.
// VELMORA_UPDATE_GOLDEN=1 writes the files anew (look at them before committing).
TEST(TilesTest, GoldenPicturesAndBack) {
  const GoldenRow rows[] = {
      {"2bpp-w1", 3, {1, 2, false}, 0xE4},
      {"2bpp-w16", 20, {16, 2, false}, 0xE4},
      {"1bpp-w4", 6, {4, 1, false}, 0xE4},
      {"8x16-w2", 7, {2, 2, true}, 0xE4},
      {"palette-1b", 4, {4, 2, false}, 0x1B},
  };
  const bool update = std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr;
  for (const GoldenRow& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes tiles = MadeUpTiles(row.tiles, row.layout.TileBytes());
    const Bytes png = EncodePng(TilesToImage(tiles.data(), tiles.size(), row.layout, row.palette));
    if (update) std::ofstream(GoldenPath(row.name), std::ios::binary)
                    .write(reinterpret_cast<const char*>(png.data()), png.size());
    const Bytes golden = ReadFileBytes(GoldenPath(row.name));
    EXPECT_EQ(png, golden);
    const RgbImage read = DecodePng(golden.data(), golden.size());
    EXPECT_EQ(ImageToTiles(read, row.tiles, row.layout, row.palette), tiles);
  }
}

// Every byte value in every layout survives the way to a picture and back.
TEST(TilesTest, BytesSurvivePictureInEveryLayout) {
  Bytes all(256 * 2);
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i * 167 + i / 256);
  for (const TileLayout layout : {TileLayout{1, 2, false}, TileLayout{5, 2, false},
                                  TileLayout{3, 2, true}, TileLayout{32, 1, false},
                                  TileLayout{7, 1, true}}) {
    const auto tiles = static_cast<uint32_t>(all.size() / layout.TileBytes());
    const TilePicture picture = DecodeTiles(all.data(), all.size(), layout);
    EXPECT_EQ(picture.Height, layout.RowsFor(tiles) * 8);
    EXPECT_EQ(EncodeTiles(picture, tiles, layout), all) << layout.WidthTiles << (layout.Tall ? " tall" : "");
  }
}

// The planar layout, pixel by pixel: low plane first, bit 7 leftmost; 1 bpp has no high plane.
TEST(TilesTest, DecodesThePlanesOfOneRow) {
  const Bytes two = {0x0F, 0x55, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const TilePicture p2 = DecodeTiles(two.data(), two.size(), {1, 2, false});
  EXPECT_EQ(Bytes(p2.Pixels.begin(), p2.Pixels.begin() + 8), (Bytes{0, 2, 0, 2, 1, 3, 1, 3}));
  const Bytes one = {0xA0, 0, 0, 0, 0, 0, 0, 0xFF, 0x01};  // the 9th byte is no whole tile
  const TilePicture p1 = DecodeTiles(one.data(), one.size(), {2, 1, false});
  EXPECT_EQ(p1.Width, 16u);
  EXPECT_EQ(Bytes(p1.Pixels.begin(), p1.Pixels.begin() + 9), (Bytes{1, 0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(p1.Pixels[7 * 16 + 7], 1);
}

RgbImage Grey(uint32_t width, uint32_t height, std::initializer_list<uint32_t> colours) {
  RgbImage image{width, height, std::vector<uint8_t>(size_t{width} * height * 3, 0xFF)};
  size_t i = 0;
  for (uint32_t rgb : colours) {
    image.Rgb[i++] = static_cast<uint8_t>(rgb >> 16);
    image.Rgb[i++] = static_cast<uint8_t>(rgb >> 8);
    image.Rgb[i++] = static_cast<uint8_t>(rgb);
  }
  return image;
}

TEST(TilesTest, ImportRefusals) {
  struct Row {
    RgbImage image;
    uint32_t tiles;
    TileLayout layout;
    uint8_t palette;
    const char* message;
  };
  const Row rows[] = {
      {Grey(24, 8, {}), 3, {16, 2, false}, 0xE4,
       "The picture is 24 x 8 pixels; 3 tiles, 16 a row, take 128 x 8."},
      {Grey(8, 8, {}), 1, {1, 2, true}, 0xE4,
       "The picture is 8 x 8 pixels; 1 tile, 1 a row, take 8 x 16."},
      {Grey(8, 8, {0x000000, 0x555555, 0xAAAAAA, 0x010101, 0x020202}), 1, {1, 2, false}, 0xE4,
       "The picture has more than 4 colours; 2 bits a pixel take at most 4."},
      {Grey(8, 8, {0x000000, 0x555555}), 1, {1, 1, false}, 0xE4,
       "The picture has 3 colours; 1 bit a pixel takes at most 2."},
      {Grey(8, 8, {0xFF0000}), 1, {1, 2, false}, 0xE4,
       "The colour #FF0000 is not one of the four grey shades (#FFFFFF, #AAAAAA, #555555, "
       "#000000)."},
      {Grey(8, 8, {0x808080}), 1, {1, 2, false}, 0xE4,
       "The colour #808080 is not one of the four grey shades (#FFFFFF, #AAAAAA, #555555, "
       "#000000)."},
      {Grey(8, 8, {0x000000}), 1, {1, 2, false}, 0x54,
       "Palette $54 gives no colour number the shade #000000."},
      {Grey(8, 8, {0x000000}), 1, {1, 1, false}, 0xE4,
       "Palette $E4 gives no colour number the shade #000000 (1 bit a pixel: colours 0 and 1)."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FailureText([&] { ImageToTiles(row.image, row.tiles, row.layout, row.palette); }),
              row.message);
  }
}

// A palette that gives two colour numbers one shade maps that shade to the lower one.
TEST(TilesTest, ImportTakesTheLowestColourOfAShade) {
  const Bytes tiles = ImageToTiles(Grey(8, 8, {0x000000, 0xAAAAAA}), 1, {1, 2, false}, 0xF4);
  EXPECT_EQ(tiles[0], 0x40);  // black: colour 2 (the first of shade 3); light grey: colour 1
  EXPECT_EQ(tiles[1], 0x80);
}

TEST(TilesTest, PngRefusals) {
  const Bytes golden = ReadFileBytes(GoldenPath("2bpp-w1"));
  const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'p', 'n', 'g', '!'};
  const Bytes cut(golden.begin(), golden.begin() + 40);
  EXPECT_EQ(FailureText([&] { DecodePng(text.data(), text.size()); }),
            "The file is not a PNG picture.");
  EXPECT_EQ(FailureText([&] { DecodePng(cut.data(), cut.size()); }),
            "The PNG picture cannot be read: the file ends early.");
}

// Colour pictures are written as RGB, and an indexed picture reads as its colours.
TEST(TilesTest, PngKeepsColours) {
  const RgbImage colour = Grey(3, 2, {0x102030, 0xFFFFFF, 0x00FF00});
  const Bytes png = EncodePng(colour);
  EXPECT_EQ(DecodePng(png.data(), png.size()), colour);
}

// The shape and palette as typed in Mark as Image and the pane.
TEST(TilesTest, TypedShapesAndPalettes) {
  const std::string badShape = "Give the tiles a row (1-32), then 1bpp or 2bpp, as in 16 2bpp.";
  const std::pair<const char*, std::string> shapes[] = {
      {"16", "128/2"}, {" 8 1bpp ", "64/1"}, {"32 2bpp", "256/2"}, {"1\t1bpp", "8/1"},
      {"0", badShape}, {"33", badShape},     {"16x", badShape},    {"16 3bpp", badShape},
      {"", badShape},  {"1bpp", badShape},   {"0016", badShape},
  };
  for (const auto& row : shapes) {
    const auto& text = row.first;  // a plain reference: a lambda may take it
    const auto& want = row.second;
    std::string got;
    const std::string failure = FailureText([&] {
      const ImageShape shape = ParseImageShape(text);
      got = std::to_string(shape.Width) + "/" + std::to_string(shape.Bits);
    });
    EXPECT_EQ(failure == "no failure" ? got : failure, want) << text;
  }
  EXPECT_EQ(ImageShapeText(ParseImageShape("8 1bpp")), "8 1bpp");
  const std::string badPalette =
      "The palette is a byte as the BGP register holds it, $00 to $FF (as in $E4).";
  const std::pair<const char*, std::string> palettes[] = {
      {"$E4", "228"}, {"$1b", "27"}, {"0", "0"}, {"255", "255"},
      {"256", badPalette}, {"-1", badPalette}, {"E4", badPalette}, {"", badPalette},
  };
  for (const auto& row : palettes) {
    const auto& text = row.first;
    const auto& want = row.second;
    std::string got;
    const std::string failure = FailureText([&] { got = std::to_string(ParsePalette(text)); });
    EXPECT_EQ(failure == "no failure" ? got : failure, want) << text;
  }
}

// An image block's picture is its whole tiles; importing puts the same bytes back, and a
// block of less than a tile takes none.
TEST(TilesTest, ImageBlocksOutAndIn) {
  auto rom = MakeRom(0x8000);
  const Bytes tiles = MadeUpTiles(5, 8);
  std::copy(tiles.begin(), tiles.end(), rom->RomImage.begin() + 0x4000);
  const MarkBlock block{0x4000, 5 * 8 + 3, MarkKind::Image, {16, 1, ",x"}};
  const RgbImage picture = ImageBlockPicture(*rom, block, 0x1B);
  EXPECT_EQ(picture.Width, 16u);
  EXPECT_EQ(picture.Height, 24u);
  EXPECT_EQ(ImportImageBytes(block, picture, 0x1B), tiles);
  const MarkBlock small{0x4000, 7, MarkKind::Image, {16, 1, ""}};
  EXPECT_EQ(FailureText([&] { ImportImageBytes(small, picture, 0x1B); }),
            "The image block holds no whole tile.");
}

}  // namespace
