#include "model/TextTable.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/Failure.h"
#include "model/TextChange.h"
#include "model/TextRows.h"
#include "search/Search.h"
#include "search/TextSearch.h"
#include "TestRom.h"

namespace {

// A small game's encoding: letters from $80, a two-byte glyph, a digraph, codes without text.
constexpr std::string_view kTable =
    "\xEF\xBB\xBF# letters\r\n"
    "80=A\r\n"
    "81=B\n"
    "82=C\n"
    "7F= \n"
    "\n"
    "; a two-byte key and a longer key that starts with a shorter one\n"
    "F001=é\n"
    "83=th\n"
    "8384=TH!\n"
    "3D==\n"
    "/FF\n"
    "/FD=[end]\n"
    "*FE\n"
    "85\n"
    "8=Z\n"
    "XY=Q\n"
    "80=duplicate\n";

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
  return {list.begin(), list.end()};
}

TEST(TextTableTest, ReadsEntriesCodesCommentsAndCountsBadLines) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  const std::vector<TableEntry> expected = {
      {{0x80}, "A", TableCode::Char},         {{0x81}, "B", TableCode::Char},
      {{0x82}, "C", TableCode::Char},         {{0x7F}, " ", TableCode::Char},
      {{0xF0, 0x01}, "é", TableCode::Char},   {{0x83}, "th", TableCode::Char},
      {{0x83, 0x84}, "TH!", TableCode::Char}, {{0x3D}, "=", TableCode::Char},
      {{0xFF}, "", TableCode::End},           {{0xFD}, "[end]", TableCode::End},
      {{0xFE}, "", TableCode::Break},         {{0x80}, "duplicate", TableCode::Char},
  };
  EXPECT_EQ(table.Entries(), expected);
  // "85" has no text, "8" an odd digit count, "XY" no hex.
  EXPECT_EQ(skips.Count, 3);
  EXPECT_EQ(skips.FirstLine, 15);
  EXPECT_EQ(skips.FirstText, "85");
}

TEST(TextTableTest, DecodesByLongestKeyAndEncodesBack) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  struct Row {
    std::vector<uint8_t> bytes;
    std::string text;
    uint32_t length;
    bool ended;
  };
  const std::vector<Row> rows = {
      {Bytes({0x80, 0x81, 0x7F, 0x82}), "AB C", 4, false},
      {Bytes({0x83, 0x84, 0x83, 0x80}), "TH!thA", 4, false},
      {Bytes({0xF0, 0x01, 0xF0, 0x02}), "é<$F0><$02>", 4, false},
      {Bytes({0x80, 0xFE, 0x81, 0xFF, 0x82}), "A\\nB<$FF>", 4, true},
      {Bytes({0x80, 0xFD, 0x81}), "A[end]", 2, true},
      {Bytes({0x3D, 0x00}), "=<$00>", 2, false},
  };
  for (const Row& row : rows) {
    const DecodedText decoded = table.Decode(row.bytes.data(), row.bytes.size());
    EXPECT_EQ(decoded.Text, row.text);
    EXPECT_EQ(decoded.Length, row.length) << row.text;
    EXPECT_EQ(decoded.Ended, row.ended) << row.text;
    const std::vector<uint8_t> read(row.bytes.begin(), row.bytes.begin() + row.length);
    EXPECT_EQ(table.Encode(decoded.Text), read) << row.text;
  }
  // Encoding takes the longest text: "TH!" is one byte pair, "th" one byte.
  EXPECT_EQ(table.Encode("TH!th"), Bytes({0x83, 0x84, 0x83}));
  // Every byte value decodes to a text that encodes back to it.
  for (int b = 0; b < 256; ++b) {
    const uint8_t byte = static_cast<uint8_t>(b);
    EXPECT_EQ(table.Encode(table.Decode(&byte, 1).Text), Bytes({b})) << b;
  }
}

