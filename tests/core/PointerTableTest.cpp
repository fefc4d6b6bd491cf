#include "model/PointerTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestRom.h"
#include "analysis/Trace.h"
#include "isa/Listing.h"
#include "model/BankAddress.h"
#include "model/SymbolEdit.h"

namespace {

using Bytes = std::vector<uint8_t>;
using F = PointerForm;

// "0400>0500" per entry: the entry's offset and its target (hex), "-" for none.
std::string Targets(const Rom& rom, const MarkBlock& table) {
  std::string out;
  for (const PointerEntry& e : PointerEntries(rom.RomImage.data(), rom.RomSize, table)) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04X>", e.At);
    out += buf;
    if (e.Target < 0) {
      out += "- ";
    } else {
      std::snprintf(buf, sizeof buf, "%04X ", static_cast<unsigned>(e.Target));
      out += buf;
    }
  }
  return out;
}

// A 64 KiB ROM (banks 0-3) of D3, which is no instruction, with a table of each form in bank 0
// and bank 2, and what they point to.
struct Tables {
  std::unique_ptr<Rom> rom = MakeRom(0x10000);
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  Tables() { std::fill(rom->RomImage.begin(), rom->RomImage.begin() + 0x10000, 0xD3); }
  SymbolTables Symbols() { return {labels, marks, comments}; }
  std::vector<std::string> Lines(uint32_t from, int count) {
    ListingNotes notes;
    notes.Marks = &marks;
    std::vector<std::string> lines;
    for (const ListingLine& line : BuildListing(*rom, labels, ValueFormat::Hex, from, count, notes).Lines)
      lines.push_back(line.Text);
    return lines;
  }
};

}  // namespace

TEST(PointerTable, EntriesPointWhereTheGameBoyReadsThem) {
  struct Row {
    const char* what;
    uint32_t romSize;
    MarkBlock table;
    Bytes bytes;  // at the table's offset
    std::string targets;
  };
  const Row rows[] = {
      {"words from bank 0: below 4000 bank 0, above it no bank, RAM none", 0x10000,
       {0x400, 8, MarkKind::Pointers, F::Words}, {0x00, 0x05, 0x10, 0x45, 0x00, 0xC0, 0xFF, 0xFF},
       "0400>0500 0402>- 0404>- 0406>- "},
      {"words in bank 2 reach bank 2", 0x10000, {0x8000, 4, MarkKind::Pointers, F::Words},
       {0x10, 0x45, 0x20, 0x01}, "8000>8510 8002>0120 "},
      {"a ROM of two banks has only bank 1 at 4000", 0x8000,
       {0x400, 2, MarkKind::Pointers, F::Words}, {0x10, 0x45}, "0400>4510 "},
      {"bank+word; bank 0 switches in bank 1; a bank past the ROM is none", 0x10000,
       {0x400, 9, MarkKind::Pointers, F::BankWord},
       {0x03, 0x00, 0x60, 0x00, 0x00, 0x40, 0x09, 0x00, 0x40}, "0400>E000 0403>4000 0406>- "},
      {"word+bank; the bytes after the last whole entry are none", 0x10000,
       {0x400, 5, MarkKind::Pointers, F::WordBank}, {0x34, 0x52, 0x02, 0x34, 0x52},
       "0400>9234 "},
  };
  for (const Row& r : rows) {
    const auto rom = MakeRom(r.romSize);
    std::copy(r.bytes.begin(), r.bytes.end(), rom->RomImage.begin() + r.table.Offset);
    EXPECT_EQ(Targets(*rom, r.table), r.targets) << r.what;
  }
}

TEST(PointerTable, FormsAndLengthsAsTyped) {
  struct Row {
    const char* form;
    const char* extent;
    std::string result;  // the length, or the refusal
  };
  const Row rows[] = {
      {"words", "16", "32"},
      {" Bank+Word ", "$10", "48"},
      {"wb", "00:042F", "48"},
      {"w", "00:0401", "2"},
      {"bytes", "1", "The entries are words, bank+word or word+bank, not bytes."},
      {"bw", "00:0401", "00:0400-00:0401 is 2 bytes: no whole number of entries of 3."},
      {"words", "0", "A table has at least 1 entry."},
      {"words", "00:03FF", "00:03FF lies before 00:0400, where the table starts."},
      {"words", "$7E01", "The table runs past the end of the ROM, at 03:7FFF."},
  };
  for (const Row& r : rows) {
    std::string result;
    try {
      result = std::to_string(
          ParsePointerTableLength(r.extent, 0x400, ParsePointerForm(r.form), 0x10000, 4));
    } catch (const Failure& e) {
      result = e.text;
    }
    EXPECT_EQ(result, r.result) << r.form << " " << r.extent;
  }
}

