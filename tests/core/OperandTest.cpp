#include <gtest/gtest.h>

#include <optional>

#include "asm/Operand.h"
#include "model/Failure.h"

namespace {

const std::string kValueTail =
    "\" is not valid value. Please use \"$\" prefix for hexadecimal value, \"%\" for binary value "
    "and decimal does not require prefix.";

// The labels of a small two-bank game: RAM variables, code in bank 0 and in banks 1 and 2.
LabelTables GameLabels() {
  LabelTables labels;
  labels.AddRamLabel(0xC000, 0, "Counter");
  labels.AddRamLabel(0xD000, 0, "Both");
  labels.AddRomLabel(0x0150, "Start");
  labels.AddRomLabel(0x8200, "Far");
  labels.AddRomLabel(0x8123, "Draw");
  labels.AddRomLabel(0x8000, "Both");
  labels.AddRomLabel(0x4500, "Home");
  labels.AddRomLabel(0x8010, "Dup");  // the first of two labels with one name
  labels.AddRomLabel(0x4010, "Dup");
  labels.AddRomLabel(0x3FFF, "Edge0");  // the last byte of bank 0
  labels.AddRomLabel(0x4000, "Edge1");  // the first byte of bank 1
  return labels;
}

template <class F>
std::optional<Failure> FailureOf(F&& f) {
  try {
    f();
  } catch (const Failure& e) {
    return e;
  }
  return std::nullopt;
}

}  // namespace

TEST(Operand, MakeOperandTemplateReplacesTheValueByItsRun) {
  struct Row {
    const char* text;
    int width;
    const char* result;
  };
  const Row rows[] = {
      {"ld a,$3E", 2, "ld a,##"},
      {"ld [$FF00 + $44],a", 2, "ld [$FF00 + ##],a"},
      {"ld [$FF00 + 68],a", 2, "ld [$FF00 + ##],a"},
      {"ld hl,1234", 4, "ld hl,####"},
      {"jp @Start", 4, "jp ####"},
      {"ld a,[@Counter]", 4, "ld a,[####]"},
      {"ld [$FF00 + @Port],a", 2, "ld [$FF00 + ##],a"},  // the label wins over "$FF00 + "
      {"add sp,-$08", 3, "add sp,###"},
      {"add sp,+5", 3, "add sp,###"},
      {"ld b,-5", 2, "ld b,##"},  // a sign goes with its value
      {"ld b,c", 2, "ld b,c"},
      {"ld hl,sp + $05", 2, "ld hl,sp + ##"},  // the fixed " + " is no sign
      {"ld hl,sp + 5", 2, "ld hl,sp + ##"},
      {"ld a,%101", 2, "ld a,##"},
      {"ld [$C000],a", 4, "ld [####],a"},
      {"jp @Far,x", 4, "jp ####,x"},
      {"5", 2, "##"},
      {"5ab", 2, "##"},
      {"12", 2, "1##"},  // a digit in the first column counts only when no other digit follows
      {"1 ld a,2", 2, "1 ld a,##"},
      {"ld hl,sp + ", 2, "ld hl,sp + ##"},
      {"", 2, ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(MakeOperandTemplate(r.text, r.width), r.result) << r.text;
  }
}

TEST(Operand, ParseOperandValueReadsTheFirstValueByItsPrefix) {
  const LabelTables labels = GameLabels();
  struct Row {
    const char* text;
    uint32_t position;
    uint16_t value;
  };
  const Row rows[] = {
      {"ld b,300", 0, 300},
      {"jp $12345", 0, 0x2345},
      {"ld b,%102", 0, 4},
      {"ld b,$ff", 0, 0xFF},
      {"ld b,$FF", 0, 0xFF},
      {"ld b,010", 0, 10},
      {"ld [$FF00 + 68],a", 0, 68},
      {"ld [$FF00 + $44],a", 0, 0x44},
      {"add sp,-5", 0, 5},
      {"db 1,2", 0, 1},
      {"ld hl,sp + %101", 0, 5},
      {"dw $FFFFFFFF", 0, 0xFFFF},
      {"dw 2147483647", 0, 0xFFFF},
      {"ld a,%", 0, 0},
      {"jp @Start", 0x14000, 0x0150},
      {"ld a,[@Counter]", 0, 0xC000},
      {"call @Far,$10", 0x8000, 0x4200},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ParseOperandValue(labels, r.text, r.position), r.value) << r.text;
  }
}

TEST(Operand, ValuesThatDoNotReadNameTheirTextInTheMessage) {
  const LabelTables labels;
  struct Row {
    const char* text;
    const char* valueText;
  };
  const Row rows[] = {
      {"ld b,$", "$"},
      {"ld b,1A", "1A"},
      {"ld b,x", ""},
      {"db x", "db"},  // with no number anywhere, the value starts at the first character
      {"ld b,$123456789", "$123456789"},
      {"ld b,4294967296", "4294967296"},
      {"ld b,12A", "12A"},
      {"ld b,$1%", "$1%"},
  };
  for (const Row& r : rows) {
    const auto failure = FailureOf([&] { ParseOperandValue(labels, r.text, 0); });
    ASSERT_TRUE(failure) << r.text;
    EXPECT_EQ(failure->kind, FailureKind::Error) << r.text;
    EXPECT_EQ(failure->text, "\"" + std::string(r.valueText) + kValueTail) << r.text;
  }
}

