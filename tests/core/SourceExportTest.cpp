// The RGBDS source export: the text it writes for instructions, data and names, the folder it
// writes, and (when rgbasm and rgblink are found) the rebuild that must give the ROM back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <sstream>
#include <functional>
#include <map>
#include <csignal>
#include <sys/wait.h>

#include "TestRom.h"
#include "export/ExportFolder.h"
#include "export/LabelPlan.h"
#include "export/Sha1.h"
#include "export/SourceExport.h"
#include "model/BankAddress.h"
#include "model/Labels.h"
#include "model/NumberText.h"
#include "model/SymbolFile.h"
#include "model/TextTable.h"

namespace fs = std::filesystem;

namespace {

struct TempFolder {
  fs::path path;
  TempFolder() {
    std::string tmpl = (fs::temp_directory_path() / "velmora-export-XXXXXX").string();
    path = ::mkdtemp(tmpl.data());
  }
  ~TempFolder() { fs::remove_all(path); }
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A ROM, its labels and marks, and the export of them.
struct Project {
  std::unique_ptr<Rom> rom;
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  ExportCode code;
  TextTable table;

  explicit Project(uint32_t size) : rom(MakeRom(size)) {}

  ExportedSource Export() const {
    return ExportSource({*rom, labels, marks, comments, code, "game.gb", &table});
  }
  static const std::string& File(const ExportedSource& source, const std::string& name) {
    for (const ExportFile& f : source.Files) {
      if (f.Name == name) return f.Text;
    }
    static const std::string none = "(no file " + name + ")";
    return none;
  }
  // The lines of a bank's file after its last SECTION line (bank 0: its code from 0150), blank
  // lines left out.
  std::string Body(uint32_t bank = 0) const {
    const std::string name = bank < 16 ? "bank_0" + std::string(1, "0123456789ABCDEF"[bank]) + ".asm"
                                       : "bank_" + std::to_string(bank) + ".asm";
    const ExportedSource source = Export();
    const std::string& text = File(source, name);
    std::string body;
    size_t at = text.rfind("SECTION");
    at = text.find('\n', at) + 1;
    while (at < text.size()) {
      const size_t end = text.find('\n', at);
      if (end > at) body += text.substr(at, end - at + 1);
      at = end + 1;
    }
    return body;
  }
};

// rgbasm and rgblink, from RGBDS_BIN or PATH; "" when either is missing.
std::string RgbdsFolder() {
  auto has = [](const fs::path& dir) {
    return ::access((dir / "rgbasm").c_str(), X_OK) == 0 &&
           ::access((dir / "rgblink").c_str(), X_OK) == 0;
  };
  if (const char* bin = std::getenv("RGBDS_BIN"); bin != nullptr && has(bin)) return bin;
  if (const char* path = std::getenv("PATH")) {
    std::string list = path;
    for (size_t at = 0; at <= list.size();) {
      const size_t end = std::min(list.find(':', at), list.size());
      const fs::path dir = list.substr(at, end - at);
      if (!dir.empty() && has(dir)) return dir.string();
      at = end + 1;
    }
  }
  return "";
}

struct MakeResult {
  int status;
  std::string output;
};

// `make` in the folder with the found assembler and linker; its output (both streams).
MakeResult RunMake(const fs::path& folder, const std::string& rgbds) {
  const std::string command = "make -s -C '" + folder.string() + "' RGBASM='" + rgbds +
                              "/rgbasm' RGBLINK='" + rgbds + "/rgblink' RGBGFX='" + rgbds +
                              "/rgbgfx' > '" +
                              (folder / "make.log").string() + "' 2>&1";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(folder / "make.log")};
}

// Mixes bytes from a fixed seed.
std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> out(size);
  for (auto& b : out) b = static_cast<uint8_t>(random());
  return out;
}

}  // namespace

TEST(SourceExportTest, InstructionsAreWrittenAsRgbasmReadsThem) {
  struct Row {
    std::vector<uint8_t> bytes;
    const char* text;
  };
  const Row rows[] = {
      {{0x07, 0x0F, 0x17, 0x1F}, "\trlca\n\trrca\n\trla\n\trra\n"},
      {{0xCB, 0x07, 0xCB, 0x0F, 0xCB, 0x37}, "\trlc a\n\trrc a\n\tswap a\n"},
      {{0x22, 0x2A, 0x32, 0x3A}, "\tld [hli],a\n\tld a,[hli]\n\tld [hld],a\n\tld a,[hld]\n"},
      {{0xE0, 0x44, 0xF0, 0x80, 0xE2, 0xF2},
       "\tldh [rLY],a\n\tldh a,[$FF80]\n\tldh [c],a\n\tldh a,[c]\n"},
      {{0xEA, 0x44, 0xFF, 0xFA, 0x00, 0xC0}, "\tld [rLY],a\n\tld a,[$C000]\n"},
      {{0xE8, 0x05, 0xE8, 0x80, 0xF8, 0x7F, 0xF8, 0xFB},
       "\tadd sp,$05\n\tadd sp,-$80\n\tld hl,sp+$7F\n\tld hl,sp-$05\n"},
      {{0x90, 0x96, 0xEE, 0x0F, 0xC7, 0xCF, 0xFF},  // the logic group without "a,"
       "\tsub b\n\tsub [hl]\n\txor $0F\n\trst $00\n\trst $08\n\trst $38\n"},
      // jr targets get names, locals of the name before them in their section
      {{0x18, 0xFE, 0x20, 0x00, 0x38, 0x80},
       "Jump_00_0150:\n\tjr Jump_00_0150\n\tjr nz,.jr_0154\n.jr_0154:\n\tjr c,Jump_00_00D6\n"},
      {{0x01, 0x34, 0x12, 0x08, 0x00, 0xC0, 0xE9, 0x76, 0xD9},
       "\tld bc,$1234\n\tld [$C000],sp\n\tjp hl\n\thalt\n\treti\n"},
      // stop is two bytes to rgbasm, the undefined opcodes none: both stay bytes
      {{0x10, 0x00, 0xD3}, "\tdb $10 ; 00:0150\n\tnop\n\tdb $D3 ; 00:0152\n"},
  };
  for (const Row& r : rows) {
    Project p(0x8000);
    std::copy(r.bytes.begin(), r.bytes.end(), p.rom->RomImage.begin() + 0x150);
    p.marks.Mark(0x150, static_cast<uint32_t>(r.bytes.size()), MarkKind::Code);
    const std::string body = p.Body();
    EXPECT_EQ(body.substr(0, std::string(r.text).size()), r.text) << body.substr(0, 200);
  }
}

