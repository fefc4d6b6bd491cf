#include <gtest/gtest.h>

#include <optional>

#include "asm/BlockAssembler.h"
#include "model/Failure.h"

namespace {

const char* const kNoOrigin =
    "Compiling error: no orgion declared, you must set the address where compiled code will be "
    "placed e.g. \"org 01:4100\".";

std::vector<uint8_t> BytesAt(const Rom& rom, uint32_t offset, size_t count) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < count; ++i) out.push_back(rom.Byte(offset + i));
  return out;
}

// A 128 KiB ROM image (banks 0 to 7) whose bytes all differ from their neighbours, so that a
// byte left behind by a failed block shows.
void MakePatternedRom(Rom& rom) {
  rom.RomSize = 8 * kBankSize;
  rom.BankCount = 8;
  for (uint32_t i = 0; i < rom.RomSize; ++i) rom.RomImage[i] = static_cast<uint8_t>(i * 13 + 7);
}

struct Outcome {
  std::optional<Failure> failure;
  std::vector<size_t> announced;  // the line indexes given to the callback, in order
};

Outcome Assemble(Rom& rom, const LabelTables& labels, const std::vector<std::string>& lines) {
  Outcome outcome;
  try {
    AssembleBlock(rom, labels, lines, [&](size_t i) { outcome.announced.push_back(i); });
  } catch (const Failure& e) {
    outcome.failure = e;
  }
  return outcome;
}

}  // namespace

TEST(BlockAssembler, WritesTheBlockWithItsLabels) {
  LabelTables labels;
  labels.AddRomLabel(0x0200, "Loop");
  labels.AddRomLabel(0x8200, "Far");
  Rom rom;
  MakePatternedRom(rom);
  struct Row {
    const char* what;
    std::vector<std::string> lines;
    uint32_t offset;
    std::vector<uint8_t> bytes;
  };
  const Row rows[] = {
      {"backward jump",
       {"org 01:4100", "@Loop", "dec a", "jr nz,@Loop", "ret"},
       0x4100,
       {0x3D, 0x20, 0xFD, 0xC9}},
      {"forward reference",
       {"org 00:0150", "jp @Main", "nop", "@Main", "halt"},
       0x0150,
       {0xC3, 0x54, 0x01, 0x00, 0x76}},
      {"label at the start of bank 1", {"org 01:4000", "@L", "dw @L"}, 0x4000, {0x00, 0x40}},
      {"label at the end of bank 0", {"org 00:3FFF", "@L", "dw @L"}, 0x3FFF, {0xFF, 0x3F}},
      {"a colon ends a definition", {"org 00:0300", "@Loop:", "jr @Loop"}, 0x0300, {0x18, 0xFE}},
      {"blanks after the colon, and a comment after them, are no part of the name",
       {"org 00:0300", "@Loop: ", "jp @Loop", "@Loop2:\t// here", "jp @Loop2"},
       0x0300,
       {0xC3, 0x00, 0x03, 0xC3, 0x03, 0x03}},
      {"blanks before a comment, after an instruction or an origin",
       {"org 00:0300 // start", "ld a,b // load", "nop\t\t// wait", "ret "},
       0x0300,
       {0x78, 0x00, 0xC9}},
      {"every block label of a data list, forward ones included",
       {"org 00:0600", "@A", "dw @A,@B", "db @A,@B", "@B"},
       0x0600,
       {0x00, 0x06, 0x06, 0x06, 0x00, 0x06}},
      {"a block label in a byte operand gives its low byte",
       {"org 01:4100", "ld a,@Here", "@Here"},
       0x4100,
       {0x3E, 0x02}},
      {"a forward jr to a block label is in reach once the label is known",
       {"org 01:4100", "jr @Next", "nop", "@Next"},
       0x4100,
       {0x18, 0x01}},
      {"dw advances by two",
       {"org 00:0100", "dw $1234", "@After", "dw @After"},
       0x0100,
       {0x34, 0x12, 0x02, 0x01}},
      {"comments and empty lines",
       {"// a routine", "org 00:0400", "", "ld a,b// load", "//", "nop"},
       0x0400,
       {0x78, 0x00}},
      {"each org applies to the lines after it",
       {"org 00:0500", "nop", "org 00:0503", "halt", "org 00:0501", "di"},
       0x0500,
       {0x00, 0xF3, static_cast<uint8_t>(0x502 * 13 + 7), 0x76}},
      {"indented org, label, instruction and comment lines",
       {"  org 00:0700", "\t@Loop:", " \t dec a", "\tjr nz,@Loop// again", "   ", "\t// end",
        "\t\tret"},
       0x0700,
       {0x3D, 0x20, 0xFD, 0xC9}},
      {"a symbol label of the block's own bank, written bare as the listing shows it",
       {"org 02:4100", "jp Far", "\tcall nz,Far"},
       0x8100,
       {0xC3, 0x00, 0x42, 0xC4, 0x00, 0x42}},
      {"block labels are plain numbers, never bank-tested",
       {"org 02:4200", "@Far2", "ret", "org 01:4100", "call @Far2"},
       0x4100,
       {0xCD, 0x00, 0x42}},
  };
  for (const Row& r : rows) {
    const Outcome outcome = Assemble(rom, labels, r.lines);
    ASSERT_FALSE(outcome.failure) << r.what << ": " << outcome.failure->text;
    EXPECT_EQ(BytesAt(rom, r.offset, r.bytes.size()), r.bytes) << r.what;
  }
}

