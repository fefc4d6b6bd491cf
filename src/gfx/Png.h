#pragma once
// PNG pictures read and written through libpng, in memory or as files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A picture of 8-bit red, green and blue, three bytes a pixel, row after row.
struct RgbImage {
  uint32_t Width = 0;
  uint32_t Height = 0;
  std::vector<uint8_t> Rgb;
  bool operator==(const RgbImage&) const = default;
};

// The PNG file of a picture: 8-bit grey when every pixel is grey, else 8-bit RGB. The same
// picture always gives the same bytes (no time, fixed compression), so files can be compared.
std::vector<uint8_t> EncodePng(const RgbImage& image);

// A PNG file of any kind (indexed, grey, RGB, with or without alpha, 1-16 bits) as RGB; alpha is
// dropped. Throws an error Failure "The file is not a PNG picture." or "The PNG picture cannot be
// read: <reason>." for one that libpng refuses.
RgbImage DecodePng(const uint8_t* data, size_t size);

// The two above on files; they throw as ReadRegularFile and SaveFileSafely do.
void WritePngFile(const std::string& fileName, const RgbImage& image);
RgbImage ReadPngFile(const std::string& fileName);