TEST(SourceExportTest, NamesTakeASpellingRgbasmAccepts) {
  struct Row {
    const char* name;
    const char* global;  // SpellGlobalName
    const char* local;   // SpellLocalName
  };
  const Row rows[] = {
      {"Main", "Main", "Main"},
      {"ld", "#ld", "ld"},           // a keyword, in any case
      {"Section", "#Section", "Section"},
      {"a", "#a", "a"},
      {"Foo bar-1", "Foo_bar_1", "Foo_bar_1"},
      {"9lives", "_9lives", "9lives"},
      {"$ok", "_$ok", "$ok"},
      {"_NARG", "_NARG_", "_NARG"},  // rgbasm's own symbols
      {"__LINE__", "__LINE___", "__LINE__"},
      {"", "_", "_"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(SpellGlobalName(r.name), r.global) << r.name;
    EXPECT_EQ(SpellLocalName(r.name), r.local) << r.name;
  }
}

namespace {

// Every awkward case of a symbol file in one bank.
Project AwkwardNames() {
  Project p(0x8000);
  Put(*p.rom, 0x150, {0x00, 0x18, 0xFD, 0xC3, 0x50, 0x01, 0x21, 0x52, 0x01, 0xC9});
  Put(*p.rom, 0x15A, {0x3E, 0x01, 0x3E, 0x02, 0xCD, 0x51, 0x01, 0xFA, 0x44, 0xFF, 0x20, 0xEE});
  p.marks.Mark(0x150, 0x16, MarkKind::Code);
  p.comments[0x153] = "back to the start";
  p.comments[0x166] = "a table\nof two lines";
  ReadSymbolLabels(p.labels,
              "00:0150 Start\n00:0150 Begin\n00:0151 Start.loop\n00:0151 Begin.also\n"
              "00:0153 .orphan\n00:0156 ld\n00:0156 Start\n00:0157 Inside\n"
              "00:015A Gone.child\n00:015C two.dots.here\n00:0166 Table.\n00:0166 orphan.jr_0154\n"
              "FF:FF44 rLY\n"
              "00:FF44 LY.alias\n01:9000 Start\n",
              p.rom->BankCount);
  return p;
}

}  // namespace

// The exact lines written for AwkwardNames.
TEST(SourceExportTest, LabelsGoWhereTheSymbolFileSaysUnderNamesThatAssemble) {
  const Project p = AwkwardNames();
  const char* expected =
      "Start:\n"  // the first name at an offset is the one operands use
      "Begin:\n"
      "\tnop\n"
      "Start.loop:\n"  // its parent is not the scope here: Begin is
      ".also:\n"
      "\tjr Start\n"
      "orphan: ; .orphan\n"  // a local with no parent named becomes a global
      "; back to the start\n"
      "\tdb $C3 ; 00:0153\n"  // the jr at 0014 lands inside jp Start
      ".jr_0154_2:\n"  // the symbol file has orphan.jr_0154 elsewhere
      "\tdb $50, $01 ; 00:0154\n"
      "#ld: ; ld\n"
      "Start_2: ; Start\n"  // the second Start
      "\tdb $21 ; 00:0156\n"  // Inside falls in the middle of ld hl,$0002
      "Inside:\n"
      "\tdb $52, $01 ; 00:0157\n"
      "\tret\n"
      "Gone.child:\n"
      "\tld a,$01\n"
      "two.dots_here: ; two.dots.here\n"
      "\tld a,$02\n"
      "\tcall Start.loop\n"
      "\tld a,[rLY]\n"
      "\tjr nz,orphan.jr_0154_2\n"
      "Table_: ; Table.\n"
      "orphan.jr_0154:\n"
      "; a table of two lines\n"
      "; 00:0166-00:3FFF: $00, padded by the linker\n";
  const std::string body = p.Body();
  EXPECT_EQ(body.substr(0, std::string(expected).size()), expected) << body.substr(0, 600);
  // RAM names are constants; a dot cannot stand in one, and a taken name gets a number.
  const ExportedSource source = p.Export();
  const std::string& ram = Project::File(source, "ram.asm");
  EXPECT_EQ(ram.find("rLY"), std::string::npos);  // hardware.inc has it
  for (const char* line : {"DEF LY_alias EQU $FF44 ; 00:FF44 LY.alias\n",
                           "DEF Start_3 EQU $9000 ; 01:9000 Start\n"}) {
    EXPECT_NE(ram.find(line), std::string::npos) << line << ram;
  }
}

// A far call from bank 0 names its target only where the trace knows the bank: after a write to
// the bank register, or where one bank alone has a label at that address.
TEST(SourceExportTest, FarOperandsTakeANameOnlyWhenTheTraceKnowsTheBank) {
  Project p(0x10000);
  Put(*p.rom, 0x100, {0x00, 0xC3, 0x50, 0x01});
  p.rom->RomImage[0x147] = 0x01;  // MBC1: bank 0 sees any bank at 4000-7FFF
  Put(*p.rom, 0x150, {0x3E, 0x02, 0xEA, 0x00, 0x20, 0xCD, 0x00, 0x40, 0xC3, 0x60, 0x01});
  Put(*p.rom, 0x160, {0xCD, 0x10, 0x40, 0xCD, 0x20, 0x40, 0x76, 0x18, 0xFE});
  Put(*p.rom, 0x4000, {0xCD, 0x10, 0x40, 0xC9});
  p.rom->RomImage[0x8000] = 0xC9;
  p.marks.Mark(0x4000, 4, MarkKind::Code);
  ReadSymbolLabels(p.labels, "01:4010 Far1\n02:4010 Far2\n03:4020 Far3\n", 4);
  p.code = ExportCodeOf(TraceRom(*p.rom, p.labels, p.marks));
  const std::string bank0 = p.Body(0), bank1 = p.Body(1);
  for (const char* line : {"\tcall Func_02_4000\n", "\tcall $4010\n", "\tcall Far3\n"}) {
    EXPECT_NE(bank0.find(line), std::string::npos) << line;
  }
  EXPECT_NE(bank1.find("\tcall Far1\n"), std::string::npos);  // its own bank
  EXPECT_NE(p.Body(2).find("Func_02_4000:\n\tret\n"), std::string::npos);
}

// What a ROM hacker reads: registers, vectors and the title by name, GBDK's numbers as
// constants, addresses on request, and the places where an instruction meets the header or a
// label meets a section.
TEST(SourceExportTest, SourceReadsAsAGameBoyProgrammerWritesIt) {
  struct Row {
    const char* what;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> bytes;  // marked code
    const char* sym;
    bool addresses;
    const char* file;
    const char* text;  // a run of lines the file must hold
  };
  const Row rows[] = {
      {"registers by name", {{0x150, {0xE0, 0x40, 0xF0, 0x41, 0xEA, 0xFF, 0xFF}}}, "", false,
       "bank_00.asm", "\tldh [rLCDC],a\n\tldh a,[rSTAT]\n\tld [rIE],a\n"},
      {"vectors named where code starts", {{0x40, {0xD9}}, {0x60, {0xC9}}}, "", false,
       "bank_00.asm", "\nVBlank:\n\treti\n"},
      {"the joypad vector", {{0x60, {0xC9}}}, "", false, "bank_00.asm", "\nJoypad:\n\tret\n"},
      {"the entry point's jp ends where the logo starts", {{0x100, {0x00, 0xC3, 0x50, 0x01}}}, "",
       false, "game.asm", "\tnop\n\tjp Jump_00_0150\n; cartridge header: Nintendo logo\n"},
      {"the title as a string", {{0x134, {'G', 'A', 'M', 'E', '"', 0x00}}}, "", false, "game.asm",
       "; cartridge header: title\n\tdb \"GAME\", $22, $00, $00, $00, $00, $00, $00, $00, $00, $00, "
       "$00 ; 00:0134\n"},
      {"GBDK's numbers below 0100 are constants",
       {{0x08, {0x3E, 0x01, 0xC9}}}, "00:0008 ___bank_foo\n00:0009 l__DATA\n00:0002 b_main\n", false,
       "ram.asm", "DEF ___bank_foo EQU $0008 ; 00:0008\nDEF l__DATA EQU $0009 ; 00:0009\n"},
      {"and split no instruction", {{0x08, {0x3E, 0x01, 0xC9}}}, "00:0009 l__DATA\n", false,
       "bank_00.asm", "\nRST_08:\n\tld a,$01\n\tret\n"},
      {"addresses on request", {{0x4000, {0x3E, 0x01, 0xC9}}}, "", true, "bank_01.asm",
       "\tld a,$01 ; 01:4000\n\tret ; 01:4002\n"},
      {"a jump label of bank 1 is no local of bank 0's last global",
       {{0x3FF0, {0x00}}, {0x4000, {0x18, 0xFE}}}, "00:3FF0 Last\n", false, "bank_01.asm",
       "\nJump_01_4000:\n\tjr Jump_01_4000\n"},
      {"the bank register keeps its number, whatever is named there",
       {{0x150, {0xEA, 0x00, 0x20, 0x11, 0x00, 0x20, 0x12, 0xC3, 0x00, 0x20}}, {0x2000, {0xC9}}},
       "", false, "bank_00.asm", "\tld [$2000],a\n\tld de,$2000\n\tld [de],a\n"},
      {"a return address pushed is a name", {{0x150, {0x21, 0x60, 0x01, 0xE5, 0xC9}}, {0x160, {0xC9}}},
       "", false, "bank_00.asm", "\tld hl,Jump_00_0160\n\tpush hl\n"},
      {"a local at its parent's own place", {{0x4000, {0x18, 0xFE}}},
       "01:4000 Main\n01:4000 Main.loop\n", false, "bank_01.asm",
       "\nMain:\n.loop:\n\tjr Main\n"},
  };
  for (const Row& r : rows) {
    Project p(0x8000);
    for (const auto& [at, bytes] : r.bytes) {
      std::copy(bytes.begin(), bytes.end(), p.rom->RomImage.begin() + at);
      if (at < 0x104 || at >= 0x150) p.marks.Mark(at, static_cast<uint32_t>(bytes.size()), MarkKind::Code);
    }
    ReadSymbolLabels(p.labels, r.sym, 2);
    ExportInput in{*p.rom, p.labels, p.marks, p.comments, p.code, "game.gb", nullptr, r.addresses};
    const ExportedSource source = ExportSource(in);
    const std::string& text = Project::File(source, r.file);
    EXPECT_NE(text.find(r.text), std::string::npos) << r.what << ":\n" << text.substr(0, 1500);
  }
}

TEST(SourceExportTest, Sha1MatchesKnownDigests) {
  struct Row {
    std::string input;
    const char* digest;
  };
  const Row rows[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000, 'a'), "291e9a6c66994949b57ba5e650361e98fc36b1ba"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Sha1Hex(reinterpret_cast<const uint8_t*>(r.input.data()), r.input.size()),
              r.digest)
        << r.input.size();
  }
}

