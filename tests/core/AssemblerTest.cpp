#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <sstream>

#include "asm/Assembler.h"
#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/NumberText.h"
#include "model/Failure.h"

namespace {

constexpr uint8_t kUntouched = 0xEE;

LabelTables GameLabels() {
  LabelTables labels;
  labels.AddRamLabel(0xC000, 0, "Counter");
  labels.AddRomLabel(0x0150, "Start");
  labels.AddRomLabel(0x8200, "Far");
  return labels;
}

void Fill(Rom& rom, uint32_t offset, size_t count, uint8_t value) {
  for (size_t i = 0; i < count; ++i) rom.SetByte(offset + i, value);
}

std::vector<uint8_t> BytesAt(const Rom& rom, uint32_t offset, size_t count) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < count; ++i) out.push_back(rom.Byte(offset + i));
  return out;
}

}  // namespace

TEST(Assembler, StoresTheBytesOfEachForm) {
  const LabelTables labels = GameLabels();
  Rom rom;
  rom.RomSize = kRomCapacity;
  struct Row {
    const char* text;
    uint32_t offset;
    std::vector<uint8_t> bytes;
  };
  const Row rows[] = {
      {"ld a,b", 0x200, {0x78}},
      {"bit 7,h", 0x200, {0xCB, 0x7C}},
      {"swap a", 0x200, {0xCB, 0x37}},
      {"rlc a", 0x200, {0xCB, 0x07}},
      {"rrc a", 0x200, {0xCB, 0x0F}},
      {"rlca", 0x200, {0x07}},
      {"rrca", 0x200, {0x0F}},
      {"rl a", 0x200, {0xCB, 0x17}},
      {"rla", 0x200, {0x17}},
      {"ld a,$3E", 0x200, {0x3E, 0x3E}},
      {"jp $0150", 0x200, {0xC3, 0x50, 0x01}},
      {"jp 5", 0x200, {0xC3, 0x05, 0x00}},
      {"jp $12", 0x200, {0xC3, 0x12, 0x00}},
      {"ld [$FF00 + $44],a", 0x200, {0xE0, 0x44}},
      {"ld a,[$FF00 + 68]", 0x200, {0xF0, 0x44}},
      {"ld a,[$FF00]", 0x200, {0xFA, 0x00, 0xFF}},
      {"ld [$FF00 + c],a", 0x200, {0xE2}},
      {"ld a,[$FF00 + c]", 0x200, {0xF2}},
      {"reti", 0x200, {0xD9}},
      {"add sp,-$08", 0x200, {0xE8, 0xF8}},
      {"add sp,-$80", 0x200, {0xE8, 0x80}},
      {"add sp,+$05", 0x200, {0xE8, 0x05}},
      {"ld hl,sp + $05", 0x200, {0xF8, 0x05}},
      {"ld hl,sp + %11111111", 0x200, {0xF8, 0xFF}},
      {"jr nz,$4120", 0x4100, {0x20, 0x1E}},
      {"jr $4181", 0x4100, {0x18, 0x7F}},  // the farthest targets either way
      {"jr $4082", 0x4100, {0x18, 0x80}},
      {"jr $4000", 0x3FFE, {0x18, 0x00}},
      {"jr $FF82", 0x0000, {0x18, 0x80}},  // the address counter wraps
      {"jr c,$0150", 0x0150, {0x38, 0xFE}},
      {"ld b,-5", 0x200, {0x06, 0xFB}},
      {"ld a,-128", 0x200, {0x3E, 0x80}},
      {"ld a,255", 0x200, {0x3E, 0xFF}},
      {"ld a,@Far", 0x4100, {0x3E, 0x00}},  // a label is a word: its low byte
      {"ld bc,-1", 0x200, {0x01, 0xFF, 0xFF}},
      {"ld bc,-32768", 0x200, {0x01, 0x00, 0x80}},
      {"ld bc,$FFFF", 0x200, {0x01, 0xFF, 0xFF}},
      {"ld [$FF00 + 255],a", 0x200, {0xE0, 0xFF}},
      {"add sp,+127", 0x200, {0xE8, 0x7F}},
      {"add sp,-128", 0x200, {0xE8, 0x80}},
      {"ld a,b // load", 0x200, {0x78}},
      {"ld a,b \t // load", 0x200, {0x78}},
      {"ld a,b ", 0x200, {0x78}},
      {"ld a,b//", 0x200, {0x78}},
      {"jp @Start // go", 0x200, {0xC3, 0x50, 0x01}},
      {"rst $08", 0x200, {0xCF}},
      {"rst 56", 0x200, {0xFF}},
      {"bit $7,h", 0x200, {0xCB, 0x7C}},
      {"set %11,[hl]", 0x200, {0xCB, 0xDE}},
      {"res 0,a", 0x200, {0xCB, 0x87}},
      {"xor $10", 0x200, {0xEE, 0x10}},
      {"cp a,%1010", 0x200, {0xFE, 0x0A}},
      {"ld [$C000],sp", 0x200, {0x08, 0x00, 0xC0}},
      {"stop", 0x200, {0x10}},
      {"rst $38", 0x200, {0xFF}},
      {"db $12", 0x200, {0x12}},
      {"db $12,$34", 0x200, {0x12, 0x34}},
      {"db 1, 2 ,-1 // three", 0x200, {0x01, 0x02, 0xFF}},
      {"db @Counter,%11", 0x200, {0x00, 0x03}},
      {"dw $1234,@Start", 0x200, {0x34, 0x12, 0x50, 0x01}},
      {"dw -2", 0x200, {0xFE, 0xFF}},
      {"db 1,2", 0x200, {0x01, 0x02}},
      {"dw $1234", 0x200, {0x34, 0x12}},
      {"dw @Counter", 0x200, {0x00, 0xC0}},
      {"db @Far", 0x4100, {0x00}},  // data lines make no bank test
      {"call @Far", 0x0150, {0xCD, 0x00, 0x42}},
      {"call @Far", 0x8400, {0xCD, 0x00, 0x42}},
      {"jp @Start", 0x14000, {0xC3, 0x50, 0x01}},
      {"ld a,[@Counter]", 0x200, {0xFA, 0x00, 0xC0}},
      {"ld b,##", 0x200, {0x06}},  // a bare template is an exact match: the opcode alone
      {"ld bc,####", 0x200, {0x01}},
  };
  for (const Row& r : rows) {
    Fill(rom, r.offset, 6, kUntouched);
    EXPECT_EQ(AssembleInstruction(rom, labels, r.text, r.offset), r.bytes.size()) << r.text;
    std::vector<uint8_t> expected = r.bytes;
    expected.push_back(kUntouched);
    EXPECT_EQ(BytesAt(rom, r.offset, expected.size()), expected) << r.text;
  }
}