TEST(TextTableTest, EncodingRefusesACharacterWithoutEntryByName) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"ABx", "The table has no entry for 'x'."},
           {"Aü", "The table has no entry for 'ü'."},
           {"<$4>", "The table has no entry for '<'."},
       }) {
    try {
      table.Encode(text);
      ADD_FAILURE() << text;
    } catch (const Failure& f) {
      EXPECT_EQ(f.text, message);
    }
  }
}

TEST(TextTableTest, CharmapReadsWhatCharmapTextWrites) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  const std::string charmap = CharmapText(table);
  EXPECT_EQ(charmap.substr(0, 34), "charmap \"A\", $80\ncharmap \"B\", $81\n");
  EXPECT_NE(charmap.find("charmap \"é\", $F0, $01\n"), std::string::npos);
  EXPECT_NE(charmap.find("charmap \"\\n\", $FE\n"), std::string::npos);
  EXPECT_EQ(charmap.find("$FF"), std::string::npos);  // an end code without text has no string

  TableSkips charmapSkips;
  const TextTable back = ReadAnyTableText("; made for the game\n" + charmap +
                                              "charmap \"x;y\", %1010 ; a comment\n"
                                              "charmap \"bad\", $100\n"
                                              "newcharmap other\n",
                                          charmapSkips);
  EXPECT_EQ(charmapSkips.Count, 2);
  EXPECT_EQ(charmapSkips.FirstText, "charmap \"bad\", $100");
  const uint8_t bytes[] = {0x83, 0x84, 0x80, 0xFE, 0x0A};
  EXPECT_EQ(back.Decode(bytes, sizeof bytes).Text, "TH!A\\nx;y");
}

}  // namespace

namespace {

TEST(TextTableTest, SearchFindsTheEncodedText) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  static Rom rom;
  rom.RomSize = 0x20;
  const std::vector<uint8_t> bytes = {0x83, 0x84, 0x80, 0xFF, 0x83, 0x84, 0x80, 0x83, 0x80};
  std::copy(bytes.begin(), bytes.end(), rom.RomImage.begin() + 0x10);
  EXPECT_EQ(SearchText(rom, table, 0, "TH!A"), 0x10);
  EXPECT_EQ(SearchText(rom, table, 0x11, "TH!A"), 0x14);
  EXPECT_EQ(SearchText(rom, table, 0, "thA"), 0x17);
  EXPECT_EQ(SearchText(rom, table, 0, "ABC"), -1);
  const FindAllResult all = FindAllText(rom, table, "TH!A", 1);
  EXPECT_EQ(all.Offsets, std::vector<int32_t>{0x10});
  EXPECT_TRUE(all.Stopped);
  EXPECT_THROW(SearchText(rom, table, 0, ""), Failure);

  // The dialog's search is recorded, Search > Again goes on after the selected line, and Find
  // All's results search again through the table they were found with.
  LastSearch last;
  EXPECT_EQ(RunTextSearch(rom, &table, last, 0, "TH!A").Offset, 0x10);
  EXPECT_EQ(last.LastSearchKind, SearchKind::Text);
  EXPECT_EQ(SearchAgain(rom, {}, last, 0x10, &table).Offset, 0x14);
  EXPECT_EQ(SearchAgain(rom, {}, last, 0x14, &table).Info, "Sorry, \"TH!A\" could not been found.");
  const FindAllResult found = RunTextFindAll(rom, &table, last, "thA");
  rom.RomImage[0x17] = 0x80;
  EXPECT_EQ(found.Repeat(rom, {}).Offsets, std::vector<int32_t>{});
  EXPECT_EQ(found.Repeat(rom, {}).MissText, "Sorry, \"thA\" could not been found.");
  const TextTable none;
  EXPECT_EQ(FailureText([&] { RunTextSearch(rom, &none, last, 0, "A"); }),
            "No table is loaded. Load one with File > Load Table... first.");
  EXPECT_EQ(FailureText([&] { SearchAgain(rom, {}, last, 0, nullptr); }),
            "No table is loaded. Load one with File > Load Table... first.");
}

}  // namespace