namespace {

// Exports the project into a new folder and rebuilds it with make: the ROM must come back.
void ExpectRebuild(const Project& p, const std::string& rgbds, const std::string& what) {
  TempFolder temp;
  const fs::path folder = temp.path / "src";
  const ExportedSource source = p.Export();
  WriteExportFolder(folder.string(), source.Files, false);
  const MakeResult made = RunMake(folder, rgbds);
  ASSERT_EQ(made.status, 0) << what << ":\n" << made.output;
  const std::string rebuilt = ReadFile(folder / "build" / "game.gb");
  ASSERT_EQ(rebuilt.size(), p.rom->RomSize) << what;
  for (uint32_t i = 0; i < p.rom->RomSize; ++i) {
    ASSERT_EQ(static_cast<uint8_t>(rebuilt[i]), p.rom->RomImage[i])
        << what << ": first difference at " << OffsetToBankAddress(i);
  }
}

// Every opcode with operands, in bank 0 after the header and again in bank 1. Jumps reach a
// data area, jr the next instruction, so that no name falls inside an instruction.
Project AllOpcodes(uint32_t& writable) {
  Project p(0x8000);
  writable = 0;
  for (uint32_t start : {0x150u, 0x4000u}) {
    uint32_t at = start;
    for (unsigned i = 0; i < 512; ++i) {
      const uint8_t b0 = i < 256 ? static_cast<uint8_t>(i) : 0xCB;
      const uint8_t b1 = i < 256 ? static_cast<uint8_t>(i * 7) : static_cast<uint8_t>(i);
      if (i == 0xCB) continue;
      const RgbdsForm& form = RgbdsFormOf(b0, b1);
      p.rom->RomImage[at] = b0;
      if (i >= 256) {
        p.rom->RomImage[at + 1] = b1;
      } else if (form.Operand == RgbdsOperand::Word) {
        p.rom->RomImage[at + 1] = static_cast<uint8_t>(i);
        p.rom->RomImage[at + 2] = 0x70;  // 7000-70FF: data in either bank
      } else if (form.Operand == RgbdsOperand::Relative) {
        p.rom->RomImage[at + 1] = 0;
      } else if (form.Length == 2) {
        p.rom->RomImage[at + 1] = b1;
      }
      if (!form.Text.empty()) writable += form.Length;
      at += form.Length;
    }
    p.marks.Mark(start, at - start, MarkKind::Code);
  }
  return p;
}

// Noise marked code, with labels of every awkward kind, RAM names, comments, traced starts and
// known banks; its size is not whole banks.
Project NoiseWithNames() {
  const uint32_t size = 0x10000 + 0x1234;
  Project p(size);
  const std::vector<uint8_t> noise = Noise(size, 23);
  std::copy(noise.begin(), noise.end(), p.rom->RomImage.begin());
  p.marks.Mark(0, size, MarkKind::Code);
  p.marks.Mark(0x2000, 0x40, MarkKind::Data);
  p.marks.Mark(0x5001, 0x33, MarkKind::Text);
  std::fill_n(p.rom->RomImage.begin() + 0x6000, 0x300, 0xFF);
  std::mt19937 random(5);
  const char* names[] = {"Main", "Main.loop", ".orphan", "ld", "A", "Foo bar", "9lives",
                         "x.y.z", "Dup", "Dup", "_NARG", "tail.", "Parent.1", "hl.x", "Über"};
  std::string sym;
  for (int i = 0; i < 400; ++i) {
    const uint32_t offset = random() % (size + 0x100);  // some past the end
    char where[16];
    std::snprintf(where, sizeof where, "%02X:%04X ", offset >> 14,
                  offset < 0x4000 ? offset : (offset & 0x3FFF) + 0x4000);
    sym += std::string(where) + names[random() % std::size(names)] + "\n";
  }
  for (uint16_t ram : {0xC000, 0xC000, 0xD123, 0xFF44, 0xFF80, 0xFFFF, 0x8000}) {
    sym += "00:" + IntToHex(ram, 4) + " " + names[random() % std::size(names)] + "\n";
  }
  ReadSymbolLabels(p.labels, sym, 5);
  for (int i = 0; i < 200; ++i) p.comments[random() % size] = "note " + std::to_string(i);
  p.code.Starts.assign(size, 0);
  for (int i = 0; i < 3000; ++i) p.code.Starts[random() % size] = 1;
  for (uint32_t o = 0; o + 2 < 0x4000; ++o) {
    if (o % 3 == 0 && p.rom->RomImage[o + 2] >= 0x40 && p.rom->RomImage[o + 2] < 0x80) {
      p.code.BankedTargets[o] = (1 + o % 4) * 0x4000 + (p.rom->RomImage[o + 1] |
                                                        (p.rom->RomImage[o + 2] & 0x3F) << 8);
    }
  }
  return p;
}

// A table whose texts rgbasm reads in other ways than the table decodes: "AB" is one byte
// of its own, a second "A", texts to escape, a control character, a two-byte key.
constexpr char kTrickyTable[] =
    "80=A\n81=B\n82=C\nC0=AB\nC1=\"\nC2={\nC3=\\\nC4=A\nC5=\x01\nF001=é\n/FF\n*FE\n";

// A text block through kTrickyTable: "CAB\"{\\", a break, "é", an end; the second "A", the
// control character, a byte without entry, "AB", an end.
Project TextBlock() {
  Project p(0x8000);
  TableSkips skips;
  p.table = ReadTableText(kTrickyTable, skips);
  Put(*p.rom, 0x4000, {0x82, 0x80, 0x81, 0xC1, 0xC2, 0xC3, 0xFE, 0xF0, 0x01, 0xFF});
  Put(*p.rom, 0x400A, {0xC4, 0xC5, 0x00, 0xC0, 0xFF});
  p.marks.Mark(0x4000, 0x0F, MarkKind::Text);
  return p;
}

// TextBlock, mostly the table's keys in noise, and a text block over the header.
Project TextBlocks() {
  Project p = TextBlock();
  const std::vector<uint8_t> noise = Noise(0x800, 7);
  for (size_t i = 0; i < noise.size(); ++i) {
    // Mostly the table's own bytes.
    const uint8_t keys[] = {0x80, 0x81, 0x82, 0xC0, 0xC1, 0xC2, 0xC3,
                            0xC4, 0xC5, 0xF0, 0x01, 0xFE, 0xFF};
    p.rom->RomImage[0x4100 + i] = noise[i] < 0xD0 ? keys[noise[i] % std::size(keys)] : noise[i];
  }
  p.marks.Mark(0x4100, 0x800, MarkKind::Text);
  Put(*p.rom, 0x134, {0x80, 0x81, 0x82, 0xFF});
  p.marks.Mark(0x100, 0x80, MarkKind::Text);
  return p;
}

// Instructions cut by a bank's end, and a ROM that ends inside its last bank.
Project BankEnds() {
  Project p(0x8000 + 0x10);
  Put(*p.rom, 0x3FFE, {0x21, 0x34, 0x12});        // ld hl,$1234 across 00|01
  Put(*p.rom, 0x7FFF, {0xCD, 0x00, 0x40});        // call across 01|02
  Put(*p.rom, 0x8000 + 0xE, {0xC3, 0x00});        // jp past the ROM's end
  p.marks.Mark(0x3FF0, 0x20, MarkKind::Code);
  p.marks.Mark(0x7FF0, 0x20, MarkKind::Code);
  p.marks.Mark(0x8000, 0x10, MarkKind::Code);
  return p;
}

// Image blocks in noise: one with a label inside it and a partial tile at its end, a 1-bit one
// across a bank's end, two under one name, and one shorter than a tile.
Project Images() {
  Project p(0xC000);
  const std::vector<uint8_t> noise = Noise(0xC000, 11);
  std::copy(noise.begin(), noise.end(), p.rom->RomImage.begin());
  p.marks.Mark(0x4000, 0x123, MarkKind::Image, {40, 2, ",x"});  // 18 tiles, 5 a row
  p.marks.Mark(0x7FC0, 0x80, MarkKind::Image, {24, 1, ""});     // 16 tiles, 3 a row
  p.marks.Mark(0x9000, 0x10, MarkKind::Image, {});
  p.marks.Mark(0xA000, 0x20, MarkKind::Image, {16, 2, ""});
  p.marks.Mark(0xB000, 0x0F, MarkKind::Image, {});
  ReadSymbolLabels(p.labels, "01:4000 Font\n01:4050 Font.half\n02:5000 Dup\n02:6000 Dup\n", 3);
  p.comments[0x4070] = "inside the font";
  return p;
}

}  // namespace

