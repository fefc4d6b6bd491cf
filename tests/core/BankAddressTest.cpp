#include <gtest/gtest.h>

#include "model/BankAddress.h"
#include "model/Failure.h"

TEST(BankAddress, OffsetToText) {
  const std::pair<uint32_t, const char*> rows[] = {
      {0x150, "00:0150"},    {0x3FFF, "00:3FFF"},    {0x4000, "01:4000"},    {0x8000, "02:4000"},
      {0x1F4ABC, "7D:4ABC"}, {0x400000, "100:4000"}, {0x7FFFFF, "1FF:7FFF"}, {0, "00:0000"}};
  for (const auto& [offset, text] : rows) EXPECT_EQ(OffsetToBankAddress(offset), text);
}

TEST(BankAddress, TextToOffset) {
  struct Row {
    const char* text;
    uint32_t bankCount;
    uint32_t offset;
  };
  const Row rows[] = {
      {"00:0000", 2, 0},           {"01:4000", 2, 0x4000},      {"1F:7FFF", 0x20, 0x7FFFF},
      {"0a:4abc", 0x20, 0x28ABC},  {"02:4000", 2, 0x8000},      {"01:14100", 2, 0x4100},
      {"01-4100", 2, 0x4100},      {"01:0100", 2, 0x4100},      {"00:4100", 2, 0x0100},
      {"100:4000", 512, 0x400000}, {"1FF:7FFF", 512, 0x7FFFFF}, {"FF:4000", 256, 0x3FC000},
  };
  for (const Row& r : rows) EXPECT_EQ(BankAddressToOffset(r.text, r.bankCount), r.offset) << r.text;
}

TEST(BankAddress, EveryOffsetRoundTrips) {
  // An 8 MiB ROM has 512 banks; every offset in it reads back from its own text.
  for (uint32_t offset = 0; offset < 0x800000; offset += 7) {
    ASSERT_EQ(BankAddressToOffset(OffsetToBankAddress(offset), 512), offset) << offset;
  }
  for (uint32_t offset = 0x7FFFF0; offset < 0x800000; ++offset) {
    ASSERT_EQ(BankAddressToOffset(OffsetToBankAddress(offset), 512), offset) << offset;
  }
}

TEST(BankAddress, RefusalsNameTheProblem) {
  struct Row {
    const char* text;
    uint32_t bankCount;
    std::string message;
  };
  const std::string bankMsg =
      "Address conversion error. This rom has $02 banks, please use \"Tool->Rom Extender\" to "
      "make rom bigger so you can access bank $";
  const Row rows[] = {
      {"03:4000", 2, bankMsg + "03."},
      {"05:8000", 2, bankMsg + "05."},  // the bank test comes first
      {"01:4000", 0,
       "Address conversion error. This rom has $00 banks, please use \"Tool->Rom Extender\" to "
       "make rom bigger so you can access bank $01."},
      {"101:4000", 256,
       "Address conversion error. This rom has $100 banks, please use \"Tool->Rom Extender\" to "
       "make rom bigger so you can access bank $101."},
      {"01:C000", 2,
       "Address conversion error. Address space $0000 - $7FFF is used to access rom. $C000 is in "
       "ram area."},
      {"00:8000", 2,
       "Address conversion error. Address space $0000 - $7FFF is used to access rom. $8000 is in "
       "ram area."},
      {"01:FFFF", 2,
       "Address conversion error. Address space $0000 - $7FFF is used to access rom. $FFFF is in "
       "ram area."},
  };
  for (const Row& r : rows) {
    try {
      BankAddressToOffset(r.text, r.bankCount);
      ADD_FAILURE() << "accepted " << r.text;
    } catch (const Failure& f) {
      EXPECT_EQ(f.kind, FailureKind::Error);
      EXPECT_EQ(f.text, r.message);
    }
  }
}

TEST(BankAddress, FieldsThatDoNotConvert) {
  const std::pair<const char*, const char*> rows[] = {
      {"1:4000", "'$1:' is not a valid integer value"},
      {"01:", "'$' is not a valid integer value"},
      {"01", "'$' is not a valid integer value"},
      {"", "'$' is not a valid integer value"},
      {" 1:4000", "'$ 1' is not a valid integer value"},
      {"01:40 0", "'$40 0' is not a valid integer value"},
      {"0G:4000", "'$0G' is not a valid integer value"},
  };
  for (const auto& [text, message] : rows) {
    try {
      BankAddressToOffset(text, 2);
      ADD_FAILURE() << "accepted " << text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}