TEST(Assembler, FailuresStoreNothingAndSayWhy) {
  const LabelTables labels = GameLabels();
  Rom rom;
  rom.RomSize = kRomCapacity;
  const std::string valueTail =
      "\" is not valid value. Please use \"$\" prefix for hexadecimal value, \"%\" for binary "
      "value and decimal does not require prefix.";
  auto unsupported = [](const std::string& text) {
    return "Assembling failed, syntax error: unsupported instruction \"" + text + "\".";
  };
  struct Row {
    std::string text;
    uint32_t offset;
    FailureKind kind;
    std::string message;
  };
  const Row rows[] = {
      {"LD A,B", 0x200, FailureKind::Error, unsupported("LD A,B")},
      {"ld a, b", 0x200, FailureKind::Error, unsupported("ld a, b")},
      {"ld  a,b", 0x200, FailureKind::Error, unsupported("ld  a,b")},
      {" ld a,b", 0x200, FailureKind::Error, unsupported(" ld a,b")},
      {"ld a,b /", 0x200, FailureKind::Error, unsupported("ld a,b /")},
      {"xor a,$10", 0x200, FailureKind::Error, unsupported("xor a,$10")},
      {"sub a,b", 0x200, FailureKind::Error, unsupported("sub a,b")},
      {"ld hl,sp+$05", 0x200, FailureKind::Error, unsupported("ld hl,sp+$05")},
      {"-", 0x200, FailureKind::Error, unsupported("-")},
      {"d", 0x200, FailureKind::Error, unsupported("d")},
      {"ld b,$", 0x200, FailureKind::Error, "\"$" + valueTail},
      {"ld b,1A", 0x200, FailureKind::Error, "\"1A" + valueTail},
      {"db x", 0x200, FailureKind::Error, "\"x" + valueTail},
      {"db 1,,2", 0x200, FailureKind::Error, "\"" + valueTail},
      {"db $12 $34", 0x200, FailureKind::Error, "\"$12 $34" + valueTail},
      {"dw $", 0x200, FailureKind::Error, "\"$" + valueTail},
      {"jp @Nowhere", 0x200, FailureKind::Error, "Label Nowhere is not defined."},
      {"call @Far", 0x4100, FailureKind::Warning,
       "Far can't be accessed here because it's in bank 02."},
      {"jr @start", 0x200, FailureKind::Error, "Label start is not defined."},
      // Values wider than their operand.
      {"ld a,$1FF", 0x200, FailureKind::Error, "Value $1FF does not fit in a byte (-128 to 255)."},
      {"ld a,-129", 0x200, FailureKind::Error, "Value -129 does not fit in a byte (-128 to 255)."},
      {"ld a,$1234", 0x200, FailureKind::Error,
       "Value $1234 does not fit in a byte (-128 to 255)."},
      {"ld bc,$12345", 0x200, FailureKind::Error,
       "Value $12345 does not fit in a word (-32768 to 65535)."},
      {"jp $FFFFFFFF", 0x200, FailureKind::Error,
       "Value $FFFFFFFF does not fit in a word (-32768 to 65535)."},
      {"ld bc,-32769", 0x200, FailureKind::Error,
       "Value -32769 does not fit in a word (-32768 to 65535)."},
      {"ld bc,%11111111111111111", 0x200, FailureKind::Error,
       "Value %11111111111111111 does not fit in a word (-32768 to 65535)."},
      {"ld [$FF00 + $100],a", 0x200, FailureKind::Error,
       "Value $100 does not fit in a $FF00 page offset (0 to 255)."},
      {"ld a,[$FF00 + 256]", 0x200, FailureKind::Error,
       "Value 256 does not fit in a $FF00 page offset (0 to 255)."},
      {"add sp,+128", 0x200, FailureKind::Error,
       "Value +128 does not fit in a signed byte (-128 to 127)."},
      {"add sp,$C8", 0x200, FailureKind::Error,
       "Value $C8 does not fit in a signed byte (-128 to 127)."},
      {"add sp,-129", 0x200, FailureKind::Error,
       "Value -129 does not fit in a signed byte (-128 to 127)."},
      {"db 1,$100", 0x200, FailureKind::Error, "Value $100 does not fit in a byte (-128 to 255)."},
      {"dw 1,$10000", 0x200, FailureKind::Error,
       "Value $10000 does not fit in a word (-32768 to 65535)."},
      {"rst $09", 0x200, FailureKind::Error,
       "Value $09 is not a vector of rst ($00, $08, $10, $18, $20, $28, $30 or $38)."},
      {"rst 64", 0x200, FailureKind::Error,
       "Value 64 is not a vector of rst ($00, $08, $10, $18, $20, $28, $30 or $38)."},
      {"bit 8,h", 0x200, FailureKind::Error, "Value 8 does not fit in a bit number (0 to 7)."},
      {"res -1,a", 0x200, FailureKind::Error, "Value -1 does not fit in a bit number (0 to 7)."},
      {"bit 1,x", 0x200, FailureKind::Error, unsupported("bit 1,x")},
      // Relative jumps out of reach, by number or by label.
      {"jr $5000", 0x4003, FailureKind::Error,
       "Jump target $5000 is out of reach of jr (-128 to 127 bytes)."},
      {"jr $4000", 0x4100, FailureKind::Error,
       "Jump target $4000 is out of reach of jr (-128 to 127 bytes)."},
      {"jr nz,$4182", 0x4100, FailureKind::Error,
       "Jump target $4182 is out of reach of jr (-128 to 127 bytes)."},
      {"jr c,$4081", 0x4100, FailureKind::Error,
       "Jump target $4081 is out of reach of jr (-128 to 127 bytes)."},
      {"jr $14100", 0x4100, FailureKind::Error,
       "Jump target $14100 is out of reach of jr (-128 to 127 bytes)."},
      {"jr -2", 0x0010, FailureKind::Error,
       "Jump target -2 is out of reach of jr (-128 to 127 bytes)."},
      {"jr @Far", 0x8100, FailureKind::Error,
       "Jump target @Far is out of reach of jr (-128 to 127 bytes)."},
  };
  for (const Row& r : rows) {
    Fill(rom, r.offset, 4, kUntouched);
    try {
      AssembleInstruction(rom, labels, r.text, r.offset);
      ADD_FAILURE() << "assembled " << r.text;
    } catch (const Failure& e) {
      EXPECT_EQ(e.kind, r.kind) << r.text;
      EXPECT_EQ(e.text, r.message) << r.text;
    }
    EXPECT_EQ(BytesAt(rom, r.offset, 4), std::vector<uint8_t>(4, kUntouched)) << r.text;
  }
}