TEST(SourceExportTest, ImageBlocksArePicturesThatRgbgfxTurnsBack) {
  const Project p = Images();
  const ExportedSource source = p.Export();
  std::vector<std::string> pictures;
  for (const ExportFile& f : source.Files) {
    if (f.Name.rfind("gfx/", 0) == 0) pictures.push_back(f.Name);
  }
  EXPECT_EQ(pictures, (std::vector<std::string>{"gfx/Font.png", "gfx/01_7FC0.png", "gfx/Dup.png",
                                                "gfx/Dup_2.png"}));
  const std::string bank1 = p.Body(1);
  for (const char* line : {"Font:\n\tINCBIN \"build/gfx/Font.2bpp\", 0, 80 ; 01:4000\n.half:\n",
                           "\tINCBIN \"build/gfx/Font.2bpp\", 80, 32 ; 01:4050\n; inside the font\n"
                           "\tINCBIN \"build/gfx/Font.2bpp\", 112, 176 ; 01:4070\n\tdb ",
                           "\tINCBIN \"build/gfx/01_7FC0.1bpp\", 0, 64 ; 01:7FC0\n"}) {
    EXPECT_NE(bank1.find(line), std::string::npos) << line;
  }
  EXPECT_NE(p.Body(2).find("\tINCBIN \"build/gfx/01_7FC0.1bpp\", 64, 64 ; 02:4000\n"), std::string::npos);
  EXPECT_NE(p.Body(2).find("Dup:\n\tINCBIN \"build/gfx/Dup.2bpp\" ; 02:5000\n"), std::string::npos);
  const std::string& makefile = Project::File(source, "Makefile");
  EXPECT_NE(makefile.find("RGBGFX ?= rgbgfx\n"), std::string::npos);
  EXPECT_NE(makefile.find("$(OBJECTS): build/gfx/Font.2bpp build/gfx/01_7FC0.1bpp "
                          "build/gfx/Dup.2bpp build/gfx/Dup_2.2bpp\n"),
            std::string::npos);
  EXPECT_NE(makefile.find("build/gfx/Font.2bpp: gfx/Font.png\n\t@mkdir -p $(@D)\n"
                          "\t$(RGBGFX) -c dmg=E4 -d 2 -x 2 -o $@ $<\n\n"
                          "build/gfx/01_7FC0.1bpp: gfx/01_7FC0.png\n\t@mkdir -p $(@D)\n"
                          "\t$(RGBGFX) -c dmg=E4 -d 1 -x 2 -o $@ $<\n\n"
                          "build/gfx/Dup.2bpp: gfx/Dup.png\n\t@mkdir -p $(@D)\n"
                          "\t$(RGBGFX) -c dmg=E4 -d 2 -x 15 -o $@ $<\n\n"),
            std::string::npos)
      << makefile;
  // Written again over an earlier export: into its gfx folder.
  TempFolder temp;
  WriteExportFolder((temp.path / "out").string(), source.Files, false);
  WriteExportFolder((temp.path / "out").string(), source.Files, true);
  EXPECT_EQ(ReadFile(temp.path / "out/gfx/Dup.png"), Project::File(source, "gfx/Dup.png"));
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path), fs::directory_iterator()), 1);
}

