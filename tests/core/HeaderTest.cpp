#include <gtest/gtest.h>

#include "TestRom.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/Header.h"

namespace {

// A 32 KiB MBC5 ROM with a header written field by field; its checksums, worked out by hand
// once, are $9B and $2113 (with $00 at 0x14D the global one is $2078).
std::unique_ptr<Rom> BuiltRom() {
  auto rom = MakeRom(0x8000);
  Put(*rom, 0x100, {0x00, 0xC3, 0x50, 0x01});
  const std::string title = "VELMORA TEST";
  for (size_t i = 0; i < title.size(); ++i) rom->RomImage[0x134 + i] = title[i];
  Put(*rom, 0x143, {0x80, 0x00, 0x00, 0x03, 0x1B, 0x00, 0x02, 0x01, 0x33, 0x02});
  for (uint32_t i = 0x150; i < 0x8000; ++i) rom->RomImage[i] = static_cast<uint8_t>(i * 7);
  return rom;
}

}  // namespace

TEST(HeaderTest, ChecksumsHaveTheirKnownValuesAndFixWritesThemAsOneRun) {
  auto rom = BuiltRom();
  RomHeader h = ReadHeader(*rom);
  EXPECT_EQ(h.ComputedHeaderChecksum, 0x9B);
  EXPECT_EQ(h.ComputedGlobalChecksum, 0x2078);
  // The stored global checksum never counts itself.
  Put(*rom, 0x14E, {0xAB, 0xCD});
  EXPECT_EQ(ReadHeader(*rom).ComputedGlobalChecksum, 0x2078);

  const RomChange fix = FixChecksums(*rom);
  ASSERT_EQ(fix.Runs.size(), 1u);
  EXPECT_EQ(fix.Runs[0].Offset, 0x14Du);
  EXPECT_EQ(fix.Runs[0].Bytes, (std::vector<uint8_t>{0x9B, 0x21, 0x13}));
  EXPECT_EQ(fix.NewSize, 0x8000u);
  ApplyRomChange(*rom, fix);
  h = ReadHeader(*rom);
  EXPECT_EQ(h.HeaderChecksum, h.ComputedHeaderChecksum);
  EXPECT_EQ(h.GlobalChecksum, 0x2113);
  EXPECT_EQ(h.ComputedGlobalChecksum, 0x2113);
  EXPECT_EQ(StoredChecksumsText(*rom), "header $9B, global $2113");
}

TEST(HeaderTest, FieldsAsShownWithWrongValuesMarked) {
  auto rom = BuiltRom();
  using F = std::vector<std::pair<std::string, bool>>;
  auto shown = [&] {
    F out;
    for (const HeaderField& f : DescribeHeader(ReadHeader(*rom))) {
      out.push_back({f.Name + ": " + f.Value, f.Wrong});
    }
    return out;
  };
  EXPECT_EQ(shown(), (F{{"Title: VELMORA TEST", false},
                        {"CGB flag: $80 CGB enhanced, also runs on DMG", false},
                        {"SGB flag: $03 SGB functions", false},
                        {"Cartridge type: $1B MBC5+RAM+BATTERY", false},
                        {"ROM size: $00 = 32 KiB, file 32 KiB", false},
                        {"RAM size: $02 8 KiB", false},
                        {"Destination: $01 overseas only", false},
                        {"Version: $02", false},
                        {"Header checksum: $00 stored, $9B computed", true},
                        {"Global checksum: $0000 stored, $2078 computed", true}}));
  ApplyRomChange(*rom, FixChecksums(*rom));
  // A full 16-byte title keeps its last byte unless that is a CGB flag; odd bytes are spelled.
  for (int i = 0; i < 16; ++i) rom->RomImage[0x134 + i] = 'A' + i;
  rom->RomImage[0x135] = 0x01;
  Put(*rom, 0x146, {0x00, 0x42, 0x05, 0x07});
  rom->RomSize = 0x9000;
  F all = shown();
  EXPECT_EQ(all[0], (F::value_type{"Title: A\\x01CDEFGHIJKLMNOP", false}));
  EXPECT_EQ(all[1], (F::value_type{"CGB flag: $50 none (DMG)", false}));
  EXPECT_EQ(all[2], (F::value_type{"SGB flag: $00 none", false}));
  EXPECT_EQ(all[3], (F::value_type{"Cartridge type: $42 unknown", false}));
  EXPECT_EQ(all[4], (F::value_type{"ROM size: $05 = 1 MiB, file 36 KiB", true}));
  EXPECT_EQ(all[5], (F::value_type{"RAM size: $07 unknown", false}));
  rom->RomImage[0x143] = 0xC0;
  EXPECT_EQ(ReadHeader(*rom).Title, std::string("A\x01"
                                                "CDEFGHIJKLMNO"));
  EXPECT_EQ(shown()[1].first, "CGB flag: $C0 CGB only");

  struct Row {
    uint8_t code;
    uint32_t size;
  };
  for (Row r : {Row{0x00, 0x8000}, Row{0x05, 0x100000}, Row{0x08, 0x800000}, Row{0x52, 72 * 0x4000},
                Row{0x54, 96 * 0x4000}, Row{0x09, 0}, Row{0xFF, 0}}) {
    EXPECT_EQ(RomSizeOfCode(r.code), r.size) << int{r.code};
  }
}