// Marking a table is one step: the block, and a label for each ROM target without one. The
// listing then shows an entry a line by its target's name; undo takes both back.
TEST(PointerTable, MarkingNamesTheTargetsInOneStep) {
  Tables t;
  Put(*t.rom, 0x400, {0x03, 0x00, 0x60, 0x01, 0x00, 0x05, 0x03, 0x00, 0x60, 0x00, 0x00, 0xC0});
  t.labels.AddRomLabel(0x500, "Existing");
  const std::vector<std::string> before = t.Lines(0x400, 3);
  const std::optional<SymbolStep> step = PointerTableStep(
      t.rom->RomImage.data(), t.rom->RomSize, t.labels, t.marks, 0x400, 12, F::BankWord);
  ASSERT_TRUE(step);
  EXPECT_EQ(SymbolStepCaption(*step), "Mark as Pointer Table 00:0400-00:040B");
  ApplySymbolStep(t.Symbols(), *step);
  // 03:6000 named once although two entries reach it; 00:C000 is RAM.
  EXPECT_EQ(t.Lines(0x400, 9),
            (std::vector<std::string>{"00:0400          db $03", "00:0401          dw @Ptr_03_6000",
                                      "00:0403          db $01", "00:0404          dw @Existing",
                                      "00:0406          db $03", "00:0407          dw @Ptr_03_6000",
                                      "00:0409          db $00", "00:040A          dw $C000",
                                      "00:040C D3       -"}));
  // Started in the middle of a word, the listing shows its second byte alone.
  EXPECT_EQ(t.Lines(0x402, 2),
            (std::vector<std::string>{"00:0402          db $60", "00:0403          db $01"}));
  EXPECT_EQ(t.labels.RomLabels().size(), size_t{2});
  RevertSymbolStep(t.Symbols(), *step);
  EXPECT_EQ(t.labels.RomLabels().size(), size_t{1});
  EXPECT_TRUE(t.marks.Empty());
  EXPECT_EQ(t.Lines(0x400, 3), before);
  // The same table again changes nothing; another form is a step of its own.
  ApplySymbolStep(t.Symbols(), *step);
  EXPECT_FALSE(PointerTableStep(t.rom->RomImage.data(), t.rom->RomSize, t.labels, t.marks, 0x400,
                                12, F::BankWord));
  EXPECT_TRUE(PointerTableStep(t.rom->RomImage.data(), t.rom->RomSize, t.labels, t.marks, 0x400,
                               12, F::WordBank));
}

// A table whose targets decode as routines starts code at each; a table of data only refers to
// its targets. Both are listed by References as the entries' lines.
TEST(PointerTable, TheTraceTellsRoutinesFromData) {
  Tables t;
  // Routines at 0500 (ret), 0510 (ld a,1 / jp 0500); data at 0600 ("HI" then D3) and 0610.
  Put(*t.rom, 0x500, {0xC9});
  Put(*t.rom, 0x510, {0x3E, 0x01, 0xC3, 0x00, 0x05});
  Put(*t.rom, 0x600, {0x48, 0x49});
  Put(*t.rom, 0x400, {0x00, 0x05, 0x10, 0x05, 0x00, 0x06, 0x10, 0x06});
  t.marks.MarkPointers(0x400, 4, F::Words);
  t.marks.MarkPointers(0x404, 4, F::Words);
  const Trace trace = TraceRom(*t.rom, t.labels, t.marks);
  EXPECT_EQ(trace.ClassAt(0x500), ByteClass::Code);
  EXPECT_EQ(trace.ClassAt(0x510), ByteClass::Code);
  EXPECT_EQ(trace.ClassAt(0x600), ByteClass::Unknown);
  EXPECT_EQ(trace.ClassAt(0x400), ByteClass::Pointers);
  EXPECT_EQ(ReasonText(trace.ReasonAt(0x510)), "table at 00:0400");
  std::vector<std::string> lines;
  for (uint32_t target : {0x500u, 0x600u}) {
    for (const Reference& r : trace.Refs.To(target))
      lines.push_back(ReferenceLine(*t.rom, t.labels, ValueFormat::Hex, r, &t.marks));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"pointer 00:0400 dw $0500", "jump    00:0512 jp $0500",
                                             "pointer 00:0404 dw $0600"}));
}
