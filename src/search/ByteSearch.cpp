#include "search/ByteSearch.h"

#include <cstring>
#include <string>

#include "model/NumberText.h"

namespace {
enum class Base { Dec, Hex, Bin };
}  // namespace

std::vector<uint8_t> ParseBytePattern(std::string_view text) {
  Base base = Base::Dec;
  if (text.find('$') != std::string_view::npos) {
    base = Base::Hex;
  } else if (text.find('%') != std::string_view::npos) {
    base = Base::Bin;
  }
  // The prefix stands once, in front of the first byte, for all of them. It is dropped
  // whatever character stands there, so "00 $01" loses its first zero.
  std::string_view rest = text;
  if (base != Base::Dec && !rest.empty()) rest.remove_prefix(1);

  std::vector<uint8_t> pattern;
  std::string token;
  while (!rest.empty()) {
    // Every single space ends a token: two in a row give an empty one, a trailing one none.
    const size_t space = rest.find(' ');
    const std::string_view piece = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    switch (base) {
      case Base::Dec:
        pattern.push_back(static_cast<uint8_t>(StrToInt(piece)));
        break;
      case Base::Hex:
        token.assign("$").append(piece);
        pattern.push_back(static_cast<uint8_t>(StrToInt(token)));
        break;
      case Base::Bin:
        token.assign("%").append(piece);
        pattern.push_back(static_cast<uint8_t>(BinToInt(token)));
        break;
    }
  }
  return pattern;
}

int32_t FindBytes(const Rom& rom, int32_t start, std::span<const uint8_t> pattern) {
  const int64_t from = start < 0 ? 0 : start;
  const int64_t size = rom.RomSize;
  const int64_t n = static_cast<int64_t>(pattern.size());
  if (n == 0) return from <= size ? static_cast<int32_t>(from) : -1;
  if (from + n > size) return -1;

  // Scan for one byte of the pattern with memchr and compare the rest where it stands. The
  // anchor is the first byte that is neither 00 nor FF: ROMs are full of both (padding,
  // cleared tables), so those make poor anchors.
  size_t anchor = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != 0x00 && pattern[i] != 0xFF) {
      anchor = i;
      break;
    }
  }
  const uint8_t* image = rom.RomImage.data();
  const uint8_t* p = image + from + static_cast<int64_t>(anchor);
  // One past the last place where the anchor byte can stand in a match.
  const uint8_t* end = image + (size - n) + static_cast<int64_t>(anchor) + 1;
  while (p < end) {
    p = static_cast<const uint8_t*>(std::memchr(p, pattern[anchor], static_cast<size_t>(end - p)));
    if (p == nullptr) return -1;
    const uint8_t* match = p - anchor;
    if (std::memcmp(match, pattern.data(), pattern.size()) == 0) {
      return static_cast<int32_t>(match - image);
    }
    ++p;
  }
  return -1;
}

int32_t SearchBytes(const Rom& rom, int32_t start, std::string_view text) {
  const std::vector<uint8_t> pattern = ParseBytePattern(text);
  return FindBytes(rom, start, pattern);
}