namespace {

TEST(TextTableTest, RowsEndAtEndCodesAndTheWidthWithinTheRom) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  auto rom = MakeRom(0x4000 + 14);
  // "AB", end; "TH!" (two bytes) "th" "C" "A" "é" (two bytes) "A", break, "BC"; the last byte
  // lies past RomSize.
  Put(*rom, 0x4000, {0x80, 0x81, 0xFF, 0x83, 0x84, 0x83, 0x82, 0x80, 0xF0, 0x01, 0x80, 0xFE,
                     0x81, 0x82, 0x80});
  struct Row {
    uint32_t from, to;
    size_t width;
    std::vector<std::string> lines;
  };
  const std::vector<Row> rows = {
      {0x4000, 0x4100, 32, {"01:4000 \"AB<$FF>\"", "01:4003 \"TH!thCAéA\\nBC\""}},
      // A key is never split: "TH!" makes a row of three characters at a width of two.
      {0x4000, 0x4100, 2, {"01:4000 \"AB\"", "01:4002 \"<$FF>\"", "01:4003 \"TH!\"",
                           "01:4005 \"th\"", "01:4006 \"CA\"", "01:4008 \"éA\"",
                           "01:400B \"\\n\"", "01:400C \"BC\""}},
      {0x4001, 0x4004, 32, {"01:4001 \"B<$FF>\"", "01:4003 \"th\""}},
      {0x400E, 0x4100, 32, {}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> lines;
    for (const TextRow& r : TextRows(*rom, table, row.from, row.to, row.width)) {
      lines.push_back(TextRowLine(r));
    }
    EXPECT_EQ(lines, row.lines) << row.from << " " << row.width;
  }
  EXPECT_EQ(TextRows(*rom, table, 0x4000, 0x4100, 2, 3).size(), 3u);
}

TEST(TextTableTest, TableFilesBesideRomsAndTheSkipReport) {
  for (const auto& [rom, table] : std::vector<std::pair<std::string, std::string>>{
           {"/a/game.gbc", "/a/game.tbl"},
           {"/a.b/game", "/a.b/game.tbl"},
           {"/a/.gb", "/a/.gb.tbl"},
           {"x.y.gb", "x.y.tbl"},
       }) {
    EXPECT_EQ(TableFileBeside(rom), table);
  }
  EXPECT_EQ(TableSkipsText({}, "game.tbl"), "");
  EXPECT_EQ(TableSkipsText({1, 7, "8=Z"}, "game.tbl"), "1 line of game.tbl skipped: line 7: 8=Z");
  EXPECT_EQ(TableSkipsText({2, 12, "XY=Q"}, "game.tbl"),
            "2 lines of game.tbl skipped; first, line 12: XY=Q");
}

}  // namespace

