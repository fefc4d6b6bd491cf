#include "gfx/Png.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <new>

#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/FileWrite.h"

namespace {

// libpng reports errors through a callback that must not return. It keeps the message and jumps
// back to the setjmp of the function that called libpng (C frames cannot carry an exception);
// that function throws it. Nothing between holds an object with a destructor.
struct PngError {
  char text[200] = {};
};
[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<PngError*>(png_get_error_ptr(png));
  std::strncpy(error->text, message, sizeof error->text - 1);
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

struct Source {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
};

void AppendBytes(png_structp png, png_bytep data, size_t length) {
  auto* sink = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  sink->insert(sink->end(), data, data + length);
}

void TakeBytes(png_structp png, png_bytep out, size_t length) {
  auto* s = static_cast<Source*>(png_get_io_ptr(png));
  if (s->size - s->at < length) png_error(png, "the file ends early");
  std::memcpy(out, s->data + s->at, length);
  s->at += length;
}

bool AllGrey(const RgbImage& image) {
  for (size_t i = 0; i + 2 < image.Rgb.size(); i += 3) {
    if (image.Rgb[i] != image.Rgb[i + 1] || image.Rgb[i] != image.Rgb[i + 2]) return false;
  }
  return true;
}

// The libpng part of EncodePng: no object with a destructor lives here, so the jump back from
// an error skips nothing. False after an error, its text in `error`.
bool WritePng(const RgbImage& image, bool grey, std::vector<uint8_t>* out, uint8_t* row,
              PngError* error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    throw std::bad_alloc();
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, AppendBytes, [](png_structp) {});
  png_set_IHDR(png, info, image.Width, image.Height, 8, grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Tiles repeat short runs of a few values: run-length matching packs them about as well as a
  // full search, many times faster (a full search takes seconds over a ROM's pictures).
  png_set_compression_level(png, 6);
  png_set_compression_strategy(png, Z_RLE);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  const size_t rowBytes = size_t{image.Width} * (grey ? 1 : 3);
  for (uint32_t y = 0; y < image.Height; ++y) {
    const uint8_t* in = image.Rgb.data() + size_t{y} * image.Width * 3;
    for (size_t x = 0; x < rowBytes; ++x) row[x] = grey ? in[3 * x] : in[x];
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// The libpng part of DecodePng, as WritePng.
bool ReadPng(Source* source, RgbImage* image, PngError* error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    throw std::bad_alloc();
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, source, TakeBytes);
  // A header that claims a giant picture is refused before anything is allocated.
  png_set_user_limits(png, 1u << 14, 1u << 14);
  png_read_info(png, info);
  // Every kind becomes 8-bit RGB: palettes and small greys expanded, 16 bits cut, alpha dropped.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  image->Width = png_get_image_width(png, info);
  image->Height = png_get_image_height(png, info);
  if (png_get_rowbytes(png, info) != size_t{image->Width} * 3) {
    png_error(png, "an unexpected pixel layout");
  }
  image->Rgb.resize(size_t{image->Width} * image->Height * 3);
  png_bytep* rows = reinterpret_cast<png_bytep*>(png_malloc(png, sizeof(png_bytep) * image->Height));
  for (uint32_t y = 0; y < image->Height; ++y) rows[y] = image->Rgb.data() + size_t{y} * image->Width * 3;
  png_read_image(png, rows);
  png_free(png, rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(const RgbImage& image) {
  const bool grey = AllGrey(image);
  std::vector<uint8_t> out;
  std::vector<uint8_t> row(size_t{image.Width} * 3);
  PngError error;
  if (!WritePng(image, grey, &out, row.data(), &error)) {
    throw ErrorFailure("The PNG picture cannot be written: " + std::string(error.text) + ".");
  }
  return out;
}

RgbImage DecodePng(const uint8_t* data, size_t size) {
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    throw ErrorFailure("The file is not a PNG picture.");
  }
  RgbImage image;
  Source source{data, size};
  PngError error;
  if (!ReadPng(&source, &image, &error)) {
    throw ErrorFailure("The PNG picture cannot be read: " + std::string(error.text) + ".");
  }
  return image;
}

void WritePngFile(const std::string& fileName, const RgbImage& image) {
  const std::vector<uint8_t> bytes = EncodePng(image);
  SaveFileSafely(fileName, bytes.data(), bytes.size());
}

RgbImage ReadPngFile(const std::string& fileName) {
  const std::string bytes =
      ReadRegularFile(fileName, size_t{64} << 20, "The picture is larger than 64 MiB.");
  return DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
