#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>

#include "isa/Listing.h"

namespace {

struct ListingFixture : ::testing::Test {
  Rom rom;
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  ListingNotes notes;

  void Put(uint32_t offset, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) rom.SetByte(offset++, b);
  }
  // The lines as "text|offset", label lines as they read.
  std::vector<std::string> Lines(uint32_t start, int visible,
                                 ValueFormat format = ValueFormat::Hex) {
    Listing l = BuildListing(rom, labels, format, start, visible, notes);
    EXPECT_EQ(l.Lines.size(), l.LineOffsets.size());
    std::vector<std::string> out;
    for (size_t i = 0; i < l.Lines.size(); ++i) {
      EXPECT_EQ(l.Lines[i].IsLabel, l.Lines[i].Text[0] == '@') << l.Lines[i].Text;
      const size_t comment = l.Lines[i].Text.find(" ; ");
      EXPECT_EQ(l.Lines[i].CommentAt, comment == std::string::npos ? 0 : comment + 1);
      char buf[16];
      std::snprintf(buf, sizeof buf, "|%X", l.LineOffsets[i]);
      out.push_back(l.Lines[i].Text + buf);
    }
    return out;
  }
};

using V = std::vector<std::string>;

}  // namespace

TEST_F(ListingFixture, RawBytesArePaddedToNineCharacters) {
  Put(0x10, {0x3E, 0x01, 0xC3});
  EXPECT_EQ(RawBytesText(rom, 0x10, 1), " 3E      ");
  EXPECT_EQ(RawBytesText(rom, 0x10, 2), " 3E 01   ");
  EXPECT_EQ(RawBytesText(rom, 0x10, 3), " 3E 01 C3");
}

TEST_F(ListingFixture, InstructionLinesCarryBankAddressBytesAndText) {
  Put(0x150, {0xC3, 0x50, 0x01, 0x3E, 0x10, 0xCB, 0x7C, 0x00});
  Put(0x14000, {0x18, 0xFE});
  EXPECT_EQ(Lines(0x150, 4), (V{"00:0150 C3 50 01 jp $0150|150", "00:0153 3E 10    ld a,$10|153",
                                "00:0155 CB 7C    bit 7,h|155", "00:0157 00       nop|157"}));
  EXPECT_EQ(Lines(0x150, 2, ValueFormat::Dec),
            (V{"00:0150 C3 50 01 jp 336|150", "00:0153 3E 10    ld a,16|153"}));
  EXPECT_EQ(Lines(0x14000, 1), (V{"05:4000 18 FE    jr $4000|14000"}));
}

TEST_F(ListingFixture, ScrollingIntoTheMiddleOfAnInstructionDecodesFromThatByte) {
  Put(0x150, {0xC3, 0x50, 0x01, 0x00});
  // 50 is "ld d,b"; 01 00 00 is "ld bc,$0000".
  EXPECT_EQ(Lines(0x151, 2),
            (V{"00:0151 50       ld d,b|151", "00:0152 01 00 00 ld bc,$0000|152"}));
}

TEST_F(ListingFixture, LabelLinesAndTheirPlaceInTheList) {
  labels.AddRomLabel(0x200, "main");
  labels.AddRomLabel(0x202, "loop");
  labels.AddRomLabel(0x202, "again");  // every label at an offset has its line, in table order
  labels.AddRomLabel(0x150, "elsewhere");
  // Numbers in the form of places (a GBDK bank number and section size): no line of their own.
  labels.AddRomLabel(0x1, "b_main");
  labels.AddRomLabel(0x0, "s__HEADER");
  labels.AddRomLabel(0x0, "Reset");
  Put(0x200, {0x00, 0x00, 0x3C, 0x00});
  struct Row {
    uint32_t start;
    int visible;
    V lines;
  };
  const Row rows[] = {
      // A label at the start: its line and the instruction share the offset.
      {0x200, 3, {"@main:|200", "00:0200 00       nop|200", "00:0201 00       nop|201"}},
      // A label at the last place ends the list without its instruction.
      {0x200,
       4,
       {"@main:|200", "00:0200 00       nop|200", "00:0201 00       nop|201", "@loop:|202"}},
      {0x201, 3, {"00:0201 00       nop|201", "@loop:|202", "@again:|202"}},
      // Labels on the lines before the last: label lines and instruction are the last three.
      {0x201,
       4,
       {"00:0201 00       nop|201", "@loop:|202", "@again:|202", "00:0202 3C       inc a|202"}},
      // Too low for a single line: one pass, the label line and its instruction.
      {0x200, 0, {"@main:|200", "00:0200 00       nop|200"}},
      {0x201, 0, {"00:0201 00       nop|201"}},
      {0x200, 1, {"@main:|200"}},
      {0x0, 3, {"@Reset:|0", "00:0000 00       nop|0", "00:0001 00       nop|1"}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Lines(r.start, r.visible), r.lines) << std::hex << r.start << " " << r.visible;
  }
}