TEST(SourceExportTest, RebuildsByteForByteWithRgbds) {
  uint32_t writable = 0;
  const Project opcodes = AllOpcodes(writable);
  EXPECT_EQ(opcodes.Export().Summary.InstructionBytes, writable);
  const Project noise = NoiseWithNames();
  const ExportSummary summary = noise.Export().Summary;
  EXPECT_GT(summary.InstructionBytes, noise.rom->RomSize / 2);
  EXPECT_GT(summary.GeneratedLabels, 1000u);
  const Project ends = BankEnds();
  const Project text = TextBlocks();
  // 0x40 bytes of code blocks less the five that are cut: 3FFE-3FFF, 7FFF, 800E-800F.
  EXPECT_EQ(ends.Export().Summary.InstructionBytes, 0x40u - 5);

  const std::string rgbds = RgbdsFolder();
  if (rgbds.empty() || std::system("command -v make > /dev/null") != 0) {
    GTEST_SKIP() << "rgbasm and rgblink not found (PATH or RGBDS_BIN), or no make: no rebuild";
  }
  ExpectRebuild(opcodes, rgbds, "all opcodes");
  ExpectRebuild(AwkwardNames(), rgbds, "awkward names");
  ExpectRebuild(noise, rgbds, "noise with names");
  ExpectRebuild(ends, rgbds, "bank ends");
  ExpectRebuild(text, rgbds, "text blocks through a charmap");
  ExpectRebuild(Images(), rgbds, "image blocks through rgbgfx");
}

TEST(SourceExportTest, TextBlocksAreStringsWhereTheCharmapGivesTheirBytesBack) {
  Project p = TextBlock();
  const ExportedSource source = p.Export();
  EXPECT_EQ(
      Project::File(source, "charmap.inc"),
      "; The game's text encoding, from its table: each text and the bytes rgbasm writes for\n"
      "; it in a string.\n\n"
      "charmap \"A\", $80\ncharmap \"B\", $81\ncharmap \"C\", $82\ncharmap \"AB\", $C0\n"
      "charmap \"\\\"\", $C1\ncharmap \"\\{\", $C2\ncharmap \"\\\\\", $C3\n"
      "charmap \"é\", $F0, $01\ncharmap \"\\n\", $FE\n");
  EXPECT_NE(
      Project::File(source, "game.asm").find("INCLUDE \"ram.asm\"\nINCLUDE \"charmap.inc\"\n"),
      std::string::npos);
  // "CAB" would read as C, AB: the string breaks before B.
  EXPECT_EQ(p.Body(1),
            "\tdb \"CA\", \"B\\\"\\{\\\\\\né\", $FF ; 01:4000\n"
            "\tdb $C4, $C5, $00, \"AB\", $FF ; 01:400A\n"
            "; 01:400F-01:7FFF: $00, padded by the linker\n");
  // Without a table the same block is bytes, and no charmap is written.
  p.table = {};
  EXPECT_EQ(p.Body(1).substr(0, 53), "\tdb $82, $80, $81, $C1, $C2, $C3, $FE, $F0 ; 01:4000\n");
  EXPECT_EQ(Project::File(p.Export(), "charmap.inc"), "(no file charmap.inc)");
}

