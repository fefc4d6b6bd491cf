#include <gtest/gtest.h>

#include "TestRom.h"
#include "model/Failure.h"
#include "search/InstructionSearch.h"
#include "search/Search.h"

namespace {

// 32 KiB: call $4150 (CD 50 41) at 0x100 and 0x2000 in bank 0 and at 0x7FFE, where its last
// byte stands past the end; ld a,$3E twice over at 0x300 (3E 3E 3E); nop elsewhere. The label
// Main names 01:4150: "@Main" from bank 0, "Main" from bank 1.
struct Fixture {
  std::unique_ptr<Rom> rom = MakeRom(0x8000);
  LabelTables labels;
  Fixture() {
    for (uint32_t at : {0x100u, 0x2000u, 0x7FFEu}) Put(*rom, at, {0xCD, 0x50, 0x41});
    Put(*rom, 0x300, {0x3E, 0x3E, 0x3E});
    labels.AddRomLabel(0x4150, "Main");
  }
};

std::vector<int32_t> ByRepeatedSearch(const Fixture& f, const std::string& text) {
  std::vector<int32_t> found;
  for (int32_t at = SearchInstruction(*f.rom, f.labels, 0, text); at >= 0;
       at = SearchInstruction(*f.rom, f.labels, at + 1, text)) {
    found.push_back(at);
  }
  return found;
}

}  // namespace

TEST(FindAll, EveryMatchFromTheStartUpToTheCap) {
  Fixture f;
  struct Row {
    bool bytes;
    const char* text;
    size_t cap;
    size_t count;
    bool stopped;
    std::vector<int32_t> first;  // the first offsets found
  };
  const Row rows[] = {
      {false, "call @Main", kFindAllCap, 2, false, {0x100, 0x2000}},
      {false, "call Main", kFindAllCap, 1, false, {0x7FFE}},
      {false, "call $4150", kFindAllCap, 0, false, {}},  // the listing shows the label there
      {false, "ld b,b", kFindAllCap, 0, false, {}},
      {false, "ld a,$3E", kFindAllCap, 2, false, {0x300, 0x301}},   // also inside the first one
      {true, "$CD 50 41", kFindAllCap, 2, false, {0x100, 0x2000}},  // wholly within the ROM only
      {true, "205 80", kFindAllCap, 3, false, {0x100, 0x2000, 0x7FFE}},
      {false, "call @Main", 1, 1, true, {0x100}},
      {false, "call @Main", 2, 2, false, {0x100, 0x2000}},  // exactly the cap: all found
      {false, "nop", 0x8000 - 11, 0x8000 - 11, false, {0, 1, 2}},
      {false, "nop", 0x8000 - 12, 0x8000 - 12, true, {0, 1, 2}},
      {true, "$00", 100, 100, true, {0, 1, 2}},
      {true, "", kFindAllCap, 0x8001, false, {0, 1, 2}},  // an empty pattern matches everywhere
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.text << " cap " << r.cap);
    const FindAllResult found = r.bytes ? FindAllBytes(*f.rom, r.text, r.cap)
                                        : FindAllInstructions(*f.rom, f.labels, r.text, r.cap);
    EXPECT_EQ(found.Text, r.text);
    EXPECT_EQ(found.Offsets.size(), r.count);
    EXPECT_EQ(found.Stopped, r.stopped);
    for (size_t i = 0; i < r.first.size() && i < found.Offsets.size(); ++i) {
      EXPECT_EQ(found.Offsets[i], r.first[i]);
    }
    if (!r.bytes && !r.stopped) {
      EXPECT_EQ(found.Offsets, ByRepeatedSearch(f, r.text));
    }
  }

  // The window's cap: 128 KiB of nop.
  auto zeros = MakeRom(0x20000);
  const FindAllResult many = FindAllInstructions(*zeros, f.labels, "nop");
  EXPECT_EQ(many.Offsets.size(), 100000u);
  EXPECT_EQ(many.Offsets.back(), 99999);
  EXPECT_TRUE(many.Stopped);
}

