#include <gtest/gtest.h>

#include "model/Failure.h"
#include "model/NumberText.h"

TEST(NumberText, StrToIntAcceptsDecimalAndDollarHex) {
  struct Row {
    const char* text;
    int32_t value;
  };
  const Row rows[] = {{"0", 0},
                      {"336", 336},
                      {"-1", -1},
                      {"+5", 5},
                      {"$0150", 0x150},
                      {"$ff", 255},
                      {"$aBcD", 0xABCD},
                      {"$FFFFFFFF", -1},
                      {"2147483647", 2147483647},
                      {"-2147483648", INT32_MIN},
                      {"010", 10}};
  for (const Row& r : rows) EXPECT_EQ(StrToInt(r.text), r.value) << r.text;
}

TEST(NumberText, StrToIntRefusesEverythingElseWithTheWholeText) {
  const char* bad[] = {"",    "$", "1A",   "$1FFFFFFFF", "2147483648", " 1",          "1 ",
                       "$-1", "-", "0x10", "$1 ",        "%101",       "-2147483649", "$$01"};
  for (const char* text : bad) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(NumberText, BinaryTextRoundTripsAndReadsLeniently) {
  EXPECT_EQ(IntToBin(0), "%0");
  EXPECT_EQ(IntToBin(5), "%101");
  EXPECT_EQ(IntToBin(0xFFFF), "%1111111111111111");
  for (uint32_t v = 0; v <= 0xFFFF; ++v) {
    ASSERT_EQ(BinToInt(IntToBin(static_cast<uint16_t>(v))), v);
  }
  EXPECT_EQ(BinToInt("%101"), 5);
  EXPECT_EQ(BinToInt("%"), 0);
  EXPECT_EQ(BinToInt(""), 0);
  EXPECT_EQ(BinToInt("%1x1"), 5);
  EXPECT_EQ(BinToInt("%10000000000000000"), 0x8000);  // seventeen digits: the first 16 count
  EXPECT_EQ(BinToInt("x11"), 3);                      // the prefix is dropped, whatever it is
}

TEST(NumberText, IntToHexPadsAndWidens) {
  EXPECT_EQ(IntToHex(0, 2), "00");
  EXPECT_EQ(IntToHex(0x150, 6), "000150");
  EXPECT_EQ(IntToHex(0x100, 2), "100");
  EXPECT_EQ(IntToHex(0xABCDEF, 1), "ABCDEF");
}

TEST(NumberText, ByteCountTextIsSingularForOne) {
  EXPECT_EQ(ByteCountText(0), "0 bytes");
  EXPECT_EQ(ByteCountText(1), "1 byte");
  EXPECT_EQ(ByteCountText(0x150), "336 bytes");
}

TEST(NumberText, GroupedDecimalPutsACommaEveryThreeDigits) {
  const std::pair<uint64_t, const char*> rows[] = {
      {0, "0"}, {999, "999"}, {1000, "1,000"}, {1204, "1,204"}, {100000, "100,000"},
      {8388608, "8,388,608"}};
  for (const auto& [value, text] : rows) EXPECT_EQ(GroupedDecimal(value), text);
}