TEST(HeaderTest, ARomWithoutAWholeHeaderIsRefused) {
  auto rom = MakeRom(0x14F);
  const std::string text =
      "The ROM is too short for a header: it has 335 bytes, the header ends at byte 336 ($150).";
  EXPECT_EQ(FailureText([&] { ReadHeader(*rom); }), text);
  EXPECT_EQ(FailureText([&] { FixChecksums(*rom); }), text);
  rom->RomSize = 0x150;
  EXPECT_NO_THROW(FixChecksums(*rom));
}

TEST(HeaderTest, TheExtenderGrowsToAStandardSizeWithFFBytesAndTheSizeCode) {
  auto rom = BuiltRom();
  EXPECT_EQ(ExtenderSizes(0x8000), (std::vector<uint32_t>{0x10000, 0x20000, 0x40000, 0x80000,
                                                          0x100000, 0x200000, 0x400000, 0x800000}));
  EXPECT_EQ(ExtenderSizes(0x10000).front(), 0x20000u);
  EXPECT_EQ(ExtenderSizes(0x9000).front(), 0x10000u);
  EXPECT_TRUE(ExtenderSizes(0x800000).empty());
  EXPECT_THROW(BankAddressToOffset("03:4000", rom->BankCount), Failure);

  ApplyRomChange(*rom, ExtendRom(*rom, 0x10000));
  EXPECT_EQ(rom->RomSize, 0x10000u);
  EXPECT_EQ(rom->BankCount, 4u);
  EXPECT_EQ(rom->RomImage[0x148], 0x01);
  EXPECT_EQ(rom->RomImage[0x7FFF], static_cast<uint8_t>(0x7FFF * 7));
  for (uint32_t i = 0x8000; i < 0x10000; ++i) ASSERT_EQ(rom->RomImage[i], 0xFF) << i;
  EXPECT_EQ(BankAddressToOffset("03:4000", rom->BankCount), 0xC000u);
  EXPECT_FALSE(DescribeHeader(ReadHeader(*rom))[4].Wrong);

  ApplyRomChange(*rom, ExtendRom(*rom, 0x800000));
  EXPECT_EQ(rom->RomImage[0x148], 0x08);
  EXPECT_EQ(rom->RomImage[0x7FFFFF], 0xFF);
  EXPECT_EQ(FailureText([&] { ExtendRom(*rom, 0x1000000); }),
            "The ROM is already 8 MiB; there is no bigger standard size than 8 MiB.");
  auto small = BuiltRom();
  EXPECT_EQ(FailureText([&] { ExtendRom(*small, 0x8000); }),
            "A ROM of 32 KiB can grow to 64 KiB up to 8 MiB, not to 32 KiB.");
  EXPECT_EQ(FailureText([&] { ExtendRom(*small, 0x18000); }),
            "A ROM of 32 KiB can grow to 64 KiB up to 8 MiB, not to 96 KiB.");
}

// Grown, a ROM that passed the boot check still does; one that did not is left as it was.
TEST(HeaderTest, TheExtenderKeepsRightChecksumsRightAndLeavesWrongOnesAlone) {
  struct Row {
    const char* name;
    int spoil;  // the checksum byte made wrong after fixing both, or 0
    uint32_t size;
  };
  for (Row r : {Row{"right", 0, 0x10000}, Row{"right, to 8 MiB", 0, 0x800000},
                Row{"header wrong", 0x14D, 0x10000}, Row{"global wrong", 0x14F, 0x40000},
                Row{"never fixed", -1, 0x10000}}) {
    SCOPED_TRACE(r.name);
    auto rom = BuiltRom();
    if (r.spoil >= 0) ApplyRomChange(*rom, FixChecksums(*rom));
    if (r.spoil > 0) rom->RomImage[r.spoil] ^= 0x01;
    const std::vector<uint8_t> stored(rom->RomImage.begin() + 0x14D, rom->RomImage.begin() + 0x150);
    EXPECT_EQ(ChecksumsRight(*rom), r.spoil == 0);

    const RomChange extension = ExtendRom(*rom, r.size);
    EXPECT_EQ(ExtensionSetsChecksums(extension), r.spoil == 0);
    ApplyRomChange(*rom, extension);
    EXPECT_EQ(ChecksumsRight(*rom), r.spoil == 0);
    if (r.spoil != 0) {
      EXPECT_EQ(std::vector<uint8_t>(rom->RomImage.begin() + 0x14D, rom->RomImage.begin() + 0x150),
                stored);
    }
  }
  EXPECT_FALSE(ChecksumsRight(*MakeRom(0x14F)));
}