TEST(Operand, ResolveLabelChecksTheNameAndTheBank) {
  const LabelTables labels = GameLabels();
  struct Row {
    const char* name;
    uint32_t position;
    uint16_t value;    // when failure is empty
    FailureKind kind;  // when failure is not empty
    const char* failure;
  };
  const char* farBank = "Far can't be accessed here because it's in bank 02.";
  const Row rows[] = {
      {"Far", 0x4100, 0, FailureKind::Warning, farBank},
      {"Draw", 0x4000, 0, FailureKind::Warning,
       "Draw can't be accessed here because it's in bank 02."},
      {"Far", 0x0150, 0x4200, {}, ""},
      {"Far", 0, 0x4200, {}, ""},
      {"Far", 0x8000, 0x4200, {}, ""},
      {"Far", 0xBFFF, 0x4200, {}, ""},
      {"Far", 0xC000, 0, FailureKind::Warning, farBank},
      {"Home", 0x4100, 0x4500, {}, ""},
      {"Start", 0x8100, 0x0150, {}, ""},  // bank 0 is seen from everywhere
      {"Edge0", 0x4100, 0x3FFF, {}, ""},
      {"Edge0", 0x8100, 0x3FFF, {}, ""},
      {"Edge1", 0x4000, 0x4000, {}, ""},
      {"Edge1", 0x7FFF, 0x4000, {}, ""},
      {"Edge1", 0x8000, 0, FailureKind::Warning,
       "Edge1 can't be accessed here because it's in bank 01."},
      {"Far", 0x3FFF, 0x4200, {}, ""},  // the last place of bank 0 still sees every bank
      {"Counter", 0x8100, 0xC000, {}, ""},
      {"Both", 0x4100, 0xD000, {}, ""},         // a RAM label hides a ROM label of the same name
      {"Dup", 0x4100, 0, FailureKind::Warning,  // the first label of a name is the one used
       "Dup can't be accessed here because it's in bank 02."},
      {"start", 0, 0, FailureKind::Error, "Label start is not defined."},
      {"Start ", 0, 0, FailureKind::Error, "Label Start  is not defined."},
      {"", 0, 0, FailureKind::Error, "Label  is not defined."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " at " + std::to_string(r.position));
    if (*r.failure == '\0') {
      EXPECT_EQ(ResolveLabel(labels, r.name, r.position), r.value);
      continue;
    }
    const auto failure = FailureOf([&] { ResolveLabel(labels, r.name, r.position); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, r.kind);
    EXPECT_EQ(failure->text, r.failure);
  }
}

TEST(Operand, StoreOperandWritesTheBytesOfItsKind) {
  const LabelTables labels = GameLabels();
  Rom rom;
  struct Row {
    const char* text;
    uint32_t operandOffset;
    uint8_t kind;
    std::vector<uint8_t> bytes;  // what stands at operandOffset afterwards
  };
  const Row rows[] = {
      {"ld b,300", 0x101, 1, {0xEE}},       // too wide: nothing is written
      {"ld b,-5", 0x101, 1, {0xFB, 0xEE}},  // a negative byte is its two's complement
      {"jp $12345", 0x101, 2, {0xEE, 0xEE}},
      {"jp @Far", 0x8101, 2, {0x00, 0x42, 0xEE}},
      {"jr $4105", 0x4101, 255, {0x03, 0xEE}},
      {"jr $4000", 0x4101, 255, {0xEE}},  // out of reach
      {"jr $4181", 0x4101, 255, {0x7F, 0xEE}},
      {"jr $0000", 0x0001, 255, {0xFE, 0xEE}},
      {"add sp,-5", 0x101, 252, {0xFB, 0xEE}},
      {"add sp,+5", 0x101, 252, {0x05, 0xEE}},
      {"add sp,5", 0x101, 252, {0x05, 0xEE}},
      {"add sp,-0", 0x101, 252, {0x00, 0xEE}},
      {"add sp,-$80", 0x101, 252, {0x80, 0xEE}},
      {"add sp,-128", 0x101, 252, {0x80, 0xEE}},
      {"add sp,$C8", 0x101, 252, {0xEE}},
      {"add sp,-$C8", 0x101, 252, {0xEE}},
      {"ld a,@Far", 0x4101, 1, {0x00, 0xEE}},  // a byte operand makes no bank test
      {"nop", 0x101, 0, {0xEE}},
      {"stop", 0x101, 253, {0xEE}},
      {"ld b,$", 0x101, 1, {0xEE}},  // the value fails: nothing is written
  };
  for (const Row& r : rows) {
    for (uint32_t i = 0; i < 3; ++i) rom.SetByte(r.operandOffset + i, 0xEE);
    try {
      StoreOperand(rom, labels, r.text, r.operandOffset, r.kind);
    } catch (const Failure&) {
    }
    for (size_t i = 0; i < r.bytes.size(); ++i) {
      EXPECT_EQ(rom.Byte(r.operandOffset + i), r.bytes[i]) << r.text << " byte " << i;
    }
  }
}