// Nothing is stored at or past RomSize: the first byte that would be is named, and the bytes
// before it are not written either.
TEST(Assembler, RefusesBytesPastTheEndOfTheRom) {
  const LabelTables labels;
  struct Row {
    uint32_t romSize;
    const char* text;
    uint32_t offset;
    const char* address;  // nullptr: fits
  };
  const Row rows[] = {
      {0x100000, "ld hl,$1234", 0xFFFFF, "40:4000"},
      {0x100000, "nop", 0x100000, "40:4000"},
      {0x100000, "nop", 0xFFFFF, nullptr},
      {0x100000, "ld hl,$1234", 0xFFFFD, nullptr},
      {0x8001, "bit 7,h", 0x8000, "02:4001"},
      {0x8000, "dw $1234", 0x7FFF, "02:4000"},
      {kRomCapacity, "nop", kRomCapacity, "400:4000"},
      {kRomCapacity, "jp $1234", kRomCapacity - 1, "400:4000"},
  };
  for (const Row& r : rows) {
    Rom rom;
    rom.RomSize = r.romSize;
    Fill(rom, r.offset, 3, kUntouched);
    const std::vector<uint8_t> before = BytesAt(rom, r.offset, 3);
    try {
      AssembleInstruction(rom, labels, r.text, r.offset);
      EXPECT_EQ(r.address, nullptr) << r.text << " at " << r.offset;
    } catch (const Failure& e) {
      ASSERT_NE(r.address, nullptr) << e.text;
      EXPECT_EQ(e.kind, FailureKind::Error);
      EXPECT_EQ(e.text, "Address " + std::string(r.address) + " is past the end of the ROM.");
      EXPECT_EQ(BytesAt(rom, r.offset, 3), before) << r.text;
    }
    for (uint32_t i = 0; i < kRomPadding; ++i) EXPECT_EQ(rom.RomImage[kRomCapacity + i], 0);
  }
}

