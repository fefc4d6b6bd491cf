#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "TestRom.h"
#include "model/Failure.h"
#include "search/ByteSearch.h"

TEST(ByteSearch, PatternTextsGiveTheirBytesOrTheFailingToken) {
  struct Row {
    const char* text;
    std::vector<uint8_t> bytes;
    const char* error;  // the conversion error's text, or null
  };
  const std::string long150 = [] {
    std::string t = "$00";
    for (int i = 1; i < 150; ++i) t += " " + std::to_string(i % 10);
    return t;
  }();
  const Row rows[] = {
      {"$00 00 00", {0x00, 0x00, 0x00}, nullptr},
      {"$C3 50 01", {0xC3, 0x50, 0x01}, nullptr},
      {"195 80 1", {0xC3, 0x50, 0x01}, nullptr},
      {"%101 11", {0x05, 0x03}, nullptr},
      {"$1FF", {0xFF}, nullptr},
      {"$ff 0a", {0xFF, 0x0A}, nullptr},
      {"-1 2", {0xFF, 0x02}, nullptr},
      {"256", {0x00}, nullptr},
      {"$00 ", {0x00}, nullptr},
      {"$00  01", {}, "'$' is not a valid integer value"},
      {"00 $01", {}, "'$$01' is not a valid integer value"},
      {"", {}, nullptr},
      {"$", {}, nullptr},
      {"%", {}, nullptr},
      // Binary never fails: other characters count as 0, an empty token is 0, and the low 8
      // bits of a longer number are kept.
      {"%1x1  1", {0x05, 0x00, 0x01}, nullptr},
      {"%111111111", {0xFF}, nullptr},
      // Only the first character is dropped, whatever it is; the "$" elsewhere picks the base.
      {"x10 $", {}, "'$$' is not a valid integer value"},
      {"1 2 $", {}, "'$' is not a valid integer value"},  // " 2 $": an empty first token
      {"12 ab", {}, "'ab' is not a valid integer value"},
      {" 1", {}, "'' is not a valid integer value"},
      {"$0A 0G", {}, "'$0G' is not a valid integer value"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    if (r.error) {
      try {
        ParseBytePattern(r.text);
        ADD_FAILURE() << "accepted";
      } catch (const ConversionError& e) {
        EXPECT_EQ(std::string(e.what()), r.error);
      }
    } else {
      EXPECT_EQ(ParseBytePattern(r.text), r.bytes);
    }
  }
  // No cap on the number of bytes.
  std::vector<uint8_t> pattern = ParseBytePattern(long150);
  ASSERT_EQ(pattern.size(), 150u);
  EXPECT_EQ(pattern[149], 9);
}

TEST(ByteSearch, ScansForwardFromStartWithinTheRom) {
  auto rom = MakeRom(0x8000);
  Put(*rom, 0x100, {0xC3, 0x50, 0x01});
  Put(*rom, 0x2000, {0xC3, 0x50, 0x01});
  Put(*rom, 0x3000, {0x00, 0x00, 0xAB});
  Put(*rom, 0x7FFD, {0x11, 0x22, 0x33});
  Put(*rom, 0x8000, {0x44, 0x55});  // past RomSize: never part of a match
  Put(*rom, 0x5000, {0xFF, 0xFF, 0xFF, 0x07});

  struct Row {
    int32_t start;
    const char* text;
    int32_t found;
  };
  const Row rows[] = {
      {0, "$C3 50 01", 0x100},       // first match
      {0x100, "$C3 50 01", 0x100},   // the start itself counts
      {0x101, "$C3 50 01", 0x2000},  // next one after it
      {0x2001, "$C3 50 01", -1},     // no wrap-around to the first
      {0, "80 1", 0x101},            // a match starts anywhere, inside an instruction too
      {0, "$00 00 AB", 0x3000},      // leading zeros in a zero-filled ROM
      {0, "$FF FF 07", 0x5001},     {0, "$11 22 33", 0x7FFD},  // ends on the last byte
      {0, "$22 33 44", -1},                                    // would run past RomSize
      {0, "$33 44 55", -1},         {-5, "$C3", 0x100},  // a negative start is the start of the ROM
      {0x7FFF, "$33", 0x7FFF},      {0x8000, "$44", -1},
      {0x123, "", 0x123},  // the empty pattern matches at start
      {0x8000, "$", 0x8000},        {0x8001, "%", -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.text) + " from " + std::to_string(r.start));
    EXPECT_EQ(SearchBytes(*rom, r.start, r.text), r.found);
  }
}

// Against a plain compare at every offset, on data rich in repeats, zeros and FF.
TEST(ByteSearch, FindBytesAgreesWithAPlainScan) {
  auto rom = MakeRom(0x6123);
  std::mt19937 rng(7);
  for (uint32_t i = 0; i < 0x6200; ++i) {
    const uint32_t r = rng() % 8;
    rom->RomImage[i] = r < 3 ? 0x00 : r < 5 ? 0xFF : static_cast<uint8_t>(rng() % 4 + 1);
  }
  auto plain = [&](int32_t start, const std::vector<uint8_t>& p) -> int32_t {
    for (int64_t o = start; o + static_cast<int64_t>(p.size()) <= rom->RomSize; ++o) {
      if (std::equal(p.begin(), p.end(), rom->RomImage.begin() + o)) return static_cast<int32_t>(o);
    }
    return -1;
  };
  for (int i = 0; i < 400; ++i) {
    std::vector<uint8_t> pattern(rng() % 6 + 1);
    const uint32_t from = rng() % (rom->RomSize + 4);
    for (size_t k = 0; k < pattern.size(); ++k) {
      pattern[k] = i % 2 ? rom->RomImage[from + k] : static_cast<uint8_t>(rng() % 6);
    }
    const auto start = static_cast<int32_t>(rng() % rom->RomSize);
    ASSERT_EQ(FindBytes(*rom, start, pattern), plain(start, pattern)) << i;
  }
}
