#include <gtest/gtest.h>

#include "model/Failure.h"
#include "search/Goto.h"

TEST(Goto, TargetsAndRecordedTexts) {
  struct Row {
    const char* text;
    bool gameBoyMode;
    int32_t offset;
    const char* recorded;
  };
  const Row rows[] = {
      {"00:0150", true, 0x150, "336"},  // GameBoy address: the offset in decimal
      {"01:4150", true, 0x4150, "16720"},
      {"1F:7FFF", true, 0x7FFFF, "524287"},
      {"$4150", false, 0x4150, "$4150"},  // file offset: the text as typed
      {"16720", false, 0x4150, "16720"},
      {"$004150", false, 0x4150, "$004150"},
      {"-5", false, -5, "-5"},  // the listing clamps it
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    const GotoTarget target = GotoTargetFor(r.text, r.gameBoyMode, 0x20);
    EXPECT_EQ(target.Offset, r.offset);
    EXPECT_EQ(target.LastSearchText, r.recorded);
    LastSearch last;
    RecordGoto(last, target);
    EXPECT_EQ(last.LastSearchKind, SearchKind::Goto);
    EXPECT_EQ(last.LastSearchText, r.recorded);
  }
}

TEST(Goto, ModeSwitchConversions) {
  struct Row {
    const char* text;
    bool gameBoyAddress;
    const char* converted;  // by the conversion of the mode the text selects
  };
  const Row rows[] = {
      {"01:4150", true, "$004150"}, {"$004150", false, "01:4150"}, {"$000150", false, "00:0150"},
      {"336", false, "00:0150"},    {"00:0000", true, "$000000"},  {"0a:4abc", true, "$028ABC"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(IsGameBoyAddressText(r.text), r.gameBoyAddress);
    EXPECT_EQ(r.gameBoyAddress ? BankAddressToFileOffsetText(r.text, 0x20)
                               : FileOffsetTextToBankAddress(r.text),
              r.converted);
  }
}

TEST(Goto, FailuresOfTheConversions) {
  // A bank beyond a 32 KiB ROM, and a RAM address.
  EXPECT_THROW(GotoTargetFor("03:4000", true, 2), Failure);
  EXPECT_THROW(BankAddressToFileOffsetText("01:C000", 2), Failure);
  struct Row {
    const char* text;
    bool gameBoyMode;
    const char* error;
  };
  const Row rows[] = {
      {"zz:0000", true, "'$zz' is not a valid integer value"},
      {"01:", true, "'$' is not a valid integer value"},
      {"01:4150", false, "'01:4150' is not a valid integer value"},
      {"abc", false, "'abc' is not a valid integer value"},
  };
  for (const Row& r : rows) {
    try {
      GotoTargetFor(r.text, r.gameBoyMode, 2);
      ADD_FAILURE() << "accepted " << r.text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), r.error);
    }
  }
  try {
    FileOffsetTextToBankAddress("0x10");
    ADD_FAILURE();
  } catch (const ConversionError& e) {
    EXPECT_EQ(std::string(e.what()), "'0x10' is not a valid integer value");
  }
}
