#include "analysis/Trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "TestRom.h"
#include "analysis/Align.h"
#include "analysis/RomMap.h"

namespace {

using Bytes = std::vector<uint8_t>;
using K = MarkKind;

// A 64 KiB ROM (banks 0-3) filled with D3, which is no instruction: a run that strays ends at
// once, and the vectors at 00-60 are no code unless a row puts some there.
struct TraceFixture {
  std::unique_ptr<Rom> rom = MakeRom(0x10000);
  LabelTables labels;
  RomMarks marks;

  TraceFixture() { std::fill(rom->RomImage.begin(), rom->RomImage.begin() + 0x10000, 0xD3); }
  void Code(uint32_t at, const Bytes& bytes) {
    for (uint8_t b : bytes) rom->RomImage[at++] = b;
  }
  Trace Run() const { return TraceRom(*rom, labels, marks); }
};

// "C" an instruction start, "o" an operand byte, "d" data, "t" text, "i" image, "p" an entry
// of a table of addresses, "." unknown.
std::string Classes(const Trace& trace, uint32_t from, size_t count) {
  std::string out;
  for (uint32_t i = from; i < from + count; ++i) out += ".Codtip"[static_cast<int>(trace.ClassAt(i))];
  return out;
}

// "000103 jump R000150": source, kind, space (R ROM, U unknown bank, M RAM, B bank controller)
// and target.
std::string RefText(const Reference& r) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%06X %s %c%06X", r.Source, std::string(RefKindName(r.Kind)).c_str(),
                "RUMB"[static_cast<int>(r.Space)], r.Target);
  return buf;
}

std::vector<std::string> RefTexts(const std::vector<Reference>& refs) {
  std::vector<std::string> out;
  for (const Reference& r : refs) out.push_back(RefText(r));
  return out;
}

