#include "model/SymbolEdit.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <sstream>

#include "model/Failure.h"

namespace {

using K = MarkKind;

// Labels Start (00:0100), Sub (01:4000), Sub.loop (01:4010), wBuf (00:C0A0), wBuf (01:D000);
// a code block 01:4000+40 and a data block 01:4080+10; a comment at 00:0100.
struct Tables {
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  Tables() {
    labels.AddRomLabel(0x100, "Start");
    labels.AddRomLabel(0x4000, "Sub");
    labels.AddRomLabel(0x4010, "Sub.loop");
    labels.AddRamLabel(0xC0A0, 0, "wBuf");
    labels.AddRamLabel(0xD000, 1, "wBuf");
    marks.Mark(0x4000, 0x40, K::Code);
    marks.Mark(0x4080, 0x10, K::Data);
    comments[0x100] = "entry";
  }
  SymbolTables Symbols() { return {labels, marks, comments}; }

  // Each table in its order: "100 Start, 4000 Sub, ", "0:c0a0 wBuf, ", "C4000+40, ",
  // "100 entry, ".
  std::array<std::string, 4> Parts() const {
    std::array<std::ostringstream, 4> out;
    for (auto& o : out) o << std::hex;
    for (const RomLabel& l : labels.RomLabels()) out[0] << l.Offset << ' ' << l.Name << ", ";
    for (const RamLabel& l : labels.RamLabels()) {
      out[1] << int(l.Bank) << ':' << l.Address << ' ' << l.Name << ", ";
    }
    for (const MarkBlock& b : marks.Blocks()) {
      out[2] << "CDTPI"[static_cast<int>(b.Kind)] << b.Offset << '+' << b.Length;
      if (b.Kind == K::Image) out[2] << 'w' << std::dec << b.Image.Width << std::hex << '/' << int(b.Image.Bits);
      out[2] << ", ";
    }
    for (const auto& [offset, text] : comments) out[3] << offset << ' ' << text << ", ";
    return {out[0].str(), out[1].str(), out[2].str(), out[3].str()};
  }
};

std::string FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Failure& e) {
    return e.text;
  } catch (const RunTimeError& e) {
    return e.text;
  }
  return "";
}

}  // namespace