// A ROM label that the listing shows by its bare name (one in the instruction's own switchable
// bank) can be typed back bare; numbers, registers and conditions never read as labels, even
// where labels carry their names.
TEST(Assembler, BareLabelNamesOfTheOwnBank) {
  LabelTables labels;
  labels.AddRomLabel(0x4234, "Other");         // bank 1, CPU 4234
  labels.AddRomLabel(0x4300, "Main loop");     // bank 1
  labels.AddRomLabel(0x4400, "First");         // bank 1, listed before ...
  labels.AddRomLabel(0x4400, "Shadowed");      // ... the second name of the same place
  labels.AddRomLabel(0x8500, "Far");           // bank 2
  labels.AddRomLabel(0x0150, "Zero");          // bank 0: the listing shows @Zero
  labels.AddRomLabel(0xC234, "Other");         // the same name in bank 3
  for (const char* name : {"hl", "nz", "c", "a", "sp", "10", "$4100"}) {
    labels.AddRomLabel(0x4500, name);
  }
  Rom rom;
  rom.RomSize = 0x10000;
  struct Row {
    const char* text;
    uint32_t offset;
    std::vector<uint8_t> bytes;  // empty: unsupported instruction
  };
  const Row rows[] = {
      {"jp Other", 0x4100, {0xC3, 0x34, 0x42}},
      {"jp Other", 0xC100, {0xC3, 0x34, 0x42}},  // bank 3's own Other
      {"call nz,Other", 0x4100, {0xC4, 0x34, 0x42}},
      {"jp c,Other", 0x4100, {0xDA, 0x34, 0x42}},
      {"ld [Other],a", 0x4100, {0xEA, 0x34, 0x42}},
      {"ld a,[Other]", 0x4100, {0xFA, 0x34, 0x42}},
      {"ld hl,Other", 0x4100, {0x21, 0x34, 0x42}},
      {"jr Other", 0x4200, {0x18, 0x32}},
      {"jp Main loop", 0x4100, {0xC3, 0x00, 0x43}},
      {"jp First", 0x4100, {0xC3, 0x00, 0x44}},
      {"jp Shadowed", 0x4100, {}},  // the listing shows First there
      {"jp Far", 0x4100, {}},       // another bank: shown as a number
      {"jp Zero", 0x4100, {}},      // shown as @Zero
      {"jp Other", 0x0150, {}},     // from bank 0 every label is shown with "@"
      {"jp Other", 0x8100, {}},     // bank 2 has no Other
      {"ld a,Other", 0x4100, {}},   // a byte operand never shows a label
      {"jp other", 0x4100, {}},
      {"jp hl", 0x4100, {0xE9}},
      {"ld a,c", 0x4100, {0x79}},
      {"jp 10", 0x4100, {0xC3, 0x0A, 0x00}},
      {"jp $4100", 0x4100, {0xC3, 0x00, 0x41}},
      {"jp nz", 0x4100, {}},
      {"jp c", 0x4100, {}},
      {"ld hl,sp", 0x4100, {}},
      {"jp a", 0x4100, {}},
  };
  for (const Row& r : rows) {
    Fill(rom, r.offset, 4, kUntouched);
    try {
      EXPECT_EQ(AssembleInstruction(rom, labels, r.text, r.offset), r.bytes.size()) << r.text;
      std::vector<uint8_t> expected = r.bytes;
      expected.push_back(kUntouched);
      EXPECT_EQ(BytesAt(rom, r.offset, expected.size()), expected) << r.text;
    } catch (const Failure& e) {
      EXPECT_TRUE(r.bytes.empty()) << r.text << ": " << e.text;
      EXPECT_EQ(e.text, "Assembling failed, syntax error: unsupported instruction \"" +
                            std::string(r.text) + "\".");
    }
  }
}