TEST(SourceExportTest, MakefileFailsLoudlyWhenTheRebuildDiffers) {
  const std::string rgbds = RgbdsFolder();
  if (rgbds.empty() || std::system("command -v make > /dev/null") != 0) {
    GTEST_SKIP() << "rgbasm and rgblink not found (PATH or RGBDS_BIN), or no make";
  }
  Project p(0x8000);
  Put(*p.rom, 0x4000, {0x3E, 0x12, 0xC9});
  p.marks.Mark(0x4000, 3, MarkKind::Code);
  TempFolder temp;
  WriteExportFolder(temp.path.string(), p.Export().Files, false);
  std::string bank = ReadFile(temp.path / "bank_01.asm");
  bank.replace(bank.find("ld a,$12"), 8, "ld a,$13");
  std::ofstream(temp.path / "bank_01.asm", std::ios::binary) << bank;
  const MakeResult made = RunMake(temp.path, rgbds);
  EXPECT_NE(made.status, 0);
  EXPECT_NE(made.output.find("*** build/game.gb is NOT the original ROM: SHA-1 "), std::string::npos)
      << made.output;
  EXPECT_FALSE(fs::exists(temp.path / "build" / "game.gb"));  // never taken for an up-to-date build
  EXPECT_TRUE(fs::exists(temp.path / "build" / "game.gb.mismatch"));
}

namespace {

// Every file below a folder and its bytes ("sub/name" -> text); folders as "sub/".
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), folder).string();
    files[it->is_directory() ? name + "/" : name] = it->is_directory() ? "" : ReadFile(it->path());
  }
  return files;
}

void Put(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

// What a folder holds decides whether the export goes in: never over the ROM, its symbol file
// or another project's files, over an earlier export only when told to; a refused folder is
// left byte for byte as it was.
TEST(SourceExportTest, FolderIsWrittenWholeOrRefused) {
  Project p(0x4000);
  const std::vector<ExportFile> files = p.Export().Files;
  Project other(0x4000);
  const std::vector<ExportFile> otherFiles =
      ExportSource({*other.rom, other.labels, other.marks, other.comments, other.code, "other.gb"})
          .Files;
  struct Row {
    const char* what;
    std::function<void(const fs::path&)> setUp;  // fills the folder "out"
    std::vector<std::string> keep;               // below the folder
    bool replace;
    std::string failure;  // after "'<folder>' "; "" when it must succeed
    std::vector<std::string> after;  // files that must stand afterwards (on success)
  };
  const auto exportOf = [](const std::vector<ExportFile>& f) {
    return [f](const fs::path& out) { WriteExportFolder(out.string(), f, false); };
  };
  const Row rows[] = {
      {"the ROM", [](const fs::path& out) { Put(out / "game.gb", "rom"); }, {"game.gb"}, true,
       "holds game.gb; choose an empty folder.", {}},
      {"the symbol file deeper in", [](const fs::path& out) { Put(out / "roms/game.sym", "s"); },
       {"roms/game.sym"}, true, "holds roms/game.sym; choose an empty folder.", {}},
      {"another project's Makefile", [](const fs::path& out) { Put(out / "Makefile", "all:\n"); },
       {}, true, "holds Makefile, which no export wrote; choose an empty folder.", {}},
      {"another build folder", [](const fs::path& out) { Put(out / "build/x.o", "o"); }, {}, true,
       "holds build, which no export wrote; choose an empty folder.", {}},
      {"an earlier export", exportOf(files), {}, false,
       "already holds an exported source (game.asm); choose another folder or replace it.", {}},
      {"an earlier export with a file of the user's",
       [&](const fs::path& out) {
         exportOf(files)(out);
         Put(out / "notes.txt", "mine");
       },
       {}, true,
       "holds notes.txt, which the export did not write; move it away or choose an empty folder.",
       {}},
      {"a file", [](const fs::path& out) { Put(out, "x"); }, {}, true, "is not a folder.", {}},
      {"a missing folder and parent", [](const fs::path&) {}, {}, false, "", {"game.asm"}},
      {"an empty folder", [](const fs::path& out) { fs::create_directories(out); }, {}, false, "",
       {"game.asm", kExportManifest}},
      {"a folder of other things",
       [](const fs::path& out) { Put(out / "photo.png", "png"); }, {}, false, "",
       {"photo.png", "game.asm"}},
      {"another ROM's export with its build",
       [&](const fs::path& out) {
         exportOf(otherFiles)(out);
         Put(out / "build/other.o", "o");
         Put(out / "bank_00.asm", "edited");
       },
       {}, true, "", {"game.asm", "bank_00.asm"}},
  };
  for (const Row& r : rows) {
    TempFolder temp;
    const fs::path out = temp.path / "deeper" / "out";
    r.setUp(out);
    const auto before = Snapshot(temp.path);
    std::vector<std::string> keep;
    for (const std::string& k : r.keep) keep.push_back((out / k).string());
    std::string got;
    try {
      WriteExportFolder(out.string(), files, r.replace, keep);
    } catch (const Failure& e) {
      got = e.text;
    }
    if (r.failure.empty()) {
      EXPECT_EQ(got, "") << r.what;
      for (const std::string& name : r.after) EXPECT_TRUE(fs::exists(out / name)) << r.what << name;
      for (const ExportFile& f : files) EXPECT_EQ(ReadFile(out / f.Name), f.Text) << r.what;
      EXPECT_FALSE(fs::exists(out / "other.asm")) << r.what;
      EXPECT_FALSE(fs::exists(out / "build")) << r.what;
      size_t hidden = 0;  // no staging folder is left beside it
      for (const auto& e : fs::directory_iterator(out.parent_path())) {
        hidden += e.path().filename().string().starts_with(".");
      }
      EXPECT_EQ(hidden, 0u) << r.what;
    } else {
      EXPECT_EQ(got, "'" + out.string() + "' " + r.failure) << r.what;
      EXPECT_EQ(Snapshot(temp.path), before) << r.what;
    }
  }
}

// An export killed on the way leaves the folder as it was; the next one removes what it left.
TEST(SourceExportTest, KilledExportLeavesTheFolderAsItWas) {
  TempFolder temp;
  const fs::path out = temp.path / "out";
  Project old(0x8000);
  WriteExportFolder(out.string(), old.Export().Files, false);
  const auto before = Snapshot(out);
  Project p(0x10000);
  p.rom->RomImage[0x200] = 0x12;
  const std::vector<ExportFile> files = p.Export().Files;
  for (size_t killAt : {size_t{1}, files.size() / 2, files.size()}) {
    const pid_t child = ::fork();
    if (child == 0) {
      WriteExportFolder(out.string(), files, true, {}, [&](size_t done, size_t) {
        if (done == killAt) ::raise(SIGKILL);
      });
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << killAt;
    EXPECT_EQ(Snapshot(out), before) << killAt;
  }
  // A swap killed after the old export went aside and before the new one came in.
  fs::rename(out, temp.path / ".out.export-999999999-abcdef.old");
  WriteExportFolder(out.string(), files, true);
  for (const ExportFile& f : files) EXPECT_EQ(ReadFile(out / f.Name), f.Text);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(temp.path)) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"out"});
}