// Each kind of change: what it does to its table (the others stay), its caption; undone, the
// tables are as before; done again, as after.
TEST(SymbolEdit, StepsApplyRevertAndApplyAgain) {
  enum Part { kRom, kRam, kMarks, kComments };
  const std::array<std::string, 4> before = Tables().Parts();
  struct Row {
    std::function<std::optional<SymbolStep>(const Tables&)> make;
    std::string caption;
    Part part;
    std::string after;
  };
  const Row rows[] = {
      {[](const Tables& t) { return RomLabelStep(t.labels, 0x150, "", "Main"); },
       "Label Main at 00:0150", kRom, "100 Start, 4000 Sub, 4010 Sub.loop, 150 Main, "},
      {[](const Tables& t) { return RomLabelStep(t.labels, 0x4010, "Sub.loop", "Sub.wait"); },
       "Rename Sub.loop to Sub.wait", kRom, "100 Start, 4000 Sub, 4010 Sub.wait, "},
      // Deleted from the middle of the table, and put back there.
      {[](const Tables& t) { return RomLabelStep(t.labels, 0x4000, "Sub", ""); },
       "Delete Label Sub", kRom, "100 Start, 4010 Sub.loop, "},
      {[](const Tables& t) { return RamLabelStep(t.labels, 0, 0xFF80, "", "hStack"); },
       "Label hStack at 00:FF80", kRam, "0:c0a0 wBuf, 1:d000 wBuf, 0:ff80 hStack, "},
      // Of two RAM labels of one name, the one of that bank and address.
      {[](const Tables& t) { return RamLabelStep(t.labels, 1, 0xD000, "wBuf", "wBank1"); },
       "Rename wBuf to wBank1", kRam, "0:c0a0 wBuf, 1:d000 wBank1, "},
      {[](const Tables& t) { return RamLabelStep(t.labels, 0, 0xC0A0, "wBuf", ""); },
       "Delete Label wBuf", kRam, "1:d000 wBuf, "},
      {[](const Tables& t) { return CommentEditStep(t.comments, 0x4010, "waits a frame"); },
       "Comment at 01:4010", kComments, "100 entry, 4010 waits a frame, "},
      {[](const Tables& t) { return CommentEditStep(t.comments, 0x100, " \t "); },
       "Comment at 00:0100", kComments, ""},
      // Inside a code block: the block splits, and undo makes it one block again.
      {[](const Tables& t) { return MarkEditStep(t.marks, 0x4010, 0x10, K::Data); },
       "Mark as Data 01:4010-01:401F", kMarks, "C4000+10, D4010+10, C4020+20, D4080+10, "},
      // Over the end of one block and all of the next.
      {[](const Tables& t) { return MarkEditStep(t.marks, 0x4030, 0x70, K::Text); },
       "Mark as Text 01:4030-01:409F", kMarks, "C4000+30, T4030+70, "},
      // An image keeps its shape; the code cut by it keeps none.
      {[](const Tables& t) { return MarkEditStep(t.marks, 0x4010, 0x20, K::Image, {16, 1, ",x"}); },
       "Mark as Image 01:4010-01:402F", kMarks, "C4000+10, I4010+20w16/1, C4030+10, D4080+10, "},
  };
  for (const Row& row : rows) {
    Tables t;
    const std::optional<SymbolStep> step = row.make(t);
    ASSERT_TRUE(step) << row.caption;
    EXPECT_EQ(SymbolStepCaption(*step), row.caption);
    std::array<std::string, 4> after = before;
    after[row.part] = row.after;
    ApplySymbolStep(t.Symbols(), *step);
    EXPECT_EQ(t.Parts(), after) << row.caption;
    RevertSymbolStep(t.Symbols(), *step);
    EXPECT_EQ(t.Parts(), before) << row.caption;
    ApplySymbolStep(t.Symbols(), *step);
    EXPECT_EQ(t.Parts(), after) << row.caption;
  }
}

// A step finds its label by place and name: taken back after the table moved under it (a label
// added before it), it still takes back its own.
TEST(SymbolEdit, RevertFindsItsLabelAfterTheTableMoved) {
  Tables t;
  const auto rename = RomLabelStep(t.labels, 0x4000, "Sub", "Draw");
  ApplySymbolStep(t.Symbols(), *rename);
  t.labels.InsertRomLabel(0, {0x200, "Other"});
  RevertSymbolStep(t.Symbols(), *rename);
  EXPECT_EQ(t.labels.RomLabels()[2].Name, "Sub");
}

// Names and places that are refused, with their texts; what is accepted right beside them.
TEST(SymbolEdit, RefusedNamesAndPlaces) {
  const Tables t;
  struct Row {
    std::function<void()> make;
    std::string failure;  // "" when accepted
  };
  const Row rows[] = {
      {[&] { RomLabelStep(t.labels, 0x150, "", "1st"); },
       "\"1st\" is not a label name: it starts with a letter or \"_\" and holds only letters, "
       "digits and _ @ # $ ."},
      {[&] { RomLabelStep(t.labels, 0x150, "", "Main loop"); },
       "\"Main loop\" is not a label name: it starts with a letter or \"_\" and holds only "
       "letters, digits and _ @ # $ ."},
      {[&] { RomLabelStep(t.labels, 0x100, "Start", ".loop"); },
       "\".loop\" is not a label name: it starts with a letter or \"_\" and holds only letters, "
       "digits and _ @ # $ ."},
      {[&] { RamLabelStep(t.labels, 0, 0xC000, "", "w-x"); },
       "\"w-x\" is not a label name: it starts with a letter or \"_\" and holds only letters, "
       "digits and _ @ # $ ."},
      {[&] { RomLabelStep(t.labels, 0x4100, "", "_x@#$.y9"); }, ""},
      // One name per bank: bank 1 has Sub; bank 2 may have one too.
      {[&] { RomLabelStep(t.labels, 0x4100, "", "Sub"); },
       "Bank 01 has a label Sub already, at 01:4000."},
      {[&] { RomLabelStep(t.labels, 0x4010, "Sub.loop", "Sub"); },
       "Bank 01 has a label Sub already, at 01:4000."},
      {[&] { RomLabelStep(t.labels, 0x8000, "", "Sub"); }, ""},
      {[&] { RamLabelStep(t.labels, 0, 0xC100, "", "wBuf"); },
       "RAM bank 00 has a label wBuf already, at 00:C0A0."},
      {[&] { RamLabelStep(t.labels, 2, 0xD000, "", "wBuf"); }, ""},
      {[&] { RomLabelStep(t.labels, 0x150, "Gone", "New"); }, "There is no label Gone at 00:0150."},
      {[&] { RamLabelStep(t.labels, 1, 0xC0A0, "wBuf", "x"); }, "There is no label wBuf at 01:C0A0."},
  };
  for (const Row& row : rows) EXPECT_EQ(FailureOf(row.make), row.failure);
}

