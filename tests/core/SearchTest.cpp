#include <gtest/gtest.h>

#include <memory>

#include "model/Failure.h"
#include "search/Search.h"

namespace {

struct Fixture {
  std::unique_ptr<Rom> rom = std::make_unique<Rom>();
  LabelTables labels;
  Fixture() {
    rom->RomSize = 0x8000;
    rom->BankCount = 2;
    // ld a,$3E at 0x100 and 0x200; the bytes C3 50 01 (jp $0150) at 0x300 and 0x400.
    for (uint32_t at : {0x100u, 0x200u}) rom->RomImage[at] = rom->RomImage[at + 1] = 0x3E;
    for (uint32_t at : {0x300u, 0x400u}) {
      rom->RomImage[at] = 0xC3;
      rom->RomImage[at + 1] = 0x50;
      rom->RomImage[at + 2] = 0x01;
    }
  }
};

}  // namespace

TEST(SearchAgain, RepeatsWhatLastSearchRecordsFromTheLineAfterTheSelection) {
  Fixture f;
  struct Row {
    SearchKind kind;
    const char* text;
    int32_t selected;
    std::optional<int32_t> offset;
    const char* info;
  };
  const Row rows[] = {
      {SearchKind::Goto, "336", 0x7000, 336, ""},  // the goto target, wherever the selection
      {SearchKind::Goto, "$4150", 0, 0x4150, ""},
      {SearchKind::Bytes, "$C3 50 01", 0x2FF, 0x300, ""},
      {SearchKind::Bytes, "$C3 50 01", 0x300, 0x400, ""},  // not the selected line itself
      {SearchKind::Bytes, "$C3 50 01", 0x400, std::nullopt, "Sorry, bytes did not sound."},
      {SearchKind::Instruction, "ld a,$3E", 0xFF, 0x100, ""},
      {SearchKind::Instruction, "ld a,$3E", 0x100, 0x200, ""},
      {SearchKind::Instruction, "ld a,$3E", 0x200, std::nullopt,
       "Sorry, \"ld a,$3E\" could not been found."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.text) + " after " + std::to_string(r.selected));
    const LastSearch last{r.kind, r.text};
    const SearchOutcome outcome = SearchAgain(*f.rom, f.labels, last, r.selected);
    EXPECT_EQ(outcome.Offset, r.offset);
    EXPECT_EQ(outcome.Info, r.info);
  }
}

TEST(SearchAgain, StopsWithTheBoxOrTheConversionError) {
  Fixture f;
  try {
    SearchAgain(*f.rom, f.labels, LastSearch{}, 0);
    ADD_FAILURE() << "nothing recorded, yet it searched";
  } catch (const Failure& e) {
    EXPECT_EQ(e.kind, FailureKind::Error);
    EXPECT_EQ(e.text, "Nothing search again.");
  }
  struct Row {
    SearchKind kind;
    const char* text;
    const char* error;
  };
  const Row rows[] = {
      {SearchKind::Bytes, "$00  01", "'$' is not a valid integer value"},
      {SearchKind::Goto, "00:0150", "'00:0150' is not a valid integer value"},
  };
  for (const Row& r : rows) {
    try {
      SearchAgain(*f.rom, f.labels, LastSearch{r.kind, r.text}, 0);
      ADD_FAILURE() << "accepted " << r.text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), r.error);
    }
  }
}

TEST(SearchCommands, RecordTheirTextAndSearchFromTheSelectedLineItself) {
  Fixture f;
  LastSearch last;

  SearchOutcome hit = RunByteSearch(*f.rom, last, 0x300, "$C3 50 01");
  EXPECT_EQ(hit.Offset, 0x300);
  EXPECT_EQ(last.LastSearchKind, SearchKind::Bytes);
  EXPECT_EQ(last.LastSearchText, "$C3 50 01");

  SearchOutcome miss = RunByteSearch(*f.rom, last, 0x401, "$C3 50 01");
  EXPECT_EQ(miss.Offset, std::nullopt);
  EXPECT_EQ(miss.Info, "Sorry, bytes did not found.");

  // A byte text that does not convert is recorded before it fails, so Again fails alike.
  EXPECT_THROW(RunByteSearch(*f.rom, last, 0, "00 $01"), ConversionError);
  EXPECT_EQ(last.LastSearchText, "00 $01");
  EXPECT_THROW(SearchAgain(*f.rom, f.labels, last, 0), ConversionError);

  hit = RunInstructionSearch(*f.rom, f.labels, last, 0x200, "ld a,$3E");
  EXPECT_EQ(hit.Offset, 0x200);
  EXPECT_EQ(last.LastSearchKind, SearchKind::Instruction);
  EXPECT_EQ(last.LastSearchText, "ld a,$3E");

  miss = RunInstructionSearch(*f.rom, f.labels, last, 0, "ld a,$3F");
  EXPECT_EQ(miss.Offset, std::nullopt);
  EXPECT_EQ(miss.Info, "Sorry, \"ld a,$3F\" could not been found.");
  EXPECT_EQ(last.LastSearchText, "ld a,$3F");

  // A "?" stops before anything is recorded.
  try {
    RunInstructionSearch(*f.rom, f.labels, last, 0, "ld a,?");
    ADD_FAILURE() << "searched for a template";
  } catch (const Failure& e) {
    EXPECT_EQ(e.kind, FailureKind::Info);
    EXPECT_EQ(e.text, "Please replace question marks with a value.");
  }
  EXPECT_EQ(last.LastSearchText, "ld a,$3F");
}