// The editor's own start text, a lone org line, assembles to nothing: the image is not changed.
TEST(BlockAssembler, TellsWhetherItStoredAnything) {
  const struct {
    std::vector<std::string> lines;
    bool stored;
  } rows[] = {
      {{}, false},
      {{"org 05:4100"}, false},
      {{"org 05:4100", "// later", "", "@Here"}, false},
      {{"org 05:4100", "nop"}, true},
      {{"org 05:4100", "@Here", "db $00"}, true},
  };
  for (const auto& r : rows) {
    Rom rom;
    MakePatternedRom(rom);
    const std::vector<uint8_t> before = rom.RomImage;
    EXPECT_EQ(AssembleBlock(rom, LabelTables(), r.lines, nullptr), r.stored) << r.lines.size();
    if (!r.stored) {
      EXPECT_TRUE(rom.RomImage == before) << r.lines.size();
    }
  }
}

TEST(BlockAssembler, AnnouncesEveryLineInBothPasses) {
  Rom rom;
  MakePatternedRom(rom);
  const Outcome outcome = Assemble(rom, LabelTables(), {"org 00:0150", "// note", "", "nop"});
  EXPECT_FALSE(outcome.failure);
  EXPECT_EQ(outcome.announced, (std::vector<size_t>{0, 1, 2, 3, 0, 1, 2, 3}));

  const Outcome empty = Assemble(rom, LabelTables(), {});
  EXPECT_FALSE(empty.failure);
  EXPECT_TRUE(empty.announced.empty());
}