// A name typed with blanks around it or with the listing's "@" is the name itself; a rename to
// the label's own name so typed is no step.
TEST(SymbolEdit, TypedNamesLoseBlanksAndTheListingsAt) {
  const Tables t;
  struct Row {
    std::string typed;
    std::string name;
  };
  const Row rows[] = {
      {"Main  ", "Main"}, {"\t Main\t", "Main"}, {"@Main", "Main"}, {" @Main.loop ", "Main.loop"},
      {"@", "@"},         {"   ", ""},           {"@@x", "@x"},
  };
  for (const Row& row : rows) EXPECT_EQ(TypedLabelName(row.typed), row.name) << row.typed;
  const auto step = RomLabelStep(t.labels, 0x150, "", "@Main ");
  ASSERT_TRUE(step);
  EXPECT_EQ(std::get<LabelStep>(*step).NewName, "Main");
  EXPECT_FALSE(RomLabelStep(t.labels, 0x100, "Start", "@Start  "));
  EXPECT_FALSE(RamLabelStep(t.labels, 0, 0xC0A0, "wBuf", " wBuf "));
}

// Steps that change nothing are none.
TEST(SymbolEdit, NoStepWhereNothingChanges) {
  const Tables t;
  EXPECT_FALSE(RomLabelStep(t.labels, 0x100, "Start", "Start"));
  EXPECT_FALSE(RomLabelStep(t.labels, 0x150, "", ""));
  EXPECT_FALSE(CommentEditStep(t.comments, 0x100, "entry"));
  EXPECT_FALSE(CommentEditStep(t.comments, 0x150, ""));
  EXPECT_FALSE(MarkEditStep(t.marks, 0x4080, 0x10, K::Data));
  EXPECT_FALSE(MarkEditStep(t.marks, 0x4080, 0, K::Text));
}

TEST(SymbolEdit, RamPlacesAsTyped) {
  struct Row {
    std::string text;
    std::string result;  // "bank:address", or the failure
  };
  const Row rows[] = {
      {"00:c0a0", "00:C0A0"},
      {"c0a0", "00:C0A0"},
      {"$FF80", "00:FF80"},
      {"01:8000", "01:8000"},
      {"07:D000", "07:D000"},
      {"d000", "WRAMX (D000-DFFF) is banked: type the bank too, as in 00:D000."},
      {"a010", "Cartridge RAM (A000-BFFF) is banked: type the bank too, as in 00:A010."},
      {"02:8000", "VRAM (8000-9FFF) has banks 00-01, not 02."},
      {"01:c000", "WRAM0 (C000-CFFF) has bank 00 only, not 01."},
      {"00:4000", "4000 is a ROM address: label it on its line in the listing."},
      {"wBuf",
       "\"wBuf\" is not a RAM place: type it as bank:address (00:C0A0), or as an address alone "
       "in C000-CFFF or E000-FFFF."},
      {"100:c000",
       "\"100:c000\" is not a RAM place: type it as bank:address (00:C0A0), or as an address "
       "alone in C000-CFFF or E000-FFFF."},
      {"", "\"\" is not a RAM place: type it as bank:address (00:C0A0), or as an address alone "
           "in C000-CFFF or E000-FFFF."},
  };
  for (const Row& row : rows) {
    std::string result;
    const std::string failure = FailureOf([&] {
      const RamPlace p = ParseRamPlace(row.text);
      std::ostringstream out;
      out << std::uppercase << std::hex;
      out.width(2);
      out.fill('0');
      out << int(p.Bank) << ':' << p.Address;
      result = out.str();
    });
    EXPECT_EQ(failure.empty() ? result : failure, row.result) << row.text;
  }
}