TEST(TraceTest, ClassesAndReferencesOfTracedCode) {
  struct Row {
    const char* what;
    std::vector<std::pair<uint32_t, Bytes>> code;
    std::vector<MarkBlock> marks;
    std::vector<int32_t> labels;
    std::vector<std::pair<uint32_t, std::string>> classes;  // expected from each offset on
    std::vector<std::string> refs;
  };
  const std::vector<Row> rows = {
      {"straight code ends after jp; its target is traced",
       {{0x100, {0x00, 0x3E, 0x3E, 0xC3, 0x50, 0x01, 0x00}}, {0x150, {0xC9, 0x00}}},
       {}, {}, {{0x100, "CCoCoo."}, {0x150, "C."}}, {"000103 jump R000150"}},
      {"an unconditional jr does not fall through",
       {{0x100, {0x18, 0x02, 0x00, 0x00, 0xC9}}}, {}, {}, {{0x100, "Co..C."}}, {"000100 jump R000104"}},
      {"what follows a routine's end is traced when it decodes as one, past a fill of 00 and FF",
       {{0x100, {0xC3, 0x50, 0x01}},
        {0x150, {0xC9, 0x3C, 0xC9, 0xFF, 0x00, 0x3D, 0xC9, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46,
                 0x47, 0xC9}}},
       {}, {}, {{0x150, "CCC..CC........"}}, {"000100 jump R000150"}},
      {"rst $38 after rst $38 is the fill of empty ROM, no code",
       {{0x100, {0x00, 0xFF, 0xFF, 0xC9}}}, {}, {}, {{0x100, "C..."}}, {}},
      {"ld a,[$FF00 + c] is one byte, no branch",
       {{0x100, {0xF2, 0x06, 0x20, 0xC9}}}, {}, {}, {{0x100, "CCoC."}}, {}},
      {"a conditional jr goes both ways; a jr to itself ends",
       {{0x100, {0x20, 0x02, 0x18, 0xFE, 0xC9, 0x00}}},
       {}, {}, {{0x100, "CoCoC."}}, {"000100 branch R000104", "000102 jump R000102"}},
      {"call and rst return; jp hl ends the run",
       {{0x100, {0xCD, 0x00, 0x02, 0xEF, 0xE9, 0x00}}, {0x200, {0xC9}}, {0x28, {0xC9}}},
       {}, {}, {{0x100, "CooCC."}, {0x200, "C."}, {0x28, "C."}},
       {"000100 call R000200", "000103 rst R000028"}},
      {"rst $38 into a vector holding rst $38 never returns",
       {{0x38, {0xFF}}, {0x100, {0x00, 0xFF, 0x00}}}, {}, {},
       {{0x100, "CC."}, {0x38, "C."}}, {"000038 rst R000038", "000101 rst R000038"}},
      {"conditional jp and call, ret on a condition goes on",
       {{0x100, {0xDA, 0x00, 0x02, 0xC4, 0x00, 0x03, 0xC8, 0xC9}}, {0x200, {0xC9}}, {0x300, {0xC9}}},
       {}, {}, {{0x100, "CooCooCC."}, {0x200, "C"}, {0x300, "C"}},
       {"000100 branch R000200", "000103 call R000300"}},
      {"an undefined opcode ends the run and is no code; reti is",
       {{0x100, {0x00, 0xFD, 0x00}}, {0x40, {0x00, 0xD9, 0x00}}, {0x101, {0xFD}}},
       {}, {}, {{0x100, "C.."}, {0x40, "CC."}}, {}},
      {"data and text blocks are never entered, not even by a label",
       {{0x100, {0xC3, 0x00, 0x02}}, {0x200, {0x00, 0x00, 0xC9}}, {0x300, {0x00, 0xC9}}},
       {{0x200, 4, K::Data}, {0x300, 2, K::Text}}, {0x300},
       {{0x200, "dddd"}, {0x300, "tt"}}, {"000100 jump R000200"}},
      {"an instruction whose operand lies in a data block is not taken",
       {{0x100, {0x00, 0x3E}}}, {{0x102, 2, K::Data}}, {}, {{0x100, "C.dd"}}, {}},
      {"labels and code blocks are entry points",
       {{0x300, {0x00, 0xC9}}, {0x400, {0x00, 0xC9}}}, {{0x400, 1, K::Code}}, {0x300},
       {{0x300, "CC."}, {0x400, "CC."}}, {}},
      {"a jump into the middle of a traced instruction is listed, not decoded",
       {{0x100, {0x3E, 0xC9, 0x18, 0xFD}}}, {}, {}, {{0x100, "CoCo."}}, {"000102 jump R000101"}},
      {"code that runs off the end of bank 0 stops there",
       {{0x3FFE, {0x00, 0x00}}, {0x4000, {0x00}}}, {{0x3FFE, 1, K::Code}}, {}, {{0x3FFE, "CC."}}, {}},
      {"an instruction may not straddle a bank's end",
       {{0x7FFE, {0x00, 0x3E}}}, {{0x7FFE, 1, K::Code}}, {}, {{0x7FFE, "C."}}, {}},
      {"reads, writes and pointers of every space; below 0100 a value is no place",
       {{0x100, {0xFA, 0x00, 0xC0, 0xEA, 0x00, 0x20, 0x08, 0x00, 0xC1, 0xF0, 0x44, 0xE0, 0x80,
                 0x21, 0x00, 0x05, 0x11, 0x00, 0xC0, 0x01, 0x34, 0x52, 0xFA, 0x00, 0x01, 0xCD,
                 0x80, 0xFF, 0x01, 0x40, 0x00, 0xFA, 0xFF, 0x00, 0xC9}}},
       {}, {},
       {{0x100, "CooCooCooCoCoCooCooCooCooCooCooCooC."}},
       {"000100 read M00C000", "000103 write B002000", "000106 write M00C100",
        "000109 read M00FF44", "00010B write M00FF80", "00010D pointer R000500",
        "000110 pointer M00C000", "000113 pointer U005234", "000116 read R000100",
        "000119 call M00FF80"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TraceFixture f;
    for (const auto& [at, bytes] : row.code) f.Code(at, bytes);
    for (const MarkBlock& b : row.marks) f.marks.Mark(b.Offset, b.Length, b.Kind);
    for (int32_t at : row.labels) f.labels.AddRomLabel(at, "L" + std::to_string(at));
    const Trace trace = f.Run();
    for (const auto& [at, expected] : row.classes)
      EXPECT_EQ(Classes(trace, at, expected.size()), expected) << std::hex << at;
    EXPECT_EQ(RefTexts(trace.Refs.All()), row.refs);
  }
}

TEST(TraceTest, BankOfTargetsInTheSwitchableWindow) {
  struct Row {
    const char* what;
    uint32_t at;
    Bytes code;  // ends with the flow whose reference is checked
    std::vector<int32_t> labels;
    std::string ref;
    bool traced;
  };
  const std::vector<Row> rows = {
      {"ld a,n then ld [$2000],a", 0x100, {0x3E, 0x03, 0xEA, 0x00, 0x20, 0xCD, 0x00, 0x41},
       {}, "000105 call R00C100", true},
      {"any address 2000-3FFF through hl", 0x100,
       {0x3E, 0x02, 0x21, 0xFF, 0x3F, 0x77, 0xC3, 0x00, 0x41}, {}, "000106 jump R008100", true},
      {"ld [hl],n", 0x100, {0x21, 0x00, 0x20, 0x36, 0x03, 0xCA, 0x00, 0x41}, {},
       "000105 branch R00C100", true},
      {"bank 0 written selects bank 1", 0x100, {0x3E, 0x00, 0xEA, 0x00, 0x20, 0xCD, 0x00, 0x41},
       {}, "000105 call R004100", true},
      {"the bank write wins over a label", 0x100,
       {0x3E, 0x03, 0xEA, 0x00, 0x20, 0xCD, 0x00, 0x41}, {0x8100}, "000105 call R00C100", true},
      {"a loaded unknowably between load and write: the label's bank", 0x100,
       {0x3E, 0x03, 0xF0, 0x44, 0xEA, 0x00, 0x20, 0xCD, 0x00, 0x41}, {0x8100},
       "000107 call R008100", true},
      {"a counted up between load and write", 0x100,
       {0x3E, 0x01, 0x3C, 0xEA, 0x00, 0x20, 0xCD, 0x00, 0x41}, {0xC100},
       "000106 call R008100", true},
      {"a write outside 2000-3FFF selects nothing", 0x100,
       {0x3E, 0x03, 0xEA, 0x00, 0x40, 0xCD, 0x00, 0x41}, {}, "000105 call U004100", false},
      {"labels at that address in one bank", 0x100, {0xCD, 0x00, 0x41}, {0x8100, 0x8100},
       "000100 call R008100", true},
      {"labels in two banks: unknown, not followed", 0x100, {0xCD, 0x00, 0x41},
       {0x8100, 0xC100}, "000100 call U004100", false},
      {"no write, no label: unknown", 0x100, {0xC3, 0x00, 0x41}, {}, "000100 jump U004100", false},
      {"from bank 2 its own bank", 0x8000, {0xCD, 0x00, 0x41}, {0xC100}, "008000 call R008100",
       true},
      {"from bank 2 into bank 0", 0x8000, {0xCD, 0x00, 0x03}, {}, "008000 call R000300", true},
      {"jr from bank 0 into the window", 0x3FF0, {0x18, 0x20}, {0x4012},
       "003FF0 jump R004012", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TraceFixture f;
    f.Code(row.at, row.code);
    // A ret after the flow lets the start label decode as a whole routine.
    f.Code(row.at + static_cast<uint32_t>(row.code.size()), {0xC9});
    // Every possible target is a ret, so a followed one is traced.
    for (uint32_t t : {0x300u, 0x4012u, 0x4100u, 0x8100u, 0xC100u}) f.Code(t, {0xC9});
    f.labels.AddRomLabel(static_cast<int32_t>(row.at), "Start");
    for (int32_t at : row.labels) f.labels.AddRomLabel(at, "Target");
    const Trace trace = f.Run();
    const auto& all = trace.Refs.All();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(RefText(all.back()), row.ref);
    // A labelled target is an entry point of its own; the others are traced only when followed.
    const Reference& ref = all.back();
    const bool labelled = std::find(row.labels.begin(), row.labels.end(),
                                    static_cast<int32_t>(ref.Target)) != row.labels.end();
    if (!labelled) {
      const uint32_t where = ref.Space == RefSpace::Rom ? ref.Target : 0x4100;
      EXPECT_EQ(trace.IsTraced(where), row.traced);
    }
  }
}

TEST(TraceTest, VectorsAreEntryPointsOnlyWithEvidence) {
  struct Row {
    const char* what;
    std::vector<std::pair<uint32_t, Bytes>> code;
    std::vector<std::pair<uint32_t, std::string>> classes;
    std::vector<std::pair<uint32_t, std::string>> reasons;
  };
  // A table of words at 0000-001F: what each decodes to never ends in a jump or a return.
  Bytes table;
  for (int i = 0; i < 16; ++i) table.insert(table.end(), {static_cast<uint8_t>(0x23 + 4 * i), 0x41});
  const std::vector<Row> rows = {
      {"IE written with a known value enables vectors 40 and 60",
       {{0x100, {0x3E, 0x11, 0xE0, 0xFF, 0xC9}}, {0x40, {0xC9}}, {0x48, {0xC9}}, {0x60, {0xD9}}},
       {{0x40, "C"}, {0x48, "C"}, {0x60, "C"}},
       {{0x40, "interrupt enabled at 00:0102"}, {0x48, "vector"}, {0x60, "interrupt enabled at 00:0102"}}},
      {"ld [$FFFF],a and set n,[hl] enable too",
       {{0x100, {0x3E, 0x10, 0xEA, 0xFF, 0xFF, 0x21, 0xFF, 0xFF, 0xCB, 0xC6, 0xC9}},
        {0x40, {0xF5, 0xD3}}, {0x60, {0xF5, 0xD3}}},
       {{0x40, "C."}, {0x60, "C."}},
       {{0x40, "interrupt enabled at 00:0108"}, {0x60, "interrupt enabled at 00:0102"}}},
      {"an rst in traced code makes its vector an entry point",
       {{0x100, {0xEF, 0xC9}}, {0x28, {0x3E, 0x01, 0xCD, 0x00, 0x02}}, {0x200, {0xC9}}},
       {{0x28, "CoCoo."}}, {{0x28, "traced from 00:0100"}, {0x200, "traced from 00:002A"}}},
      {"a vector without evidence that decodes as a routine is one",
       {{0x60, {0xF5, 0xF1, 0x20, 0xFC, 0xD9}}}, {{0x60, "CCCoC."}}, {{0x60, "vector"}}},
      {"a vector jumping into its own instruction's middle is none",
       {{0x58, {0x3E, 0x18, 0x18, 0xFD}}}, {{0x58, "...."}}, {{0x58, ""}}},
      {"a table of words in the vectors stays unknown", {{0x00, table}},
       {{0x00, std::string(32, '.')}}, {{0x00, ""}, {0x18, ""}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TraceFixture f;
    for (const auto& [at, bytes] : row.code) f.Code(at, bytes);
    const Trace trace = f.Run();
    for (const auto& [at, expected] : row.classes)
      EXPECT_EQ(Classes(trace, at, expected.size()), expected) << std::hex << at;
    for (const auto& [at, expected] : row.reasons)
      EXPECT_EQ(ReasonText(trace.ReasonAt(at)), expected) << std::hex << at;
  }
}

TEST(TraceTest, LabelsStartATraceOnlyWithEvidence) {
  struct Row {
    int32_t at;
    const char* name;
    Bytes code;
    std::string classes;
    std::string reason;
  };
  const Row rows[] = {
      {0x300, "Routine", {0x3E, 0x02, 0x20, 0xFC, 0xC9}, "CoCoC", "label"},
      {0x300, "Runs_into_nothing", {0x3E, 0x02, 0x00}, "...", ""},
      {0x300, "Jumps_into_itself", {0x3E, 0xC9, 0x18, 0xFD}, "....", ""},
      {0x300, "Stop_with_a_value", {0x10, 0x44, 0xC9}, "...", ""},
      {0x300, "Ld_d_d", {0x3E, 0x01, 0x52, 0xC9}, "....", ""},
      {0x300, "Mostly_moves", {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0xC9}, "........", ""},
      {0x300, "Padding_nops", {0x00, 0x00, 0x00, 0x00, 0xC9}, ".....", ""},
      // What it jumps to must decode as a routine too: not the fill of empty ROM.
      {0x300, "Jumps_into_fill", {0x3E, 0x01, 0xC3, 0x08, 0x03, 0xD3, 0xD3, 0xD3, 0xFF, 0xFF, 0xC9},
       ".....", ""},
      {0x300, "Jumps_into_a_routine", {0x3E, 0x01, 0xC3, 0x08, 0x03, 0xD3, 0xD3, 0xD3, 0x3C, 0xC9},
       "CoCoo...CC", "label"},
      // The label is read through hl by traced code: data, however it decodes.
      {0x400, "Read", {0x3E, 0x01, 0xC9}, "ddd", "read from 00:0150"},
      // GBDK's bank numbers and sizes are numbers, not places.
      {0x05, "Low", {0x3E, 0x01, 0xC9}, "CoC", "label"},
      {0x05, "___bank_scene", {0x3E, 0x01, 0xC9}, "...", ""},
      {0x05, "b_main", {0x3E, 0x01, 0xC9}, "...", ""},
      {0x05, "s__HEADER", {0x3E, 0x01, 0xC9}, "...", ""},
      {0x05, "l__DATA", {0x3E, 0x01, 0xC9}, "...", ""},
      {0x105, "b_high", {0x3E, 0x01, 0xC9}, "CoC", "label"},
  };
  for (const Row& r : rows) {
    TraceFixture f;
    f.Code(0x100, {0x00, 0xC3, 0x50, 0x01});
    f.Code(0x150, {0x21, 0x00, 0x04, 0x2A, 0xC9});
    f.Code(static_cast<uint32_t>(r.at), r.code);
    f.labels.AddRomLabel(r.at, r.name);
    TraceInput input;
    input.Image.assign(f.rom->RomImage.begin(), f.rom->RomImage.begin() + f.rom->RomSize);
    FillTraceLabels(input, f.labels, f.marks);
    const Trace trace = TraceRom(input);
    EXPECT_EQ(Classes(trace, static_cast<uint32_t>(r.at), r.classes.size()), r.classes) << r.name;
    EXPECT_EQ(ReasonText(trace.ReasonAt(static_cast<uint32_t>(r.at))), r.reason) << r.name;
  }
}

TEST(TraceTest, AnExecutionLogAddsCodeAndData) {
  // 0300: ld a,1 / D3 (the log saw only the ld run); 0400-0403 read; 0500 run, marked data.
  struct Row {
    const char* what;
    std::vector<std::pair<uint32_t, uint8_t>> flags;
    std::vector<MarkBlock> marks;
    std::vector<std::pair<uint32_t, std::string>> classes;
    std::vector<std::pair<uint32_t, std::string>> reasons;
  };
  constexpr uint8_t kRun = kLogCode | kLogStart;
  const std::vector<Row> rows = {
      {"executed starts are entry points; bytes only read are data",
       {{0x300, kRun}, {0x301, kLogCode}, {0x400, kLogData}, {0x401, kLogData}, {0x403, kLogData}},
       {}, {{0x300, "Co."}, {0x400, "dd.d"}},
       {{0x300, "executed"}, {0x400, "read when run"}, {0x403, "read when run"}}},
      {"a log without start flags: the first byte of each executed run",
       {{0x300, kLogCode}, {0x301, kLogCode}}, {}, {{0x300, "Co."}}, {{0x300, "executed"}}},
      {"bytes both run and read are no data",
       {{0x300, kRun | kLogData}, {0x301, kLogCode}}, {}, {{0x300, "Co."}}, {{0x300, "executed"}}},
      {"the user's marks win over the log",
       {{0x300, kRun}, {0x301, kLogCode}, {0x400, kLogData}, {0x401, kLogData}},
       {{0x300, 2, K::Data}, {0x400, 2, K::Code}},
       {{0x300, "dd"}, {0x400, "Co"}}, {{0x300, "your mark"}, {0x400, "your mark"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TraceFixture f;
    f.Code(0x300, {0x3E, 0x01});
    f.Code(0x400, {0x3E, 0x01, 0xD3, 0x00});
    for (const MarkBlock& b : row.marks) f.marks.Mark(b.Offset, b.Length, b.Kind);
    CodeDataLog log;
    log.Flags.assign(f.rom->RomSize, 0);
    for (const auto& [at, flag] : row.flags) log.Flags[at] = flag;
    const Trace trace = TraceRom(*f.rom, f.labels, f.marks, &log);
    for (const auto& [at, expected] : row.classes)
      EXPECT_EQ(Classes(trace, at, expected.size()), expected) << std::hex << at;
    for (const auto& [at, expected] : row.reasons)
      EXPECT_EQ(ReasonText(trace.ReasonAt(at)), expected) << std::hex << at;
  }
}

TEST(TraceTest, SwitchableWindowOfSmallAndControllerlessRoms) {
  struct Row {
    uint32_t size;
    uint8_t cartType;
    std::string ref;
  };
  const Row rows[] = {
      {0x8000, 0x01, "000100 call R004100"},   // two banks
      {0x10000, 0x00, "000100 call R004100"},  // no bank controller
      {0x10000, 0x09, "000100 call R004100"},  // RAM and battery, no bank controller
      {0x10000, 0x01, "000100 call U004100"},  // MBC1
      {0x10000, 0x19, "000100 call U004100"},  // MBC5
  };
  for (const Row& r : rows) {
    TraceFixture f;
    f.rom->RomSize = r.size;
    f.Code(0x100, {0xCD, 0x00, 0x41, 0xC9});
    f.Code(0x147, {r.cartType});
    f.Code(0x4100, {0xC9});
    const Trace trace = f.Run();
    EXPECT_EQ(RefText(trace.Refs.All().at(0)), r.ref) << std::hex << r.size << " " << int(r.cartType);
    EXPECT_EQ(trace.IsTraced(0x4100), r.ref.find(" R") != std::string::npos);
  }
}

TEST(TraceTest, ReferencesOfUnknownBankAtTheWindowsFirstByte) {
  TraceFixture f;
  f.Code(0x100, {0xCD, 0x00, 0x40, 0xC3, 0x00, 0x40});
  f.Code(0x147, {0x01});
  const Trace trace = f.Run();
  const std::vector<std::string> both = {"000100 call U004000", "000103 jump U004000"};
  EXPECT_EQ(RefTexts(trace.Refs.All()), both);
  EXPECT_EQ(RefTexts(trace.Refs.MaybeTo(0x4000)), both);
  EXPECT_EQ(RefTexts(trace.Refs.MaybeTo(0xC000)), both);
  EXPECT_EQ(RefTexts(ReferencesTo(trace.Refs, 0x4000, RefSpace::Rom)), both);
  EXPECT_TRUE(ReferencesTo(trace.Refs, 0x3FFF, RefSpace::Rom).empty());
  EXPECT_EQ(ReferenceLine(*f.rom, f.labels, ValueFormat::Hex, trace.Refs.All()[0]),
            "call?   00:0100 call $4000");
  EXPECT_EQ(ReferenceLine(*f.rom, f.labels, ValueFormat::Hex, trace.Refs.All()[1]),
            "jump?   00:0103 jp $4000");
}

TEST(TraceTest, LookupsBySourceTargetAndInstruction) {
  TraceFixture f;
  f.Code(0x100, {0xCD, 0x00, 0x02, 0xCA, 0x00, 0x02, 0xFA, 0x00, 0xC0, 0x21, 0x00, 0xC0, 0xCD,
                 0x00, 0x45, 0xC9});
  f.Code(0x200, {0xC9});
  const Trace trace = f.Run();
  const References& refs = trace.Refs;
  EXPECT_EQ(RefTexts(refs.To(0x200)),
            (std::vector<std::string>{"000100 call R000200", "000103 branch R000200"}));
  EXPECT_EQ(refs.CountTo(0x200), 2u);
  EXPECT_EQ(refs.CountTo(0xC000, RefSpace::Ram), 2u);
  EXPECT_EQ(refs.CountTo(0xC000), 0u);
  EXPECT_TRUE(refs.To(0x201).empty());
  ASSERT_EQ(refs.From(0x103).size(), 1u);
  EXPECT_EQ(RefText(refs.From(0x103)[0]), "000103 branch R000200");
  EXPECT_TRUE(refs.From(0x104).empty());
  // A call whose bank is unknown may lead to 4500 of any bank.
  EXPECT_EQ(RefTexts(refs.MaybeTo(0x8500)), (std::vector<std::string>{"00010C call U004500"}));
  EXPECT_TRUE(refs.MaybeTo(0x0500).empty());

  struct Row {
    uint32_t offset, start, next;
  };
  for (const Row& r : {Row{0x100, 0x100, 0x103}, Row{0x101, 0x100, 0x103}, Row{0x102, 0x100, 0x103},
                       Row{0x10F, 0x10F, 0x110}, Row{0x300, 0x300, 0x301}}) {
    EXPECT_EQ(trace.InstructionStartAt(r.offset), r.start) << std::hex << r.offset;
    EXPECT_EQ(trace.NextInstructionStart(r.offset), r.next) << std::hex << r.offset;
  }
}

TEST(TraceTest, ScrollStepsLandOnInstructionStartsInTracedCode) {
  TraceFixture f;
  // Traced 0100-0106 (ld a,1 / call $0200 / nop / ret); D3 before and after, one byte each.
  f.Code(0x100, {0x3E, 0x01, 0xCD, 0x00, 0x02, 0x00, 0xC9});
  f.Code(0x200, {0xC9});
  const Trace trace = f.Run();
  const Rom& rom = *f.rom;
  struct Row {
    const char* step;
    uint32_t start;
    int count;
    uint32_t expected;
  };
  const Row rows[] = {
      {"forward", 0x101, 0, 0x102}, {"forward", 0x103, 0, 0x105}, {"forward", 0x105, 0, 0x105},
      {"forward", 0x300, 0, 0x300}, {"back", 0x104, 0, 0x102},    {"back", 0x101, 0, 0x100},
      {"back", 0x300, 0, 0x300},
      {"down", 0x100, 2, 0x105},  // traced instructions
      {"down", 0xFE, 3, 0x102},   // from untraced bytes into traced code
      {"down", 0x101, 1, 0x105},  // decoded from an operand byte, ending in one: moved on
      {"up", 0x105, 2, 0x100},    {"up", 0x107, 1, 0x106},
      {"up", 0x102, 3, 0xFE},     // out of traced code, a decoded byte at a time
      {"up", 0x300, 3, 0x2FD},    // far from traced code: the listing's own step
      {"up", 0x1, 3, 0x0},
  };
  for (const Row& r : rows) {
    const std::string step = r.step;
    const uint32_t got = step == "forward" ? AlignForward(trace, r.start)
                         : step == "back"  ? AlignBack(trace, r.start)
                         : step == "down"  ? InstructionsDown(trace, rom, r.start, r.count)
                                           : InstructionsUp(trace, rom, r.start, r.count);
    EXPECT_EQ(got, r.expected) << step << " from " << std::hex << r.start;
  }
}

TEST(RomMapTest, CoverageAndStripsPerBank) {
  TraceFixture f;
  f.rom->RomSize = 0x10100;  // a partial fifth bank
  f.Code(0x100, {0x00, 0xC9});
  f.marks.Mark(0x4000, 0x1000, K::Data);
  f.marks.Mark(0x8000, 0x2000, K::Text);
  const Trace trace = f.Run();
  const std::vector<BankCoverage> expected = {{0, 2, 0, 0, 0x3FFE},
                                              {1, 0, 0x1000, 0, 0x3000},
                                              {2, 0, 0, 0x2000, 0x2000},
                                              {3, 0, 0, 0, 0x4000},
                                              {4, 0, 0, 0, 0x100}};
  const auto banks = CoverageByBank(trace);
  EXPECT_EQ(banks, expected);
  EXPECT_EQ(TotalCoverage(banks), (BankCoverage{5, 2, 0x1000, 0x2000, 0xD0FE}));

  using B = ByteClass;
  EXPECT_EQ(BankStrip(trace, 1, 4), (std::vector<B>{B::Data, B::Unknown, B::Unknown, B::Unknown}));
  EXPECT_EQ(BankStrip(trace, 2, 2), (std::vector<B>{B::Text, B::Unknown}));
  EXPECT_EQ(BankStrip(trace, 4, 2), (std::vector<B>{B::Unknown, B::Unknown}));
  // Operand bytes count as code; with more parts than bytes each part still has one.
  const auto fine = BankStrip(trace, 0, 0x8000);
  EXPECT_EQ(fine[0x200], B::Code);
  EXPECT_EQ(fine[0x203], B::Code);
  EXPECT_EQ(fine[0x204], B::Unknown);
  EXPECT_TRUE(BankStrip(trace, 0, 0).empty());

  EXPECT_EQ(CoverageTable({{0, 0x3000, 0x800, 0, 0x800}, {1, 0, 0, 0x4000, 0}}),
            "bank     code     data     text  unknown\n"
            "00      75.0%    12.5%     0.0%    12.5%\n"
            "01       0.0%     0.0%   100.0%     0.0%\n"
            "all     37.5%     6.2%    50.0%     6.2%\n"
            "bytes: code 12288, data 2048, text 16384, unknown 2048\n");
}

}  // namespace
