#include "export/RgbdsSyntax.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "isa/InstructionTable.h"

namespace {

// Opcodes whose rgbasm spelling differs from the listing's, or that have none.
struct Spelling {
  uint8_t opcode;
  std::string_view text;
  RgbdsOperand operand;
};

constexpr Spelling kSpellings[] = {
    {0x07, "rlca", RgbdsOperand::None},  // "rlc a" is the two-byte CB 07 to rgbasm
    {0x0F, "rrca", RgbdsOperand::None},
    {0x10, "", RgbdsOperand::None},  // rgbasm's stop is 10 00; the byte after it stays its own
    {0x17, "rla", RgbdsOperand::None},
    {0x1F, "rra", RgbdsOperand::None},
    {0x22, "ld [hli],a", RgbdsOperand::None},
    {0x2A, "ld a,[hli]", RgbdsOperand::None},
    {0x32, "ld [hld],a", RgbdsOperand::None},
    {0x3A, "ld a,[hld]", RgbdsOperand::None},
    {0xC7, "rst $00", RgbdsOperand::None},
    {0xCF, "rst $08", RgbdsOperand::None},
    // ld [$FF00+n],a is the three-byte EA form to rgbasm: the high page needs ldh.
    {0xE0, "ldh [?],a", RgbdsOperand::HighPage},
    {0xE2, "ldh [c],a", RgbdsOperand::None},
    {0xE8, "add sp,?", RgbdsOperand::Signed},
    {0xF0, "ldh a,[?]", RgbdsOperand::HighPage},
    {0xF2, "ldh a,[c]", RgbdsOperand::None},
    {0xF8, "ld hl,sp?", RgbdsOperand::SpOffset},
};

RgbdsOperand OperandOf(uint8_t kind) {
  switch (kind) {
    case kOperandByte: return RgbdsOperand::Byte;
    case kOperandWord: return RgbdsOperand::Word;
    case kOperandRelative: return RgbdsOperand::Relative;
    case kOperandSigned: return RgbdsOperand::Signed;
    default: return RgbdsOperand::None;
  }
}

uint8_t LengthOf(RgbdsOperand operand) {
  switch (operand) {
    case RgbdsOperand::None: return 1;
    case RgbdsOperand::Word: return 3;
    default: return 2;
  }
}

RgbdsFlow FlowOf(std::string_view text) {
  if (text.starts_with("call ")) return RgbdsFlow::Call;
  if (text.starts_with("jr ")) return RgbdsFlow::Branch;
  if (text.starts_with("jp ") && text != "jp hl") return RgbdsFlow::Jump;
  return RgbdsFlow::None;
}

struct FormTable {
  std::array<RgbdsForm, 512> forms;
  std::array<std::string, 256> spelled;  // the texts made here rather than taken from a table