// A range from 01:4100 in a 64 KiB ROM (4 banks): an end is a place as the goto dialog reads
// one, a length comes after "+", and every refusal quotes what was typed.
TEST(SymbolEdit, RangeEndsAsTyped) {
  LabelTables labels;
  labels.AddRomLabel(0x4180, "Tail");
  labels.AddRomLabel(0x4000, "Head");
  struct Row {
    std::string text;
    uint32_t length;
    std::string failure;
  };
  const Row rows[] = {
      {"01:41FF", 0x100, ""},
      {"01:4100", 1, ""},
      {"03:7FFF", 0xBF00, ""},
      // A bare number is a file offset, decimal or "$" hexadecimal, as in the goto dialog.
      {"$4107", 8, ""},
      {"16647", 8, ""},
      {"@Tail", 0x81, ""},
      {"+$200", 0x200, ""},
      {"+16", 16, ""},
      {"01:40FF", 0, "\"01:40FF\" is 01:40FF, before 01:4100 where the range starts."},
      {"4070", 0, "\"4070\" is 00:0FE6, before 01:4100 where the range starts."},
      {"@Head", 0, "\"@Head\" is 01:4000, before 01:4100 where the range starts."},
      {"00:4070", 0,
       "\"00:4070\" is no place in the ROM: bank 00 holds 00:0000-00:3FFF, every other bank "
       "4000-7FFF."},
      {"01:0070", 0,
       "\"01:0070\" is no place in the ROM: bank 00 holds 00:0000-00:3FFF, every other bank "
       "4000-7FFF."},
      {"+0", 0, "\"+0\": a range is at least 1 byte long."},
      {"+x", 0, "\"+x\" is no length: type + and a number of bytes (+$200 or +512)."},
      {"+$BF01", 0, "\"+$BF01\": the range runs past the end of the ROM, at 03:7FFF."},
      {"04:4000", 0, "\"04:4000\": the range runs past the end of the ROM, at 03:7FFF."},
      {"@Nobody", 0, "\"@Nobody\": no ROM label has that name."},
      {"0x10", 0,
       "\"0x10\" is no place: type the last byte's bank address (01:4FFF), file offset ($4FFF "
       "or 20479) or label (@Name), or the length (+$200)."},
      {"", 0,
       "Type where the range ends: its last byte's bank address (01:4FFF), file offset ($4FFF "
       "or 20479) or label (@Name), or its length (+$200)."},
  };
  for (const Row& row : rows) {
    uint32_t length = 0;
    EXPECT_EQ(FailureOf([&] { length = ParseRangeLength(row.text, 0x4100, 0x10000, labels); }),
              row.failure)
        << row.text;
    EXPECT_EQ(length, row.length) << row.text;
  }
  EXPECT_EQ(RangeText(0x4068, 3992), "01:4068-01:4FFF, 3,992 bytes");
  EXPECT_EQ(RangeText(0x150, 1), "00:0150-00:0150, 1 byte");
}

