#pragma once
// Image blocks in an exported source: each one's whole tiles as a PNG picture under gfx/, turned
// back into the same bytes by rgbgfx in the Makefile and included with INCBIN.

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/Tiles.h"
#include "model/Labels.h"
#include "model/Marks.h"

struct ExportImage {
  uint32_t Offset = 0;  // its whole tiles, [Offset, End)
  uint32_t End = 0;
  // After the block's first label ("Font"), else its place ("01_4000"); unique in the project.
  std::string Name;
  TileLayout Layout;
  uint32_t Padding = 0;  // blank tiles that fill the picture's last row
  // "gfx/Font.png"; the tiles rgbgfx makes of it, "build/gfx/Font.2bpp" (or ".1bpp")
  std::string PngName() const { return "gfx/" + Name + ".png"; }
  std::string BinName() const {
    return "build/gfx/" + Name + (Layout.Bits == 1 ? ".1bpp" : ".2bpp");
  }
};

// The image blocks of the ROM that hold a whole tile, in offset order.
std::vector<ExportImage> PlanExportImages(const RomMarks& marks, const LabelTables& labels,
                                          uint32_t romSize);

// The picture's PNG file: 2 bits a pixel in the four greys, colour n as shade n; 1 bit a pixel
// in white and black.
std::string ExportImagePng(const ExportImage& image, const uint8_t* rom);

// The Makefile's rules that make each tile file from its picture with rgbgfx, byte for byte.
std::string ExportImageRules(const std::vector<ExportImage>& images);