// 0x100: nop, jp $0150; data 0x104-0x10E (bytes 1 to 11); a code block 0x110-0x113 decodes as
// unmarked bytes do; 0x11E: a jp that would reach into the text block 0x120-0x121 ("AB").
TEST_F(ListingFixture, MarkedBlocksShowAsDbLinesAndCommentsFollowTheirLine) {
  Put(0x100, {0x00, 0xC3, 0x50, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  Put(0x11E, {0xC3, 0x00, 0x41, 0x42, 0x3C});
  marks.Mark(0x104, 11, MarkKind::Data);
  marks.Mark(0x110, 4, MarkKind::Code);
  marks.Mark(0x120, 2, MarkKind::Text);
  comments[0x100] = "start";
  comments[0x104] = "table; 11 bytes";
  labels.AddRomLabel(0x104, "Table");
  notes = {&marks, &comments};
  struct Row {
    uint32_t start;
    int visible;
    ValueFormat format;
    V lines;
  };
  const Row rows[] = {
      {0x100,
       6,
       ValueFormat::Hex,
       {"00:0100 00       nop ; start|100", "00:0101 C3 50 01 jp $0150|101", "@Table:|104",
        "00:0104          db $01,$02,$03,$04,$05,$06,$07,$08 ; table; 11 bytes|104",
        "00:010C          db $09,$0A,$0B|10C", "00:010F 00       nop|10F"}},
      // Started inside a block: up to the next eighth byte from the block's start.
      {0x106,
       2,
       ValueFormat::Dec,
       {"00:0106          db 3,4,5,6,7,8|106", "00:010C          db 9,10,11|10C"}},
      {0x110, 1, ValueFormat::Hex, {"00:0110 00       nop|110"}},
      {0x11E,
       3,
       ValueFormat::Bin,
       {"00:011E          db %11000011,%0|11E", "00:0120          db %1000001,%1000010|120",
        "00:0122 3C       inc a|122"}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Lines(r.start, r.visible, r.format), r.lines) << std::hex << r.start;
  }
  // The whole listing as velmora-cli prints it: the same lines.
  std::string streamed, built;
  StreamListing(
      rom, labels, ValueFormat::Hex, 0xF0, 0x130,
      [&](std::string_view chunk) { streamed += chunk; }, notes);
  const Listing l = BuildListing(rom, labels, ValueFormat::Hex, 0xF0, 200, notes);
  for (size_t i = 0; i < l.Lines.size() && l.LineOffsets[i] <= 0x130; ++i)
    built += l.Lines[i].Text + "\n";
  EXPECT_EQ(streamed, built);
}

TEST_F(ListingFixture, ImageBlocksShowALinePerRowOfTiles) {
  Put(0x3FFE, {0x00, 0x21});  // "ld hl,nn" would reach into the image: its byte shows as data
  Put(0x4040, {1, 2, 3, 4, 5, 0x3C});
  marks.Mark(0x4000, 0x45, MarkKind::Image, {16, 2, ""});  // 4 tiles and 5 bytes, 2 a row
  marks.Mark(0x4100, 0x30, MarkKind::Image, {24, 1, ""});  // 6 tiles of 8 bytes, 3 a row
  marks.Mark(0x4200, 0x10, MarkKind::Image, {});           // no width: 16 tiles a row
  comments[0x4020] = "second row";
  notes = {&marks, &comments};
  const std::pair<uint32_t, V> rows[] = {
      {0x3FFE,
       {"00:3FFE 00       nop|3FFE", "00:3FFF          db $21|3FFF",
        "01:4000          image 2 tiles|4000", "01:4020          image 2 tiles ; second row|4020",
        "01:4040          db $01,$02,$03,$04,$05|4040", "01:4045 3C       inc a|4045"}},
      // Started inside a tile: bytes to the end of its row.
      {0x4008, {"01:4008          image 24 bytes|4008", "01:4020          image 2 tiles ; second row|4020"}},
      {0x4100, {"01:4100          image 3 tiles|4100", "01:4118          image 3 tiles|4118"}},
      {0x4200, {"01:4200          image 1 tile|4200"}},
  };
  for (const auto& [start, lines] : rows) {
    EXPECT_EQ(Lines(start, static_cast<int>(lines.size()), ValueFormat::Hex), lines) << std::hex << start;
  }
  std::string streamed, built;
  StreamListing(
      rom, labels, ValueFormat::Hex, 0x3FF0, 0x4050, [&](std::string_view chunk) { streamed += chunk; },
      notes);
  const Listing l = BuildListing(rom, labels, ValueFormat::Hex, 0x3FF0, 200, notes);
  for (size_t i = 0; i < l.Lines.size() && l.LineOffsets[i] <= 0x4050; ++i)
    built += l.Lines[i].Text + "\n";
  EXPECT_EQ(streamed, built);
}

TEST_F(ListingFixture, TextBlocksShowAsTextRowsThroughTheTable) {
  TableSkips skips;
  const TextTable table = ReadTableText("80=A\n81=B\n82=C\n7F= \n/FF\n*FE\n", skips);
  const TextTable none;
  // "CAB", end; 40 letters without an end (a row of 32, then 8 and the end); "A" at the end of
  // the block, cut from the "BB" after it.
  Put(0x200, {0x82, 0x80, 0x81, 0xFF});
  for (uint32_t i = 0; i < 40; ++i) Put(0x204 + i, {static_cast<uint8_t>(0x80 + i % 3)});
  Put(0x22C, {0xFF, 0x80, 0x81, 0x81});
  marks.Mark(0x200, 0x2E, MarkKind::Text);
  const std::string abc32 = "ABCABCABCABCABCABCABCABCABCABCAB";
  struct Row {
    const TextTable* table;
    uint32_t start;
    int visible;
    V lines;
  };
  const Row rows[] = {
      {&table, 0x1FF, 6,
       {"00:01FF 00       nop|1FF", "00:0200          \"CAB<$FF>\"|200",
        "00:0204          \"" + abc32 + "\"|204", "00:0224          \"CABCABCA<$FF>\"|224",
        "00:022D          \"A\"|22D", "00:022E 81       add a,c|22E"}},
      // Started inside a row: the rest of that row, then rows as from the block's start.
      {&table, 0x202, 2, {"00:0202          \"B<$FF>\"|202", "00:0204          \"" + abc32 + "\"|204"}},
      {&table, 0x220, 2, {"00:0220          \"BCAB\"|220", "00:0224          \"CABCABCA<$FF>\"|224"}},
      // Without a table (or with an empty one) text blocks are bytes.
      {&none, 0x200, 1, {"00:0200          db $82,$80,$81,$FF,$80,$81,$82,$80|200"}},
      {nullptr, 0x22D, 1, {"00:022D          db $80|22D"}},
  };
  for (const Row& r : rows) {
    notes = {&marks, &comments, r.table};
    EXPECT_EQ(Lines(r.start, r.visible), r.lines) << std::hex << r.start;
  }
  // velmora-cli's listing shows the same rows, from the start and from inside a row; and rows
  // wider than the chunks the text goes out in, a comment after one.
  const TextTable wide =
      ReadTableText("80=" + std::string(100000, 'W') + "\n81=B\n82=C\n/FF\n", skips);
  comments[0x204] = "wide";
  for (auto [from, t] : {std::pair{0x1F0u, &table}, std::pair{0x210u, &table},
                         std::pair{0x1F0u, &wide}}) {
    notes = {&marks, &comments, t};
    std::string streamed, built;
    StreamListing(rom, labels, ValueFormat::Hex, from, 0x240,
                  [&](std::string_view chunk) { streamed += chunk; }, notes);
    const Listing l = BuildListing(rom, labels, ValueFormat::Hex, from, 200, notes);
    for (size_t i = 0; i < l.Lines.size() && l.LineOffsets[i] <= 0x240; ++i)
      built += l.Lines[i].Text + "\n";
    EXPECT_EQ(streamed, built);
  }
}

// Labels and comments inside blocks start lines of their own, wherever the listing starts, and a
// comment inside an instruction shows on the instruction's line. 0x300: a data block of 12 bytes
// with a label at 0x303 and a comment at 0x309; 0x310: a text block "CABCAB<end>" with a label
// at 0x313; 0x320: ld a,$12 with a comment on its operand byte and one on its own place.
TEST_F(ListingFixture, LabelsAndCommentsInsideBlocksAndInstructionsShow) {
  TableSkips skips;
  const TextTable table = ReadTableText("80=A\n81=B\n82=C\n/FF\n", skips);
  for (uint32_t i = 0; i < 12; ++i) Put(0x300 + i, {static_cast<uint8_t>(i + 1)});
  Put(0x310, {0x82, 0x80, 0x81, 0x82, 0x80, 0x81, 0xFF});
  Put(0x320, {0x3E, 0x12, 0x3E, 0x34});
  marks.Mark(0x300, 12, MarkKind::Data);
  marks.Mark(0x310, 7, MarkKind::Text);
  labels.AddRomLabel(0x303, "inData");
  labels.AddRomLabel(0x313, "_emote");
  comments[0x309] = "second half";
  comments[0x321] = "the value";
  comments[0x322] = "own";
  comments[0x323] = "café";
  const std::string data1 = "00:0300          db $01,$02,$03|300";
  const std::string data2 = "00:0303          db $04,$05,$06,$07,$08|303";
  const std::string data3 = "00:0309          db $0A,$0B,$0C ; second half|309";
  struct Row {
    uint32_t start;
    int visible;
    const TextTable* table;
    V lines;
  };
  const Row rows[] = {
      {0x300, 4, nullptr, {data1, "@inData:|303", data2, "00:0308          db $09|308"}},
      // Started a byte before each: the row up to it, then its line.
      {0x302, 3, nullptr, {"00:0302          db $03|302", "@inData:|303", data2}},
      {0x307, 3, nullptr, {"00:0307          db $08|307", "00:0308          db $09|308", data3}},
      {0x310, 3, &table, {"00:0310          \"CAB\"|310", "@_emote:|313",
                          "00:0313          \"CAB<$FF>\"|313"}},
      {0x311, 2, &table, {"00:0311          \"AB\"|311", "@_emote:|313"}},
      // Without a table the text block's rows are data rows and break alike.
      {0x310, 2, nullptr, {"00:0310          db $82,$80,$81|310", "@_emote:|313"}},
      {0x320, 2, nullptr, {"00:0320 3E 12    ld a,$12 ; at 00:0321: the value|320",
                           "00:0322 3E 34    ld a,$34 ; own ; at 00:0323: café|322"}},
  };
  for (const Row& r : rows) {
    notes = {&marks, &comments, r.table};
    EXPECT_EQ(Lines(r.start, r.visible), r.lines) << std::hex << r.start;
    // velmora-cli's listing from the same place gives the same lines.
    std::string streamed, built;
    StreamListing(rom, labels, ValueFormat::Hex, r.start, 0x330,
                  [&](std::string_view chunk) { streamed += chunk; }, notes);
    const Listing l = BuildListing(rom, labels, ValueFormat::Hex, r.start, 200, notes);
    for (size_t i = 0; i < l.Lines.size() && l.LineOffsets[i] <= 0x330; ++i)
      built += l.Lines[i].Text + "\n";
    EXPECT_EQ(streamed, built) << std::hex << r.start;
  }
}

// The wheel moves by the listing's lines: in a data or text block by its rows (stopping at a
// label or comment inside it), elsewhere by the caller's instruction step, cut at a block's
// start on the way down and kept out of a block on the way up. A data block 0x300-0x30B with a
// label at 0x303 and a comment at 0x309; a text block "CAB" "CAB<end>" 0x310-0x316 with a label
// at 0x313.
TEST_F(ListingFixture, WheelLinesFollowBlockRows) {
  TableSkips skips;
  const TextTable table = ReadTableText("80=A\n81=B\n82=C\n/FF\n", skips);
  Put(0x310, {0x82, 0x80, 0x81, 0x82, 0x80, 0x81, 0xFF});
  marks.Mark(0x300, 12, MarkKind::Data);
  marks.Mark(0x310, 7, MarkKind::Text);
  labels.AddRomLabel(0x303, "inData");
  labels.AddRomLabel(0x313, "inText");
  comments[0x309] = "half";
  TextRowStarts kept;
  notes = {&marks, &comments, &table, &kept};
  struct Row {
    uint32_t start;
    uint32_t instructionEnd;  // the caller's step down over an instruction
    uint32_t down;
    uint32_t instructionStart;  // the caller's step up
    uint32_t up;
  };
  const Row rows[] = {
      // An instruction that would reach into the block stops at its start.
      {0x2FE, 0x301, 0x300, 0x2FB, 0x2FB},
      {0x300, 0x303, 0x303, 0x2FF, 0x2FF},
      {0x303, 0x306, 0x308, 0x300, 0x300},
      {0x308, 0x30B, 0x309, 0x305, 0x303},
      {0x309, 0x30C, 0x30C, 0x308, 0x308},
      {0x30C, 0x30D, 0x30D, 0x30B, 0x309},
      // Up from just past a block, by an instruction step that would land inside it.
      {0x30E, 0x30F, 0x30F, 0x30B, 0x30C},
      {0x310, 0x313, 0x313, 0x30F, 0x30F},
      {0x313, 0x316, 0x317, 0x312, 0x310},
      {0x317, 0x318, 0x318, 0x314, 0x313},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(LineDown(rom, labels, r.start, r.instructionEnd, notes), r.down) << std::hex << r.start;
    EXPECT_EQ(LineUp(rom, labels, r.start, r.instructionStart, notes), r.up) << std::hex << r.start;
  }
  EXPECT_TRUE(HasBlockRows(notes, 0x2F0, 0x301));
  EXPECT_FALSE(HasBlockRows(notes, 0x2F0, 0x300));
  EXPECT_FALSE(HasBlockRows(notes, 0x317, 0x400));
}

TEST_F(ListingFixture, LinesPastTheEndOfTheRomDecodeTheBufferAsItStands) {
  rom.RomSize = 0x40;
  Put(0x3E, {0x00, 0xC3});  // jp whose operand lies past RomSize
  Put(0x40, {0x34, 0x12});
  EXPECT_EQ(Lines(0x3E, 3), (V{"00:003E 00       nop|3E", "00:003F C3 34 12 jp $1234|3F",
                               "00:0042 00       nop|42"}));
  // The very end of the 16 MiB buffer reads zeros beyond it.
  Put(kRomCapacity - 1, {0xC3});
  EXPECT_EQ(Lines(kRomCapacity - 1, 2),
            (V{"3FF:7FFF C3 00 00 jp $0000|FFFFFF", "400:4002 00       nop|1000002"}));
}

TEST_F(ListingFixture, EveryLineThatFitsIsBuiltWithoutAnUpperBound) {
  Listing l = BuildListing(rom, labels, ValueFormat::Hex, 0, 150);
  ASSERT_EQ(l.Lines.size(), 150u);
  for (int i = 0; i < 150; ++i) EXPECT_EQ(l.LineOffsets[i], i);
}

// The wheel's three-line steps. 0x100: three jp $0150 (C3 50 01); 0x2F7: ld a,n (3E) and then
// eight 01 bytes (ld bc,nn); zeros (nop) elsewhere.
TEST_F(ListingFixture, WheelStepsOverThreeInstructions) {
  Put(0x100, {0xC3, 0x50, 0x01, 0xC3, 0x50, 0x01, 0xC3, 0x50, 0x01});
  Put(0x2F7, {0x3E, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01});
  struct Row {
    uint32_t start;
    uint32_t down;
    uint32_t up;
  };
  const Row rows[] = {
      // Only nine bytes back do three instructions end at 0x109: every nearer start runs over.
      {0x109, 0x10C, 0x100},
      {0x100, 0x109, 0xFD},
      // From 0x101 the operand bytes decode as ld d,b and two ld bc,nn.
      {0x101, 0x108, 0xFE},
      // No start 3 to 9 bytes back ends at 0x300: three bytes back.
      {0x300, 0x303, 0x2FD},
      {0x2F7, 0x2FF, 0x2F4},
      // Near the top the candidates stop at offset 0.
      {5, 8, 2},
      {2, 5, 0},
      {0, 3, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.start);
    EXPECT_EQ(OffsetAfterInstructions(rom, r.start, 3), r.down);
    EXPECT_EQ(OffsetBeforeInstructions(rom, r.start, 3), r.up);
  }
}

// The whole-ROM text that velmora-cli prints is, line for line, what BuildListing gives from
// each instruction's offset: random bytes over banks 0 to 7 and past a three-digit bank, labels
// repeated at one offset, an empty name, a name longer than the chunks the text goes out in, RAM
// labels, in all three formats.
TEST_F(ListingFixture, StreamedListingIsTheListOfEveryInstruction) {
  std::mt19937 rng(11);
  rom.RomSize = 0x20000;
  for (uint32_t i = 0; i < rom.RomSize; ++i) rom.RomImage[i] = static_cast<uint8_t>(rng());
  for (int i = 0; i < 4000; ++i) {
    labels.AddRomLabel(static_cast<int32_t>(rng() % rom.RomSize), "R" + std::to_string(i));
  }
  labels.AddRomLabel(0x4000, "Twice");
  labels.AddRomLabel(0x4000, "");
  labels.AddRomLabel(0x4010, "");
  labels.AddRomLabel(0x5000, std::string(3 << 20, 'N'));
  for (int i = 0; i < 2000; ++i) {
    labels.AddRamLabel(static_cast<uint16_t>(0x8000 + rng() % 0x8000), 0, "M" + std::to_string(i));
  }
  // jp $4010 to the empty name from bank 0 ("@") and from its own bank (the number).
  Put(0x100, {0xC3, 0x10, 0x40});
  Put(0x4100, {0xC3, 0x10, 0x40});
  Put(0x400000 - 2, {0xCD, 0x10, 0x40});  // call $4010 from bank $FF, on into bank $100
  for (ValueFormat format : {ValueFormat::Dec, ValueFormat::Hex, ValueFormat::Bin}) {
    for (auto [from, to] : {std::pair{0u, rom.RomSize - 1}, std::pair{0x400000u - 2, 0x400002u}}) {
      std::string streamed;
      StreamListing(rom, labels, format, from, to,
                    [&](std::string_view chunk) { streamed += chunk; });
      std::string expected;
      for (uint32_t pos = from; pos <= to;) {
        // Room for every label line at the offset and the instruction after them.
        const Listing l = BuildListing(rom, labels, format, pos, 64);
        for (const ListingLine& line : l.Lines) {
          expected += line.Text + '\n';
          if (!line.IsLabel) break;
        }
        pos += InstructionLength(rom.Byte(pos));
      }
      // The first difference with a little around it, not two megabytes of text.
      const size_t at = static_cast<size_t>(
          std::mismatch(streamed.begin(), streamed.end(), expected.begin(), expected.end()).first -
          streamed.begin());
      ASSERT_EQ(streamed.substr(at > 40 ? at - 40 : 0, 120),
                expected.substr(at > 40 ? at - 40 : 0, 120))
          << static_cast<int>(format) << " from " << from;
      ASSERT_EQ(streamed.size(), expected.size());
    }
  }
}