// A rename takes the label's locals (its name and a dot, in its bank) along as one step, or is
// refused whole when a new name is taken; a deletion leaves them.
TEST(SymbolEdit, RenamesTakeTheirLocalsAlong) {
  LabelTables labels;
  for (const auto& [offset, name] : std::vector<std::pair<int32_t, std::string>>{
           {0x4000, "Init"},
           {0x4010, "Init.loop"},
           {0x4012, "Init.loop.fast"},
           {0x4020, "Init.done"},
           {0x4030, "Initialize"},
           {0x8000, "Init.far"},
           {0x4050, "Taken.done"},
           {0x8010, "Far.loop"}}) {
    labels.AddRomLabel(offset, name);
  }
  labels.AddRamLabel(0xC0A0, 0, "wBuf");
  labels.AddRamLabel(0xC0B0, 0, "wBuf.end");
  labels.AddRamLabel(0xD000, 1, "wBuf.end");
  labels.AddRamLabel(0xC100, 0, "wData.end");
  const auto names = [](const LabelTables& l) {
    std::string out;
    for (const RomLabel& r : l.RomLabels()) out += r.Name + " ";
    out += "|";
    for (const RamLabel& r : l.RamLabels()) out += " " + r.Name;
    return out;
  };
  const std::string before = names(labels);
  struct Row {
    std::function<std::optional<SymbolStep>()> make;
    std::string after;  // the names once the step is in; "" when refused with `failure`
    std::string failure;
  };
  const Row rows[] = {
      {[&] { return RomLabelStep(labels, 0x4000, "Init", "Setup"); },
       "Setup Setup.loop Setup.loop.fast Setup.done Initialize Init.far Taken.done Far.loop | "
       "wBuf wBuf.end wBuf.end wData.end", ""},
      // A local's own locals follow it.
      {[&] { return RomLabelStep(labels, 0x4010, "Init.loop", "Init.wait"); },
       "Init Init.wait Init.wait.fast Init.done Initialize Init.far Taken.done Far.loop | "
       "wBuf wBuf.end wBuf.end wData.end", ""},
      // Into a name a local had: the local moves on out of its way.
      {[&] { return RomLabelStep(labels, 0x4000, "Init", "Init.loop"); },
       "Init.loop Init.loop.loop Init.loop.loop.fast Init.loop.done Initialize Init.far "
       "Taken.done Far.loop | wBuf wBuf.end wBuf.end wData.end", ""},
      // Far.loop is in another bank.
      {[&] { return RomLabelStep(labels, 0x4000, "Init", "Far"); },
       "Far Far.loop Far.loop.fast Far.done Initialize Init.far Taken.done Far.loop | "
       "wBuf wBuf.end wBuf.end wData.end", ""},
      {[&] { return RomLabelStep(labels, 0x4000, "Init", ""); },
       "Init.loop Init.loop.fast Init.done Initialize Init.far Taken.done Far.loop | "
       "wBuf wBuf.end wBuf.end wData.end", ""},
      {[&] { return RomLabelStep(labels, 0x4000, "Init", "Taken"); }, "",
       "Init.done would follow Init as Taken.done, but bank 01 has a label Taken.done already, "
       "at 01:4050."},
      {[&] { return RomLabelStep(labels, 0x4000, "Init", "Taken.done"); }, "",
       "Bank 01 has a label Taken.done already, at 01:4050."},
      {[&] { return RamLabelStep(labels, 0, 0xC0A0, "wBuf", "wTiles"); },
       "Init Init.loop Init.loop.fast Init.done Initialize Init.far Taken.done Far.loop | "
       "wTiles wTiles.end wBuf.end wData.end", ""},
      {[&] { return RamLabelStep(labels, 0, 0xC0A0, "wBuf", "wData"); }, "",
       "wBuf.end would follow wBuf as wData.end, but RAM bank 00 has a label wData.end already, "
       "at 00:C100."},
  };
  for (const Row& row : rows) {
    std::optional<SymbolStep> step;
    EXPECT_EQ(FailureOf([&] { step = row.make(); }), row.failure);
    ASSERT_EQ(step.has_value(), !row.after.empty()) << row.failure;
    if (!step) continue;
    RomMarks marks;
    RomComments comments;
    const SymbolTables tables{labels, marks, comments};
    ApplySymbolStep(tables, *step);
    EXPECT_EQ(names(labels), row.after);
    // One step: undone, every name is back; done again, every new name.
    RevertSymbolStep(tables, *step);
    EXPECT_EQ(names(labels), before) << row.after;
    ApplySymbolStep(tables, *step);
    EXPECT_EQ(names(labels), row.after);
    RevertSymbolStep(tables, *step);
  }
}