  FormTable() {
    for (size_t i = 0; i < 512; ++i) {
      const InstructionEntry& e = DisasmTable[i];
      RgbdsForm& f = forms[i];
      if (i < kCbBase) {
        f.Text = e.Template == "-" ? std::string_view() : e.Template;
        f.Operand = OperandOf(e.Kind);
        f.Length = LengthOf(f.Operand);
      } else {
        f.Text = e.Template;  // the CB half reads the same to rgbasm
        f.Length = 2;
      }
    }
    // The logic group and sub take "a" as given, and are written without it, as GameBoy
    // programmers write them ("xor a", "or l", "cp $10"); add, adc and sbc keep it.
    for (size_t i = 0; i < 256; ++i) {
      const std::string_view text = forms[i].Text;
      for (std::string_view op : {"sub a,", "and a,", "xor a,", "or a,", "cp a,"}) {
        if (text.starts_with(op)) {
          spelled[i] = std::string(op.substr(0, op.size() - 2)) + std::string(text.substr(op.size()));
          forms[i].Text = spelled[i];
        }
      }
    }
    for (const Spelling& s : kSpellings) {
      RgbdsForm& f = forms[s.opcode];
      f.Text = s.text;
      f.Operand = s.operand;
      f.Length = LengthOf(s.operand);
    }
    for (RgbdsForm& f : forms) f.Flow = FlowOf(f.Text);
  }
};

// Every word rgbasm 1.0.3's lexer reads as a keyword (its table of identifiers, in upper case;
// it compares without case): directives, mnemonics, registers, conditions and functions.
constexpr std::string_view kKeywords[] = {
    "A", "ACOS", "ADC", "ADD", "AF", "ALIGN", "AND", "ASIN", "ASSERT", "ATAN", "ATAN2", "B",
    "BANK", "BC", "BIT", "BITWIDTH", "BREAK", "BYTELEN", "C", "CALL", "CCF", "CEIL", "CHARCMP",
    "CHARLEN", "CHARMAP", "CHARSIZE", "CHARSUB", "CHARVAL", "COS", "CP", "CPL", "D", "DAA", "DB",
    "DE", "DEC", "DEF", "DI", "DIV", "DL", "DS", "DW", "E", "EI", "ELIF", "ELSE", "ENDC", "ENDL",
    "ENDM", "ENDR", "ENDSECTION", "ENDU", "EQU", "EQUS", "EXPORT", "FAIL", "FATAL", "FLOOR",
    "FMOD", "FOR", "FRAGMENT", "H", "HALT", "HIGH", "HL", "HLD", "HLI", "HRAM", "IF", "INC",
    "INCBIN", "INCHARMAP", "INCLUDE", "ISCONST", "JP", "JR", "L", "LD", "LDD", "LDH", "LDI",
    "LOAD", "LOG", "LOW", "MACRO", "MUL", "NC", "NEWCHARMAP", "NEXTU", "NOP", "NZ", "OAM", "OPT",
    "OR", "POP", "POPC", "POPO", "POPS", "POW", "PRINT", "PRINTLN", "PURGE", "PUSH", "PUSHC",
    "PUSHO", "PUSHS", "RB", "READFILE", "REDEF", "REPT", "RES", "RET", "RETI", "REVCHAR", "RL",
    "RLA", "RLC", "RLCA", "ROM0", "ROMX", "ROUND", "RR", "RRA", "RRC", "RRCA", "RSRESET", "RSSET",
    "RST", "RW", "SBC", "SCF", "SECTION", "SET", "SETCHARMAP", "SHIFT", "SIN", "SIZEOF", "SLA",
    "SP", "SRA", "SRAM", "SRL", "STARTOF", "STATIC_ASSERT", "STOP", "STRBYTE", "STRCAT", "STRCHAR",
    "STRCMP", "STRFIND", "STRFMT", "STRIN", "STRLEN", "STRLWR", "STRRFIND", "STRRIN", "STRRPL",
    "STRSLICE", "STRSUB", "STRUPR", "SUB", "SWAP", "TAN", "TZCOUNT", "UNION", "VRAM", "WARN",
    "WRAM0", "WRAMX", "XOR", "Z",
};

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

const RgbdsForm& RgbdsFormOf(uint8_t b0, uint8_t b1) {
  static const FormTable table;
  return table.forms[b0 == 0xCB ? kCbBase + b1 : b0];
}

void AppendHexByte(std::string& out, uint8_t value) {
  const char text[3] = {'$', kHexDigits[value >> 4], kHexDigits[value & 0xF]};
  out.append(text, 3);
}

void AppendHexWord(std::string& out, uint16_t value) {
  const char text[5] = {'$', kHexDigits[value >> 12], kHexDigits[(value >> 8) & 0xF],
                        kHexDigits[(value >> 4) & 0xF], kHexDigits[value & 0xF]};
  out.append(text, 5);
}

bool IsRgbdsKeyword(std::string_view name) {
  if (name.empty() || name.size() > 13) return false;
  char upper[16];
  for (size_t i = 0; i < name.size(); ++i) {
    upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  }
  const std::string_view key(upper, name.size());
  return std::find(std::begin(kKeywords), std::end(kKeywords), key) != std::end(kKeywords);
}

bool IsRgbdsBuiltin(std::string_view name) {
  // _NARG, _RS and the __NAME__ family (__LINE__, __UTC_YEAR__, ...); a few of the latter are
  // free today, but they are reserved in spirit and a user's name never needs that shape.
  return name == "_NARG" || name == "_RS" ||
         (name.size() > 4 && name.starts_with("__") && name.ends_with("__"));
}
