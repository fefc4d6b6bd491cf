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
                                                 {0x07, "rlca"},
                                                 {0x0F, "rrca"},
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

// Every entry against the GameBoy CPU's opcode grid, typed here as this program writes each
// instruction: "?" for the operand, "a," on the arithmetic forms except "sub r" and "xor ?", the
// undefined opcodes as "-". The CB half is its own grid: an operation per row of eight, the
// register b, c, d, e, h, l, [hl], a per column.
TEST(InstructionTable, EveryEntryIsTheOneOfTheOpcodeGrid) {
  const char* const base[256] = {
      // 0x
      "nop", "ld bc,?", "ld [bc],a", "inc bc", "inc b", "dec b", "ld b,?", "rlca",
      "ld [?],sp", "add hl,bc", "ld a,[bc]", "dec bc", "inc c", "dec c", "ld c,?", "rrca",
      // 1x
      "stop", "ld de,?", "ld [de],a", "inc de", "inc d", "dec d", "ld d,?", "rla",
      "jr ?", "add hl,de", "ld a,[de]", "dec de", "inc e", "dec e", "ld e,?", "rra",
      // 2x
      "jr nz,?", "ld hl,?", "ldi [hl],a", "inc hl", "inc h", "dec h", "ld h,?", "daa",
      "jr z,?", "add hl,hl", "ldi a,[hl]", "dec hl", "inc l", "dec l", "ld l,?", "cpl",
      // 3x
      "jr nc,?", "ld sp,?", "ldd [hl],a", "inc sp", "inc [hl]", "dec [hl]", "ld [hl],?", "scf",
      "jr c,?", "add hl,sp", "ldd a,[hl]", "dec sp", "inc a", "dec a", "ld a,?", "ccf",
      // 4x
      "ld b,b", "ld b,c", "ld b,d", "ld b,e", "ld b,h", "ld b,l", "ld b,[hl]", "ld b,a",
      "ld c,b", "ld c,c", "ld c,d", "ld c,e", "ld c,h", "ld c,l", "ld c,[hl]", "ld c,a",
      // 5x
      "ld d,b", "ld d,c", "ld d,d", "ld d,e", "ld d,h", "ld d,l", "ld d,[hl]", "ld d,a",
      "ld e,b", "ld e,c", "ld e,d", "ld e,e", "ld e,h", "ld e,l", "ld e,[hl]", "ld e,a",
      // 6x
      "ld h,b", "ld h,c", "ld h,d", "ld h,e", "ld h,h", "ld h,l", "ld h,[hl]", "ld h,a",
      "ld l,b", "ld l,c", "ld l,d", "ld l,e", "ld l,h", "ld l,l", "ld l,[hl]", "ld l,a",
      // 7x
      "ld [hl],b", "ld [hl],c", "ld [hl],d", "ld [hl],e", "ld [hl],h", "ld [hl],l", "halt",
      "ld [hl],a", "ld a,b", "ld a,c", "ld a,d", "ld a,e", "ld a,h", "ld a,l", "ld a,[hl]",
      "ld a,a",
      // 8x
      "add a,b", "add a,c", "add a,d", "add a,e", "add a,h", "add a,l", "add a,[hl]", "add a,a",
      "adc a,b", "adc a,c", "adc a,d", "adc a,e", "adc a,h", "adc a,l", "adc a,[hl]", "adc a,a",
      // 9x
      "sub b", "sub c", "sub d", "sub e", "sub h", "sub l", "sub [hl]", "sub a",
      "sbc a,b", "sbc a,c", "sbc a,d", "sbc a,e", "sbc a,h", "sbc a,l", "sbc a,[hl]", "sbc a,a",
      // Ax
      "and a,b", "and a,c", "and a,d", "and a,e", "and a,h", "and a,l", "and a,[hl]", "and a,a",
      "xor a,b", "xor a,c", "xor a,d", "xor a,e", "xor a,h", "xor a,l", "xor a,[hl]", "xor a,a",
      // Bx
      "or a,b", "or a,c", "or a,d", "or a,e", "or a,h", "or a,l", "or a,[hl]", "or a,a",
      "cp a,b", "cp a,c", "cp a,d", "cp a,e", "cp a,h", "cp a,l", "cp a,[hl]", "cp a,a",
      // Cx
      "ret nz", "pop bc", "jp nz,?", "jp ?", "call nz,?", "push bc", "add a,?", "rst $0",
      "ret z", "ret", "jp z,?", "-", "call z,?", "call ?", "adc a,?", "rst $8",
      // Dx
      "ret nc", "pop de", "jp nc,?", "-", "call nc,?", "push de", "sub a,?", "rst $10",
      "ret c", "reti", "jp c,?", "-", "call c,?", "-", "sbc a,?", "rst $18",
      // Ex
      "ld [$FF00 + ?],a", "pop hl", "ld [$FF00 + c],a", "-", "-", "push hl", "and a,?", "rst $20",
      "add sp,?", "jp hl", "ld [?],a", "-", "-", "-", "xor ?", "rst $28",
      // Fx
      "ld a,[$FF00 + ?]", "pop af", "ld a,[$FF00 + c]", "di", "-", "push af", "or a,?", "rst $30",
      "ld hl,sp + ?", "ld sp,hl", "ld a,[?]", "ei", "-", "-", "cp a,?", "rst $38"};
  // The operand kinds on the same grid, a row per line: "." none, "b" byte, "w" word, "r"
  // relative jump, "s" signed byte, "S" the stop marker.
  const char* const kinds[16] = {
      ".w....b.w.....b.", "Sw....b.r.....b.", "rw....b.r.....b.", "rw....b.r.....b.",
      "................", "................", "................", "................",
      "................", "................", "................", "................",
      "..www.b...w.wwb.", "..w.w.b...w.w.b.", "b.....b.s.w...b.", "b.....b.b.w...b."};
  const std::map<char, uint8_t> kindOf = {{'.', kOperandNone},     {'b', kOperandByte},
                                          {'w', kOperandWord},     {'r', kOperandRelative},
                                          {'s', kOperandSigned},   {'S', kOperandStop}};
  const char* const cbRows[32] = {
      "rlc ",   "rrc ",   "rl ",    "rr ",    "sla ",   "sra ",   "swap ",  "srl ",
      "bit 0,", "bit 1,", "bit 2,", "bit 3,", "bit 4,", "bit 5,", "bit 6,", "bit 7,",
      "res 0,", "res 1,", "res 2,", "res 3,", "res 4,", "res 5,", "res 6,", "res 7,",
      "set 0,", "set 1,", "set 2,", "set 3,", "set 4,", "set 5,", "set 6,", "set 7,"};
  const char* const cbColumns[8] = {"b", "c", "d", "e", "h", "l", "[hl]", "a"};
  for (size_t i = 0; i < 512; ++i) {
    const std::string text = i < kCbBase ? std::string(base[i])
                                         : std::string(cbRows[(i - kCbBase) / 8]) +
                                               cbColumns[(i - kCbBase) % 8];
    const uint8_t kind = i < kCbBase ? kindOf.at(kinds[i / 16][i % 16]) : kOperandNone;
    EXPECT_EQ(DisasmTable[i].Template, text) << "entry " << i;
    EXPECT_EQ(DisasmTable[i].Kind, kind) << "entry " << i << " " << text;
  }
}