// Whatever line fails, in whichever pass, the image is as it was before the block, and the
// failing line is the one announced last.
TEST(BlockAssembler, AFailedBlockWritesNothing) {
  Rom rom;
  MakePatternedRom(rom);
  const std::vector<uint8_t> before(rom.RomImage.begin(), rom.RomImage.begin() + rom.RomSize);
  LabelTables labels;
  labels.AddRomLabel(0x8200, "Far");
  auto unsupported = [](const std::string& text) {
    return "Assembling failed, syntax error: unsupported instruction \"" + text + "\".";
  };
  struct Row {
    const char* what;
    std::vector<std::string> lines;
    FailureKind kind;
    std::string message;
    size_t lastLine;
    size_t announced;
  };
  const Row rows[] = {
      {"no origin", {"nop", "org 00:0150"}, FailureKind::Warning, kNoOrigin, 0, 1},
      {"label before any origin", {"@Start", "org 00:0150"}, FailureKind::Warning, kNoOrigin, 0, 1},
      {"ORG is no origin", {"ORG 01:4100", "nop"}, FailureKind::Warning, kNoOrigin, 0, 1},
      {"first pass: unsupported",
       {"org 01:4100", "ld a,$10", "@L", "jr @L", "ld a, b // load", "nop"},
       FailureKind::Error,
       unsupported("ld a, b"),
       4,
       5},
      {"first pass: a number too wide for its operand",
       {"org 00:0150", "\tnop", "  ld a,$100 "},
       FailureKind::Error,
       "Value $100 does not fit in a byte (-128 to 255).",
       2,
       3},
      {"first pass: a jump out of reach by number",
       {"org 01:4003", "jr $5000", "nop"},
       FailureKind::Error,
       "Jump target $5000 is out of reach of jr (-128 to 127 bytes).",
       1,
       2},
      {"second pass: a jump out of reach of a block label",
       {"org 01:4000", "@Top", "nop", "org 01:4100", "jr nz,@Top"},
       FailureKind::Error,
       "Jump target @Top is out of reach of jr (-128 to 127 bytes).",
       4,
       5 + 5},
      {"first pass: the origin of the second block part is missing",
       {"org 00:0150", "nop", "org 03:9000"},
       FailureKind::Error,
       "Address conversion error. Address space $0000 - $7FFF is used to access rom. $9000 is "
       "in ram area.",
       2,
       3},
      {"second pass: undefined label",
       {"org 00:0150", "ld a,$10", "call @X", "@L", "jr @L", "ret"},
       FailureKind::Error,
       "Label X is not defined.",
       2,
       6 + 3},
      {"second pass: label in another bank",
       {"org 01:4100", "nop", "@Here", "call @Far", "jr @Here"},
       FailureKind::Warning,
       "Far can't be accessed here because it's in bank 02.",
       3,
       5 + 4},
      {"second pass: the second reference of a data list, undefined",
       {"org 00:0600", "@A", "db @A,@B"},
       FailureKind::Error,
       "Label B is not defined.",
       2,
       3 + 3},
      {"first pass: a word whose high byte is past the end",
       {"org 07:7FFE", "nop", "ld hl,$1234", "nop"},
       FailureKind::Error,
       "Address 08:4000 is past the end of the ROM.",
       2,
       3},
      {"first pass: an org just past the end",
       {"org 07:7FFF", "nop", "org 08:4000", "nop"},
       FailureKind::Error,
       "Address 08:4000 is past the end of the ROM.",
       3,
       4},
      {"label defined twice",
       {"org 00:0150", "@Loop", "nop", "@Loop:", "jr @Loop"},
       FailureKind::Error,
       "Label @Loop is defined twice.",
       3,
       4},
  };
  for (const Row& r : rows) {
    const Outcome outcome = Assemble(rom, labels, r.lines);
    ASSERT_TRUE(outcome.failure) << r.what;
    EXPECT_EQ(outcome.failure->kind, r.kind) << r.what;
    EXPECT_EQ(outcome.failure->text, r.message) << r.what;
    EXPECT_EQ(outcome.announced.size(), r.announced) << r.what;
    EXPECT_EQ(outcome.announced.back(), r.lastLine) << r.what;
    EXPECT_TRUE(std::equal(before.begin(), before.end(), rom.RomImage.begin())) << r.what;
  }
}

TEST(BlockAssembler, RunTimeErrorsAndCallbackErrorsAlsoUndoTheBlock) {
  Rom rom;
  MakePatternedRom(rom);
  const std::vector<uint8_t> before(rom.RomImage.begin(), rom.RomImage.begin() + 0x200);

  // Whatever follows the address, but for blanks and a comment, is read with it.
  EXPECT_THROW(AssembleBlock(rom, LabelTables(), {"org 00:0150", "nop", "org 00:0160 x"}, nullptr),
               ConversionError);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), rom.RomImage.begin()));

  // A caller that cancels during the second pass.
  struct Cancelled {};
  int calls = 0;
  EXPECT_THROW(AssembleBlock(rom, LabelTables(), {"org 00:0150", "jp @End", "nop", "@End"},
                             [&](size_t) {
                               if (++calls == 7) throw Cancelled{};
                             }),
               Cancelled);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), rom.RomImage.begin()));
}