TEST(FindAll, DialogsRecordTheSearchAndShowLines) {
  Fixture f;
  LastSearch last;
  EXPECT_EQ(RunInstructionFindAll(*f.rom, f.labels, last, "call @Main").Offsets.size(), 2u);
  EXPECT_EQ(last.LastSearchKind, SearchKind::Instruction);
  EXPECT_EQ(last.LastSearchText, "call @Main");
  try {
    RunInstructionFindAll(*f.rom, f.labels, last, "call ?");
    ADD_FAILURE();
  } catch (const Failure& e) {
    EXPECT_EQ(e.kind, FailureKind::Info);
    EXPECT_EQ(e.text, "Please replace question marks with a value.");
  }
  EXPECT_EQ(last.LastSearchText, "call @Main");
  // A text that does not convert is recorded, as by the dialog's OK.
  EXPECT_THROW(RunByteFindAll(*f.rom, last, "$CD  50"), ConversionError);
  EXPECT_EQ(last.LastSearchKind, SearchKind::Bytes);
  EXPECT_EQ(last.LastSearchText, "$CD  50");

  struct Row {
    int32_t offset;
    ValueFormat format;
    const char* line;
  };
  const Row rows[] = {
      {0x100, ValueFormat::Hex, "00:0100 call @Main"},
      {0x300, ValueFormat::Dec, "00:0300 ld a,62"},
      {0x301, ValueFormat::Bin, "00:0301 ld a,%111110"},
      {0x7FFE, ValueFormat::Hex, "01:7FFE call Main"},
      {0x4150, ValueFormat::Hex, "01:4150 nop"},
  };
  for (const Row& r : rows) EXPECT_EQ(FindAllLine(*f.rom, f.labels, r.format, r.offset), r.line);
}

// The results window runs its search again after every edit; it shows counts and misses.
TEST(FindAll, RepeatSearchesTheRomAsItIsNow) {
  Fixture f;
  const FindAllResult calls = FindAllInstructions(*f.rom, f.labels, "call @Main");
  const FindAllResult bytes = FindAllBytes(*f.rom, "$CD 50 41");
  const FindAllResult nops = FindAllInstructions(*f.rom, f.labels, "nop", 2);
  Put(*f.rom, 0x2000, {0xC3, 0x39, 0x40});  // jp $4039 over the second call
  Put(*f.rom, 0x500, {0xCD, 0x50, 0x41});
  EXPECT_EQ(calls.Repeat(*f.rom, f.labels).Offsets, (std::vector<int32_t>{0x100, 0x500}));
  EXPECT_EQ(bytes.Repeat(*f.rom, f.labels).Offsets, (std::vector<int32_t>{0x100, 0x500}));
  // Other labels now: the same text finds other places.
  LabelTables none;
  EXPECT_EQ(calls.Repeat(*f.rom, none).Offsets.size(), 0u);
  const FindAllResult again = nops.Repeat(*f.rom, f.labels);
  EXPECT_EQ(again.Offsets.size(), 2u);
  EXPECT_TRUE(again.Stopped);
  EXPECT_EQ(again.Text, "nop");

  EXPECT_EQ(calls.MissText, "Sorry, \"call @Main\" could not been found.");
  EXPECT_EQ(bytes.MissText, "Sorry, bytes did not found.");
  struct Row {
    size_t count;
    bool stopped;
    const char* text;
  };
  for (Row r : {Row{0, false, "0 matches"}, Row{1, false, "1 match"},
                Row{1204, false, "1,204 matches"}, Row{100000, true, "100,000 matches (stopped)"}}) {
    FindAllResult result;
    result.Offsets.resize(r.count);
    result.Stopped = r.stopped;
    EXPECT_EQ(MatchCountText(result), r.text);
  }
}