// Labels named like any of rgbasm's keywords, in any case, assemble: the list is rgbasm 1.0.3's
// own, from its lexer.
TEST(SourceExportTest, LabelsNamedLikeKeywordsAssemble) {
  const std::string keywords =
    "A ACOS ADC ADD AF ALIGN AND ASIN ASSERT ATAN ATAN2 B BANK BC BIT BITWIDTH BREAK BYTELEN C "
    "CALL CCF CEIL CHARCMP CHARLEN CHARMAP CHARSIZE CHARSUB CHARVAL COS CP CPL D DAA DB DE DEC "
    "DEF DI DIV DL DS DW E EI ELIF ELSE ENDC ENDL ENDM ENDR ENDSECTION ENDU EQU EQUS EXPORT FAIL "
    "FATAL FLOOR FMOD FOR FRAGMENT H HALT HIGH HL HLD HLI HRAM IF INC INCBIN INCHARMAP INCLUDE "
    "ISCONST JP JR L LD LDD LDH LDI LOAD LOG LOW MACRO MUL NC NEWCHARMAP NEXTU NOP NZ OAM OPT OR "
    "POP POPC POPO POPS POW PRINT PRINTLN PURGE PUSH PUSHC PUSHO PUSHS RB READFILE REDEF REPT RES "
    "RET RETI REVCHAR RL RLA RLC RLCA ROM0 ROMX ROUND RR RRA RRC RRCA RSRESET RSSET RST RW SBC "
    "SCF SECTION SET SETCHARMAP SHIFT SIN SIZEOF SLA SP SRA SRAM SRL STARTOF STATIC_ASSERT STOP "
    "STRBYTE STRCAT STRCHAR STRCMP STRFIND STRFMT STRIN STRLEN STRLWR STRRFIND STRRIN STRRPL "
    "STRSLICE STRSUB STRUPR SUB SWAP TAN TZCOUNT UNION VRAM WARN WRAM0 WRAMX XOR Z ";
  Project p(0x8000);
  std::string sym;
  uint32_t at = 0x4000;
  std::istringstream words(keywords);
  for (std::string word; words >> word;) {
    std::string lower = word, mixed = word;
    for (size_t i = 0; i < word.size(); ++i) {
      lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
      if (i % 2 == 1) mixed[i] = lower[i];
    }
    for (const std::string& name : {word, lower, mixed}) {
      EXPECT_TRUE(IsRgbdsKeyword(name)) << name;
      sym += "01:" + IntToHex(at++, 4) + " " + name + "\n";
    }
  }
  ReadSymbolLabels(p.labels, sym, 2);
  const std::string rgbds = RgbdsFolder();
  if (rgbds.empty() || std::system("command -v make > /dev/null") != 0) {
    GTEST_SKIP() << "rgbasm and rgblink not found (PATH or RGBDS_BIN), or no make: no rebuild";
  }
  ExpectRebuild(p, rgbds, "keywords");
}

namespace {

// `make` and then `make shiftcheck` in the folder; the output of the second (both streams).
MakeResult RunShiftcheck(const fs::path& folder, const std::string& rgbds) {
  const MakeResult made = RunMake(folder, rgbds);
  if (made.status != 0) return made;
  const std::string command = "PATH='" + rgbds + "':\"$PATH\" make -s -C '" + folder.string() +
                              "' shiftcheck > '" + (folder / "shift.log").string() + "' 2>&1";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(folder / "shift.log")};
}

}  // namespace

