#include "export/ImageExport.h"

#include <set>

#include "gfx/Png.h"
#include "gfx/TileImage.h"
#include "model/BankAddress.h"

namespace {

// rgbgfx reads greys by their shade: "dmg=E4" gives colour n the shade n. A 1-bit picture must
// be white and black for it to bin the two greys apart, so colour 1 is drawn black ($0C).
constexpr uint8_t kTwoBitPalette = 0xE4;
constexpr uint8_t kOneBitPalette = 0x0C;

std::string FileNameOf(std::string name) {
  for (char& c : name) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
    if (!keep) c = '_';
  }
  return name;
}

}  // namespace

std::vector<ExportImage> PlanExportImages(const RomMarks& marks, const LabelTables& labels,
                                          uint32_t romSize) {
  std::vector<ExportImage> images;
  std::set<std::string> taken;
  for (const MarkBlock& b : marks.Blocks()) {
    if (b.Kind != MarkKind::Image || b.Offset >= romSize) continue;
    ExportImage image;
    image.Offset = b.Offset;
    image.Layout = {b.Image.WidthTiles(), b.Image.Bits == 1 ? uint8_t{1} : uint8_t{2}, false};
    const uint32_t tileBytes = image.Layout.TileBytes();
    const uint32_t tiles = (std::min(b.End(), romSize) - b.Offset) / tileBytes;
    if (tiles == 0) continue;
    image.End = b.Offset + tiles * tileBytes;
    image.Padding = image.Layout.RowsFor(tiles) * image.Layout.WidthTiles - tiles;
    const int32_t label = labels.FirstRomLabelAt(static_cast<int32_t>(b.Offset));
    std::string name = label == LabelTables::kNone
                           ? OffsetToBankAddress(b.Offset)
                           : labels.RomLabels()[static_cast<size_t>(label)].Name;
    name = FileNameOf(name);
    std::string unique = name;
    for (int n = 2; !taken.insert(unique).second; ++n) unique = name + "_" + std::to_string(n);
    image.Name = unique;
    images.push_back(std::move(image));
  }
  return images;
}

std::string ExportImagePng(const ExportImage& image, const uint8_t* rom) {
  const std::vector<uint8_t> png = EncodePng(
      TilesToImage(rom + image.Offset, image.End - image.Offset, image.Layout,
                   image.Layout.Bits == 1 ? kOneBitPalette : kTwoBitPalette));
  return std::string(png.begin(), png.end());
}

std::string ExportImageRules(const std::vector<ExportImage>& images) {
  std::string out;
  for (const ExportImage& image : images) {
    out += image.BinName() + ": " + image.PngName() + "\n\t@mkdir -p $(@D)\n\t$(RGBGFX) -c dmg=E4 -d " +
           std::to_string(image.Layout.Bits) +
           (image.Padding != 0 ? " -x " + std::to_string(image.Padding) : std::string()) +
           " -o $@ $<\n\n";
  }
  return out;
}
