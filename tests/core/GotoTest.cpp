#include <gtest/gtest.h>

#include <string_view>

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
    const GotoTarget target = GotoTargetFor(r.text, r.gameBoyMode, 0x20, {});
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
  EXPECT_THROW(GotoTargetFor("03:4000", true, 2, {}), Failure);
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
      GotoTargetFor(r.text, r.gameBoyMode, 2, {});
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

TEST(Goto, LabelNamesInEitherMode) {
  LabelTables labels;
  labels.AddRomLabel(0x4150, "Main");
  labels.AddRomLabel(0x14100, "Bank5.Entry");
  labels.AddRomLabel(0x200, "Twice");
  labels.AddRomLabel(0x300, "Twice");
  labels.AddRamLabel(0xC000, 0, "Buffer");
  labels.AddRamLabel(0xA010, 2, "SaveSlot");
  labels.AddRamLabel(0xD000, 0, "Main");
  struct Row {
    const char* text;
    int32_t offset;  // -1: refused with the assembler's message
    const char* error;
  };
  const Row rows[] = {
      {"@Main", 0x4150, ""},
      {"@Bank5.Entry", 0x14100, ""},
      {"@Twice", 0x200, ""},  // the first of two, as the assembler takes it
      {"@Nowhere", -1, "Label Nowhere is not defined."},
      {"@main", -1, "Label main is not defined."},      // names compare exactly
      // A RAM label is no place in the ROM; a ROM label of the same name is.
      {"@Buffer", -1, "Label Buffer is in RAM, at 00:C000: only ROM can be shown."},
      {"@SaveSlot", -1, "Label SaveSlot is in RAM, at 02:A010: only ROM can be shown."},
      {"@", -1, "Label  is not defined."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_TRUE(IsLabelGotoText(r.text));
    for (bool gameBoyMode : {true, false}) {
      try {
        const GotoTarget target = GotoTargetFor(r.text, gameBoyMode, 8, labels);
        EXPECT_EQ(target.Offset, r.offset);
        EXPECT_EQ(target.LastSearchText, std::to_string(r.offset));
      } catch (const Failure& f) {
        EXPECT_EQ(r.offset, -1);
        // Only a name that is nowhere is an error.
        const bool inRam = std::string_view(r.error).find("in RAM") != std::string_view::npos;
        EXPECT_EQ(f.kind, inRam ? FailureKind::Info : FailureKind::Error);
        EXPECT_EQ(f.text, r.error);
      }
    }
  }
  EXPECT_FALSE(IsLabelGotoText("01:4150"));
  EXPECT_FALSE(IsLabelGotoText(" @Main"));
}