// Padding inserted at the start of every section that may move: each kind of reference still
// reaches its target (the shifted ROM's operand is the target's new address), and shiftcheck
// finds every label moved and no other byte changed.
TEST(SourceExportTest, ReferencesFollowTheirTargetsWhenCodeMoves) {
  struct Row {
    const char* what;
    uint32_t operand;  // the operand's offset in the original
    uint32_t target;   // the offset it must reach
    bool relative = false;
    uint32_t moved = 1;  // how far the target moves: 0 in a bank without room
  };
  // Two banks: what the trace finds on its own.
  Project two(0x8000);
  Put(*two.rom, 0x100, {0x00, 0xC3, 0x50, 0x01});
  Put(*two.rom, 0x150, {0xC3, 0x60, 0x01});        // jp $0160
  Put(*two.rom, 0x160, {0xCD, 0x00, 0x40, 0x76});  // call $4000; halt
  Put(*two.rom, 0x170, {0xC9});                    // ret
  Put(*two.rom, 0x4000, {0x18, 0x0E});             // jr $4010
  Put(*two.rom, 0x4010, {0xCD, 0x70, 0x01, 0xC9}); // call $0170; ret
  std::fill_n(two.rom->RomImage.begin() + 0x200, 0x3E00, 0xFF);
  std::fill_n(two.rom->RomImage.begin() + 0x4100, 0x3F00, 0xFF);
  Put(*two.rom, 0x7FFC, {0x00, 0x00, 0x00, 0x01});  // a tail after the fill keeps its place
  two.code = ExportCodeOf(TraceRom(*two.rom, two.labels, two.marks));
  const Row twoRows[] = {
      {"a jump in bank 0", 0x151, 0x160},
      {"a call from bank 0 into bank 1 of a two-bank ROM", 0x161, 0x4000},
      {"a branch in bank 1", 0x4001, 0x4010, true},
      {"a call into bank 0 from bank 1", 0x4011, 0x170},
  };
  // Four banks: far calls in each form, a pointer table and data pointers, as the analysis
  // tells them.
  Project four(0x10000);
  std::fill_n(four.rom->RomImage.begin(), 0x10000, 0xFF);
  Put(*four.rom, 0x100, {0x00, 0xC3, 0x50, 0x01});
  Put(*four.rom, 0x150, {0x3E, 0x02, 0x21, 0x30, 0x40, 0xCD, 0x00, 0x02,   // ld a; ld hl; call
                         0x1E, 0x03, 0x21, 0x40, 0x40, 0xCD, 0x00, 0x02,   // ld e; ld hl; call
                         0xCD, 0x10, 0x02, 0x02, 0x50, 0x40,               // call; db; dw
                         0x21, 0x00, 0x03, 0x7E,                           // ld hl; ld a,[hl]
                         0x21, 0x10, 0x03, 0xC3, 0x20, 0x02,               // ld hl; jp
                         0x76, 0x18, 0xFD});
  for (uint32_t ret : {0x200u, 0x210u, 0x220u, 0x230u, 0x240u, 0x4005u, 0x8030u, 0x8050u, 0xC040u}) {
    four.rom->RomImage[ret] = 0xC9;
    four.marks.Mark(ret, 1, MarkKind::Code);
  }
  Put(*four.rom, 0x300, {0x12, 0x34, 0x56, 0x78});
  Put(*four.rom, 0x310, {0x30, 0x02, 0x40, 0x02});
  Put(*four.rom, 0x4000, {0x11, 0x00, 0x41, 0x1A, 0xC9});  // ld de,$4100; ld a,[de]; ret
  Put(*four.rom, 0x4100, {0xAA, 0xBB});
  // Bank 3 is full to its end: it stays where it is.
  const std::vector<uint8_t> noise = Noise(0x3FBF, 3);
  std::copy(noise.begin(), noise.end(), four.rom->RomImage.begin() + 0xC041);
  four.marks.Mark(0x150, 0x13, MarkKind::Code);
  four.marks.Mark(0x166, 0x0D, MarkKind::Code);
  four.marks.Mark(0x4000, 5, MarkKind::Code);
  // The calls of the bank-switching routine; the export finds their operands.
  four.code.FarCalls = {{0x155, 0x8030}, {0x15D, 0xC040}, {0x160, 0x8050}};
  four.code.BankedTargets = {{0x166, 0x300}, {0x16A, 0x310}, {0x4000, 0x4100}};
  four.code.Words = {{0x310, 0x230}, {0x312, 0x240}};
  four.code.DataTargets = {0x300, 0x310, 0x4100};
  // A table of bank and address entries, as the user marks one.
  Put(*four.rom, 0x320, {0x02, 0x30, 0x40, 0x03, 0x40, 0x40});
  four.code.PointerEntries = {{0x320, 0x8030}, {0x323, 0xC040}};
  const Row fourRows[] = {
      {"a far call: ld a,BANK / ld hl,Label", 0x153, 0x8030},
      {"a far call into a full bank: ld e,BANK / ld hl,Label", 0x15B, 0xC040, false, 0},
      {"a far call with inline db BANK / dw Label", 0x164, 0x8050},
      {"a data pointer in bank 0", 0x167, 0x300},
      {"a pointer table's address", 0x16B, 0x310},
      {"a pointer table's entries", 0x310, 0x230},
      {"", 0x312, 0x240},
      {"a data pointer in bank 1", 0x4001, 0x4100},
      {"a pointer table's bank and address", 0x321, 0x8030},
  };
  const std::string bank0 = four.Body(0);
  for (const char* line : {"\tld a,BANK(Func_02_4030)\n", "\tld e,BANK(Func_03_4040)\n",
                           "\tdb BANK(Func_02_4050) ; 00:0163\n\tdw Func_02_4050 ; 00:0164\n",
                           "Data_00_0310:\n\tdw Func_00_0230 ; 00:0310\n",
                           "\tdb BANK(Func_02_4030) ; 00:0320\n\tdw Func_02_4030 ; 00:0321\n"}) {
    EXPECT_NE(bank0.find(line), std::string::npos) << line << bank0;
  }

  const std::string rgbds = RgbdsFolder();
  if (rgbds.empty() || std::system("command -v make > /dev/null") != 0) {
    GTEST_SKIP() << "rgbasm and rgblink not found (PATH or RGBDS_BIN), or no make";
  }
  for (const auto& [p, rows] : {std::pair{&two, std::span<const Row>(twoRows)},
                               std::pair{&four, std::span<const Row>(fourRows)}}) {
    TempFolder temp;
    WriteExportFolder(temp.path.string(), p->Export().Files, false);
    const MakeResult checked = RunShiftcheck(temp.path, rgbds);
    ASSERT_EQ(checked.status, 0) << checked.output;
    EXPECT_NE(checked.output.find("references followed them, the other bytes did not change"),
              std::string::npos)
        << checked.output;
    EXPECT_EQ(checked.output.find("no room") == std::string::npos, p == &two) << checked.output;
    if (p == &four) EXPECT_NE(checked.output.find("bank_03.asm: no room"), std::string::npos);
    const std::string shifted = ReadFile(temp.path / "build" / "shift" / "game.gb");
    ASSERT_EQ(shifted.size(), p->rom->RomSize);
    auto at = [&](uint32_t o) { return static_cast<uint8_t>(shifted[o]); };
    for (uint32_t o = 0x7FFC; o < 0x8000; ++o) EXPECT_EQ(at(o), p->rom->RomImage[o]) << o;
    for (const Row& r : rows) {
      const uint32_t operand = r.operand + 1, target = r.target + r.moved;
      if (r.relative) {
        EXPECT_EQ(operand + 1 + static_cast<int8_t>(at(operand)), target) << r.what;
      } else {
        EXPECT_EQ(at(operand) | at(operand + 1) << 8, CpuAddress(target))
            << r.what << " " << OffsetToBankAddress(r.operand);
      }
    }
  }
}

// The user's pointer tables reach the export through the trace: their entries are names.
TEST(SourceExportTest, MarkedPointerTablesAreNames) {
  Project p(0x10000);
  Put(*p.rom, 0x4000, {0x02, 0x30, 0x40, 0x03, 0x40, 0x40});  // bank, word
  Put(*p.rom, 0x4100, {0x60, 0x01, 0x70, 0x01});              // words
  for (uint32_t ret : {0x8030u, 0xC040u, 0x160u, 0x170u}) p.rom->RomImage[ret] = 0xC9;
  SymbolTables into{p.labels, p.marks, p.comments};
  ReadSymbolText("01:4000 .ptr:6:bw\n01:4100 .ptr:4\n", "game.sym", 4, into);
  p.code = ExportCodeOf(TraceRom(*p.rom, p.labels, p.marks));
  EXPECT_EQ(p.Body(1),
            "\tdb BANK(Func_02_4030) ; 01:4000\n\tdw Func_02_4030 ; 01:4001\n"
            "\tdb BANK(Func_03_4040) ; 01:4003\n\tdw Func_03_4040 ; 01:4004\n"
            "\tds 250, $00 ; 01:4006-01:40FF\n"
            "\tdw Func_00_0160 ; 01:4100\n\tdw Func_00_0170 ; 01:4102\n"
            "; 01:4104-01:7FFF: $00, padded by the linker\n");
}