// Decoding and assembling undo each other: the text the listing shows for any instruction,
// typed back at the same offset, gives the same bytes. Bank 5 has a label at every address, so
// that addresses there show as "@L4ABC" from bank 0 and as "L4ABC" from bank 5 itself.
TEST(Assembler, AssemblingTheDecodedTextGivesTheBytesBack) {
  LabelTables labels;
  for (uint32_t offset = 5 * kBankSize; offset < 6 * kBankSize; ++offset) {
    labels.AddRomLabel(static_cast<int32_t>(offset), "L" + IntToHex(CpuAddress(offset), 4));
  }
  Rom in;
  Rom out;
  out.RomSize = kRomCapacity;

  std::vector<std::vector<uint8_t>> cases;
  for (int op = 0; op < 256; ++op) {
    const auto b0 = static_cast<uint8_t>(op);
    if (op == 0xCB || DisasmTable[op].Template == "-") continue;
    switch (DisasmTable[op].Kind) {
      case kOperandByte:
      case kOperandRelative:
      case kOperandSigned:
        for (int v = 0; v < 256; ++v) cases.push_back({b0, static_cast<uint8_t>(v)});
        break;
      case kOperandWord:
        // Every low byte and every high byte, each in two pairings.
        for (int v = 0; v < 256; ++v) {
          cases.push_back({b0, static_cast<uint8_t>(v), static_cast<uint8_t>(v)});
          cases.push_back({b0, static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v)});
          cases.push_back({b0, static_cast<uint8_t>(v * 7 + 3), static_cast<uint8_t>(v)});
        }
        break;
      default:
        cases.push_back({b0});
    }
  }
  for (int x = 0; x < 256; ++x) cases.push_back({0xCB, static_cast<uint8_t>(x)});

  const uint32_t offsets[] = {0x0150, 0x3FFD, 0x14123, 0x17FFD};
  const ValueFormat formats[] = {ValueFormat::Dec, ValueFormat::Hex, ValueFormat::Bin};
  int failures = 0;
  std::ostringstream report;
  for (uint32_t offset : offsets) {
    for (ValueFormat format : formats) {
      for (const std::vector<uint8_t>& bytes : cases) {
        const size_t n = bytes.size();
        for (size_t i = 0; i < n; ++i) {
          in.SetByte(offset + i, bytes[i]);
          out.SetByte(offset + i, static_cast<uint8_t>(~bytes[i]));
        }
        out.SetByte(offset + n, kUntouched);
        const DecodedInstruction decoded = DecodeInstruction(in, offset, format, labels);
        std::string problem;
        try {
          const uint8_t length = AssembleInstruction(out, labels, decoded.Text, offset);
          if (length != decoded.Length || decoded.Length != n ||
              BytesAt(out, offset, n + 1) != [&] {
                std::vector<uint8_t> expected = bytes;
                expected.push_back(kUntouched);
                return expected;
              }()) {
            problem = "wrong bytes or length " + std::to_string(length);
          }
        } catch (const Failure& e) {
          problem = e.text;
        }
        if (!problem.empty() && ++failures <= 10) {
          report << "\"" << decoded.Text << "\" at " << offset << " format "
                 << static_cast<int>(format) << ": " << problem << "\n";
        }
      }
    }
  }
  EXPECT_EQ(failures, 0) << report.str();
  EXPECT_GT(cases.size(), 19000u);
}
