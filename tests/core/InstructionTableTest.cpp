#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "isa/InstructionTable.h"

TEST(InstructionTable, PlaceholderStandsExactlyWhereTheKindSaysAndAsmFollowsDisasm) {
  const std::map<uint8_t, std::pair<std::string, uint8_t>> asmForm = {
      {kOperandNone, {"", kAsmNone}},        {kOperandByte, {"##", kAsmByte}},
      {kOperandWord, {"####", kAsmWord}},    {kOperandRelative, {"####", kAsmRelative}},
      {kOperandSigned, {"###", kAsmSigned}}, {kOperandStop, {"", kAsmStop}}};
  int dashes = 0;
  for (size_t i = 0; i < 512; ++i) {
    const InstructionEntry& d = DisasmTable[i];
    const InstructionEntry& a = AsmTable[i];
    const auto marks = std::count(d.Template.begin(), d.Template.end(), '?');
    const bool hasOperand =
        d.Kind & (kOperandByte | kOperandWord | kOperandRelative | kOperandSigned);
    EXPECT_EQ(marks, hasOperand ? 1 : 0) << i << " " << d.Template;
    ASSERT_TRUE(asmForm.count(d.Kind)) << i;
    std::string expected(d.Template);
    if (marks) expected.replace(expected.find('?'), 1, asmForm.at(d.Kind).first);
    EXPECT_EQ(a.Template, expected) << i;
    EXPECT_EQ(a.Kind, asmForm.at(d.Kind).second) << i;
    EXPECT_LE(a.Template.size(), 20u);
    if (i >= kCbBase) {
      EXPECT_EQ(d.Kind, kOperandNone);
      EXPECT_EQ(a.Template, d.Template);
    }
    if (i < kCbBase && d.Template == "-") {
      ++dashes;
      EXPECT_EQ(d.Kind, kOperandNone);
    }
  }
  EXPECT_EQ(dashes, 12);
}

TEST(InstructionTable, EntriesThatDifferFromTheirNeighbours) {
  const std::pair<size_t, const char*> rows[] = {{0x00, "nop"},
                                                 {0x07, "rlc a"},
                                                 {0x0F, "rrc a"},
                                                 {0x10, "stop"},
                                                 {0x17, "rla"},
                                                 {0x1F, "rra"},
                                                 {0x18, "jr ?"},
                                                 {0x76, "halt"},
                                                 {0x90, "sub b"},
                                                 {0xA8, "xor a,b"},
                                                 {0xD6, "sub a,?"},
                                                 {0xEE, "xor ?"},
                                                 {0xD9, "reti"},
                                                 {0xE2, "ld [$FF00 + c],a"},
                                                 {0xF2, "ld a,[$FF00 + c]"},
                                                 {0xEC, "-"},
                                                 {0xCB, "-"},
                                                 {0xE0, "ld [$FF00 + ?],a"},
                                                 {0xF8, "ld hl,sp + ?"},
                                                 {0xE8, "add sp,?"},
                                                 {0x08, "ld [?],sp"},
                                                 {0xFF, "rst $38"},
                                                 {kCbBase + 0x07, "rlc a"},
                                                 {kCbBase + 0x37, "swap a"},
                                                 {kCbBase + 0x7E, "bit 7,[hl]"},
                                                 {kCbBase + 0x80, "res 0,b"},
                                                 {kCbBase + 0xDB, "set 3,e"},
                                                 {kCbBase + 0x3E, "srl [hl]"}};
  for (const auto& [index, text] : rows) EXPECT_EQ(DisasmTable[index].Template, text) << index;
  EXPECT_EQ(DisasmTable[0xD9].Kind, kOperandNone);
  EXPECT_EQ(DisasmTable[0xF2].Kind, kOperandNone);
  EXPECT_EQ(DisasmTable[0xF8].Kind, kOperandByte);
  EXPECT_EQ(DisasmTable[0xE8].Kind, kOperandSigned);
  EXPECT_EQ(DisasmTable[0x10].Kind, kOperandStop);
  EXPECT_EQ(AsmTable[0xE8].Template, "add sp,###");
  EXPECT_EQ(AsmTable[0x18].Template, "jr ####");
  EXPECT_EQ(AsmTable[0xE0].Template, "ld [$FF00 + ##],a");
}