namespace {

TEST(TextTableTest, ChangedTextKeepsItsEndCodeAndSaysWhenItRunsOver) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  constexpr uint32_t kAt = 0x4000;
  struct Row {
    std::vector<uint8_t> bytes;  // at 01:4000, in a text block of `limit` bytes
    uint32_t limit;
    std::string oldText;
    std::string typed;
    std::vector<uint8_t> written;  // empty: refused with `refusal`
    bool runsOver;
    std::string refusal;
  };
  const std::vector<Row> rows = {
      {Bytes({0x80, 0x81, 0xFF, 0x82}), 16, "AB", "CA", Bytes({0x82, 0x80, 0xFF}), false, ""},
      {Bytes({0x80, 0x81, 0xFF, 0x82}), 16, "AB", "ABC", Bytes({0x80, 0x81, 0x82, 0xFF}), true, ""},
      // Longest text first; a line break and an escaped byte as the listing shows them.
      {Bytes({0x80, 0x80, 0x80, 0x80, 0xFF}), 16, "AAAA", "TH!th", Bytes({0x83, 0x84, 0x83, 0xFF}),
       false, ""},
      {Bytes({0x80, 0xFE, 0x81, 0xFF}), 16, "A\\nB", "B\\n<$00>", Bytes({0x81, 0xFE, 0x00, 0xFF}),
       false, ""},
      // An end code with a text closes the new string the same way.
      {Bytes({0x80, 0xFD}), 16, "A", "é", Bytes({0xF0, 0x01, 0xFD}), true, ""},
      // Without an end code before the block's end the string is the rest of the block.
      {Bytes({0x80, 0x81, 0x82, 0xFF}), 3, "ABC", "CB", Bytes({0x82, 0x81}), false, ""},
      {Bytes({0x80, 0x81, 0x82, 0xFF}), 3, "ABC", "ABCA", Bytes({0x80, 0x81, 0x82, 0x80}), true,
       ""},
      {Bytes({0x80, 0xFF}), 16, "A", "Ab", {}, false, "The table has no entry for 'b'."},
      // The block runs to the ROM's end, two bytes after the string's start.
      {Bytes({0x80, 0xFF}),
       16,
       "A",
       "AB",
       {},
       false,
       "The new text does not fit: it would reach past the end of the ROM."},
  };
  for (const Row& row : rows) {
    auto rom = MakeRom(row.refusal.starts_with("The new") ? kAt + 2 : kAt + 0x100);
    for (size_t i = 0; i < row.bytes.size(); ++i) rom->RomImage[kAt + i] = row.bytes[i];
    const GameString old = StringAt(*rom, table, kAt, kAt + row.limit);
    EXPECT_EQ(old.Text, row.oldText);
    // The old text typed back gives the old string.
    EXPECT_EQ(
        PlanStringChange(*rom, table, old, old.Text).Bytes,
        std::vector<uint8_t>(rom->RomImage.begin() + kAt, rom->RomImage.begin() + kAt + old.Length))
        << row.oldText;
    if (!row.refusal.empty()) {
      EXPECT_EQ(FailureText([&] { PlanStringChange(*rom, table, old, row.typed); }), row.refusal);
      continue;
    }
    const StringChange change = PlanStringChange(*rom, table, old, row.typed);
    EXPECT_EQ(change.Bytes, row.written) << row.typed;
    EXPECT_EQ(change.RunsOver(), row.runsOver) << row.typed;
    // Written in place; what follows the new string stays.
    ApplyStringChange(*rom, change);
    std::vector<uint8_t> expected = row.written;
    for (size_t i = expected.size(); i < row.bytes.size(); ++i) expected.push_back(row.bytes[i]);
    EXPECT_EQ(std::vector<uint8_t>(rom->RomImage.begin() + kAt,
                                   rom->RomImage.begin() + kAt + expected.size()),
              expected)
        << row.typed;
  }
}

// A shorter text in place of a string without an end code would leave the old one's last bytes
// behind it: it says so, and pads with the blank's code (or $00 when the table has none).
TEST(TextTableTest, ShorterTextWithoutEndCodePads) {
  TableSkips skips;
  const TextTable table = ReadTableText(kTable, skips);
  const TextTable noBlank = ReadTableText("80=A\n81=B\n", skips);
  auto rom = MakeRom(0x4100);
  rom->RomImage[0x4000] = 0x80;
  rom->RomImage[0x4001] = 0x81;
  rom->RomImage[0x4002] = 0x80;
  const GameString old = StringAt(*rom, table, 0x4000, 0x4003);
  StringChange change = PlanStringChange(*rom, table, old, "B");
  EXPECT_TRUE(change.LeavesOldTail());
  EXPECT_EQ(PaddingByte(table), 0x7F);
  EXPECT_EQ(PaddingByte(noBlank), 0x00);
  PadToOldLength(change, PaddingByte(table));
  EXPECT_EQ(change.Bytes, Bytes({0x81, 0x7F, 0x7F}));
  EXPECT_FALSE(change.LeavesOldTail());
  // With an end code the new one closes the string: nothing is left over.
  rom->RomImage[0x4002] = 0xFF;
  EXPECT_FALSE(PlanStringChange(*rom, table, StringAt(*rom, table, 0x4000, 0x4003), "").LeavesOldTail());
}

}  // namespace
