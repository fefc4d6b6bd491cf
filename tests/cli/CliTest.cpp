// Runs the built velmora-cli on ROMs, sources, symbol files and patches made here, and checks
// its output, its error line and its exit status against the core.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "gfx/Png.h"
#include "gfx/TileImage.h"
#include "isa/Listing.h"
#include "model/Header.h"
#include "model/Labels.h"
#include "model/NumberText.h"
#include "model/SymbolFile.h"
#include "patch/Bps.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

struct Result {
  int status;
  std::string out, err;
};

struct CliFixture : ::testing::Test {
  fs::path dir;

  CliFixture() {
    std::string tmpl = (fs::temp_directory_path() / "velmora-cli-XXXXXX").string();
    dir = ::mkdtemp(tmpl.data());
  }
  ~CliFixture() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    return Write(name, std::string(bytes.begin(), bytes.end()));
  }
  // Every name in the folder with its bytes: what a refused command must leave as it was.
  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string name = fs::relative(entry.path(), dir).string();
      files[name] = entry.is_regular_file() ? Read(name) : "(folder)";
    }
    return files;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The program run in `dir` with the arguments, its two outputs caught in files.
  Result Run(std::vector<std::string> args) const {
    const std::string out = Path(".out"), err = Path(".err");
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(dir.c_str()) != 0) ::_exit(120);
      ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
      ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
      std::vector<char*> argv{const_cast<char*>(VELMORA_CLI)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(VELMORA_CLI, argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    Result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(".out"), Read(".err")};
    fs::remove(out);
    fs::remove(err);
    return r;
  }
};

// 64 KiB of varied code with a header: every opcode shows up, words point into ROM and RAM.
Bytes MakeRomBytes(size_t size = 0x10000) {
  Bytes rom(size);
  uint32_t x = 7;
  for (auto& b : rom) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  const std::string title = "CLI TEST";
  for (size_t i = 0; i < 16; ++i) rom[0x134 + i] = i < title.size() ? title[i] : 0;
  rom[0x143] = 0x00;
  rom[0x147] = 0x01;
  rom[0x148] = 0x01;
  return rom;
}

Rom RomOf(const Bytes& bytes) {
  Rom rom;
  std::copy(bytes.begin(), bytes.end(), rom.RomImage.begin());
  rom.RomSize = static_cast<uint32_t>(bytes.size());
  rom.BankCount = rom.RomSize >> 14;
  return rom;
}

const char kSym[] =
    "; labels\n00:0150 Start\n00:0200 Loop\n00:0200 Again\n01:4000 Far\n03:7FF0 End\nC0:C000 "
    "wVar\n00:0160 .data:13\n01:4010 .text:8\n00:01f0 .code:20\n;@comment 00:0150 entry; here\n"
    ";@comment 00:0168 the table's second line\n";

}  // namespace

TEST_F(CliFixture, DisasmPrintsTheCoresListingLines) {
  const Bytes bytes = MakeRomBytes();
  Write("game.gb", bytes);
  Write("game.sym", kSym);  // beside the ROM, found as the window finds it
  Write("other.sym", "00:0151 Elsewhere\n");
  const Rom rom = RomOf(bytes);
  struct Row {
    std::vector<std::string> args;
    const char* sym;
    ValueFormat format;
    uint32_t from, to;
  };
  const Row rows[] = {
      {{"disasm", "game.gb"}, kSym, ValueFormat::Hex, 0, 0xFFFF},
      {{"disasm", "game.gb", "--format", "dec", "--from", "01:4000", "--to", "$4100"},
       kSym,
       ValueFormat::Dec,
       0x4000,
       0x4100},
      {{"disasm", "game.gb", "--sym", "other.sym", "--format", "bin", "--from", "300"},
       "00:0151 Elsewhere\n",
       ValueFormat::Bin,
       300,
       0xFFFF},
  };
  for (const Row& r : rows) {
    LabelTables labels;
    RomMarks marks;
    RomComments comments;
    ReadSymbolText(r.sym, "x.sym", rom.BankCount, {labels, marks, comments});
    const Listing listing =
        BuildListing(rom, labels, r.format, r.from, 0x10000, {&marks, &comments});
    std::string expected;
    for (size_t i = 0; i < listing.Lines.size() && uint32_t(listing.LineOffsets[i]) <= r.to; ++i) {
      expected += listing.Lines[i].Text + "\n";
    }
    const Result result = Run(r.args);
    EXPECT_EQ(result.status, 0) << r.args[2];
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(result.out == expected) << r.args.size() << " args, " << result.out.size()
                                        << " bytes printed, " << expected.size() << " expected";
  }
  EXPECT_NE(Run({"disasm", "game.gb"}).out.find("\n@Again:\n00:0200 "), std::string::npos);
}

TEST_F(CliFixture, AsmWritesAllOrNothing) {
  const Bytes bytes = MakeRomBytes();
  Write("game.gb", bytes);
  Write("game.sym", kSym);
  Write("ok.asm",
        "// a routine\r\norg 01:4100\r\n@Top:\r\nld a,$10// count\r\ndec a\r\njr nz,@Top\r\n"
        "call @Loop\r\ndb $AA,$BB \t// two\r\ndw $1234\r\nrlc a\r\n");
  EXPECT_EQ(Run({"asm", "game.gb", "ok.asm", "-o", "new.gb"}).status, 0);
  EXPECT_EQ(Read("game.gb"), std::string(bytes.begin(), bytes.end()));
  Bytes want = bytes;
  const Bytes code{0x3E, 0x10, 0x3D, 0x20, 0xFB, 0xCD, 0x00,
                   0x02, 0xAA, 0xBB, 0x34, 0x12, 0xCB, 0x07};
  std::copy(code.begin(), code.end(), want.begin() + 0x4100);
  EXPECT_TRUE(Read("new.gb") == std::string(want.begin(), want.end()));
  const Result inPlace = Run({"asm", "game.gb", "ok.asm"});
  EXPECT_EQ(inPlace.status, 0);
  EXPECT_EQ(inPlace.out + inPlace.err, "");
  EXPECT_TRUE(Read("game.gb") == std::string(want.begin(), want.end()));
  Write("game.gb", bytes);

  struct Row {
    std::string source;
    std::string err;
  };
  const Row rows[] = {
      {"org 01:4000\nnop\nld a,\"x\"\nnop\n",
       "bad.asm:3: Assembling failed, syntax error: unsupported instruction \"ld a,\"x\"\"."},
      {"nop\n",
       "bad.asm:1: Compiling error: no orgion declared, you must set the address where compiled "
       "code will be placed e.g. \"org 01:4100\"."},
      {"org 01:4000\n@A\nnop\n@A\n", "bad.asm:4: Label @A is defined twice."},
      {"org 01:4000\nnop\norg 09:4000\nnop\n",
       "bad.asm:3: Address conversion error. This rom has $04 banks, please use \"Tool->Rom "
       "Extender\" to make rom bigger so you can access bank $09."},
      {"org 01:4000\njp @Nowhere\n", "bad.asm:2: Label Nowhere is not defined."},
      {"org 01:4003\njr $5000\n",
       "bad.asm:2: Jump target $5000 is out of reach of jr (-128 to 127 bytes)."},
      {"org 01:4000\nld bc,$12345\n",
       "bad.asm:2: Value $12345 does not fit in a word (-32768 to 65535)."},
  };
  for (const Row& r : rows) {
    Write("bad.asm", r.source);
    const Result result = Run({"asm", "game.gb", "bad.asm", "-o", "out.gb"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, r.err + "\n");
    EXPECT_FALSE(fs::exists(Path("out.gb")));
    EXPECT_EQ(Run({"asm", "game.gb", "bad.asm"}).status, 2);
    EXPECT_TRUE(Read("game.gb") == std::string(bytes.begin(), bytes.end())) << r.err;
  }
  const Result missing = Run({"asm", "game.gb", "none.asm"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "none.asm: File not found.\n");
}

TEST_F(CliFixture, SearchPrintsTheFirstOrEveryMatch) {
  Bytes bytes(0x8000, 0x00);
  for (uint32_t at : {0x150u, 0x4123u, 0x7000u}) {
    bytes[at] = 0xC3, bytes[at + 1] = 0x00, bytes[at + 2] = 0x02;
  }
  Write("game.gb", bytes);
  Write("game.sym", "00:0200 Again\n");
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  };
  const Row rows[] = {
      {{"--bytes", "$C3 00 02"}, 0, "00:0150\n", ""},
      {{"--bytes", "195 0 2", "--all"}, 0, "00:0150\n01:4123\n01:7000\n", ""},
      {{"--inst", "jp @Again", "--all"}, 0, "00:0150\n01:4123\n01:7000\n", ""},
      {{"--inst", "jp $0200"}, 1, "", ""},  // the listing shows the label, so no line reads so
      {{"--inst", "jp $0200", "--sym", "empty.sym"}, 0, "00:0150\n", ""},
      {{"--bytes", "$C3 01"}, 1, "", ""},
      {{"--bytes", "12 x"},
       2,
       "",
       "velmora-cli: --bytes 12 x: 'x' is not a valid integer value.\n"},
      {{"--inst", "jp ?"},
       2,
       "",
       "velmora-cli: --inst jp ?: Please replace question marks with a value.\n"},
      {{}, 2, "", "velmora-cli: search needs one of --bytes, --inst and --text.\n"},
      {{"--bytes", "1", "--sym", "none.sym"}, 2, "", "none.sym: File not found.\n"},
      // A line that cannot be read is skipped and said; the rest of the file serves.
      {{"--inst", "jp @Ok", "--sym", "bad.sym"},
       0,
       "00:0150\n",
       "velmora-cli: 1 line of bad.sym skipped; line 2: zz:0100 Bad\n"},
  };
  Write("empty.sym", "");
  Write("bad.sym", "00:0200 Ok\nzz:0100 Bad\n");
  for (const Row& r : rows) {
    std::vector<std::string> args{"search", "game.gb"};
    args.insert(args.end(), r.args.begin(), r.args.end());
    const Result result = Run(args);
    EXPECT_EQ(result.status, r.status) << args.back();
    EXPECT_EQ(result.out, r.out) << args.back();
    EXPECT_EQ(result.err, r.err) << args.back();
  }
}

TEST_F(CliFixture, MapRangesTraceWithTheSymbolFilesLabels) {
  // 0100 jumps to 0150, which reads 0400 through hl; 0300 is reached by nothing but its label.
  Bytes bytes(0x8000, 0xD3);
  const std::pair<uint32_t, Bytes> parts[] = {{0x100, {0x00, 0xC3, 0x50, 0x01}},
                                              {0x150, {0x21, 0x00, 0x04, 0x2A, 0xC9}},
                                              {0x300, {0x3E, 0x02, 0xC9}},
                                              {0x400, {0x3E, 0x01, 0xC9}}};
  for (const auto& [at, part] : parts) std::copy(part.begin(), part.end(), bytes.begin() + at);
  Write("game.gb", bytes);
  Write("game.sym", "00:0300 Lonely\n00:0400 Message\n");
  Write("empty.sym", "");
  const std::string head =
      "00:0000 00:00FF unknown\n"
      "00:0100 00:0103 code entry point\n"
      "00:0104 00:014F unknown\n"
      "00:0150 00:0154 code traced from 00:0101\n";
  const std::string tail =
      "00:0400 00:04FF data read from 00:0150\n"
      "00:0500 00:3FFF unknown\n"
      "01:4000 01:7FFF unknown\n";
  struct Row {
    std::vector<std::string> args;
    std::string out;
  };
  const Row rows[] = {
      {{"map", "game.gb", "--ranges"},
       head + "00:0155 00:02FF unknown\n00:0300 00:0302 code label\n00:0303 00:03FF unknown\n" +
           tail},
      {{"map", "game.gb", "--ranges", "--sym", "empty.sym"}, head + "00:0155 00:03FF unknown\n" + tail},
  };
  for (const Row& r : rows) {
    const Result result = Run(r.args);
    EXPECT_EQ(result.status, 0) << testing::PrintToString(r.args);
    EXPECT_EQ(result.out, r.out) << testing::PrintToString(r.args);
    EXPECT_EQ(result.err, "") << testing::PrintToString(r.args);
  }
}

TEST_F(CliFixture, XrefsAndMapOfTracedCode) {
  // D3 is no instruction: only what runs from 0100 and the label is code.
  Bytes bytes(0x8000, 0xD3);
  const Bytes code = {0xCD, 0x00, 0x02, 0xFA, 0x00, 0xC0, 0xC3, 0x00, 0x02};
  std::copy(code.begin(), code.end(), bytes.begin() + 0x100);
  const Bytes again = {0xEA, 0x00, 0xC0, 0xC9};
  std::copy(again.begin(), again.end(), bytes.begin() + 0x200);
  Write("game.gb", bytes);
  Write("game.sym", "00:0200 Again\nC0:C000 wVar\n");
  const std::string toAgain = "call    00:0100 call @Again\njump    00:0106 jp @Again\n";
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  };
  const Row rows[] = {
      {{"xrefs", "game.gb", "Again"}, 0, toAgain, ""},
      {{"xrefs", "game.gb", "00:0200"}, 0, toAgain, ""},
      {{"xrefs", "game.gb", "@wVar"}, 0,
       "read    00:0103 ld a,[@wVar]\nwrite   00:0200 ld [@wVar],a\n", ""},
      {{"xrefs", "game.gb", "$0103"}, 1, "", ""},
      {{"xrefs", "game.gb", "@Nowhere"}, 2, "", "velmora-cli: @Nowhere: no such label.\n"},
      {{"xrefs", "game.gb", "nosuchlabel"}, 2, "", "velmora-cli: nosuchlabel: no such label.\n"},
      // RAM and registers by their address alone, named or not.
      {{"xrefs", "game.gb", "C000", "--sym", "empty.sym"}, 0,
       "read    00:0103 ld a,[$C000]\nwrite   00:0200 ld [$C000],a\n", ""},
      {{"xrefs", "game.gb", "$c000"}, 0,
       "read    00:0103 ld a,[@wVar]\nwrite   00:0200 ld [@wVar],a\n", ""},
      {{"xrefs", "game.gb", "00:C000"}, 0,
       "read    00:0103 ld a,[@wVar]\nwrite   00:0200 ld [@wVar],a\n", ""},
      {{"xrefs", "game.gb", "$FF80"}, 1, "", ""},
      {{"xrefs", "game.gb", "00:0200", "--sym", "empty.sym"}, 0,
       "call    00:0100 call $0200\njump    00:0106 jp $0200\n", ""},
      {{"map", "game.gb"}, 0,
       "bank     code     data     text  unknown\n"
       "00       0.1%     0.0%     0.0%    99.9%\n"
       "01       0.0%     0.0%     0.0%   100.0%\n"
       "all      0.0%     0.0%     0.0%   100.0%\n"
       "bytes: code 13, data 0, text 0, unknown 32755\n",
       ""},
  };
  Write("empty.sym", "");
  for (const Row& r : rows) {
    const Result result = Run(r.args);
    EXPECT_EQ(result.status, r.status) << testing::PrintToString(r.args);
    EXPECT_EQ(result.out, r.out) << testing::PrintToString(r.args);
    EXPECT_EQ(result.err, r.err) << testing::PrintToString(r.args);
  }
}

TEST_F(CliFixture, InfoAndFixChecksumsOnABuiltHeader) {
  const Bytes bytes = MakeRomBytes();
  Write("game.gb", bytes);
  const Result info = Run({"info", "game.gb"});
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("Title:           CLI TEST\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Cartridge type:  $01 MBC1\n"), std::string::npos);
  EXPECT_NE(info.out.find("ROM size:        $01 = 64 KiB, file 64 KiB\n"), std::string::npos);
  EXPECT_NE(info.out.find(" computed (wrong)\n"), std::string::npos);

  const Rom rom = RomOf(bytes);
  Bytes fixed = bytes;
  for (const ByteRun& run : FixChecksums(rom).Runs) {
    std::copy(run.Bytes.begin(), run.Bytes.end(), fixed.begin() + run.Offset);
  }
  const Result fix = Run({"fix-checksums", "game.gb", "-o", "fixed.gb"});
  EXPECT_EQ(fix.status, 0);
  EXPECT_TRUE(Read("fixed.gb") == std::string(fixed.begin(), fixed.end()));
  EXPECT_TRUE(Read("game.gb") == std::string(bytes.begin(), bytes.end()));
  char line[80];
  std::snprintf(line, sizeof line, "fixed.gb: header checksum $%02X, global checksum $%02X%02X\n",
                fixed[0x14D], fixed[0x14E], fixed[0x14F]);
  EXPECT_EQ(fix.out, line);
  EXPECT_EQ(Run({"info", "fixed.gb"}).out.find("(wrong)"), std::string::npos);
  EXPECT_EQ(Run({"fix-checksums", "game.gb"}).status, 0);
  EXPECT_TRUE(Read("game.gb") == Read("fixed.gb"));

  Write("short.gb", Bytes(0x100, 0));
  for (const char* command : {"info", "fix-checksums"}) {
    const Result r = Run({command, "short.gb"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "short.gb: The ROM is too short for a header: it has 256 bytes, the header ends at "
              "byte 336 ($150).\n");
  }
  EXPECT_EQ(Read("short.gb"), std::string(0x100, '\0'));
}

TEST_F(CliFixture, PatchMakeAndApply) {
  const Bytes original = MakeRomBytes();
  Bytes modified = original;
  std::fill_n(modified.begin() + 0x3000, 0x100, 0xFF);
  modified.resize(0x20000, 0xFF);
  Write("orig.gb", original);
  Write("mod.gb", modified);
  for (const char* patch : {"hack.ips", "hack.BPS"}) {
    EXPECT_EQ(Run({"patch", "make", "orig.gb", "mod.gb", "-o", patch}).status, 0);
    EXPECT_EQ(Run({"patch", "apply", "orig.gb", patch, "-o", "out.gb"}).status, 0);
    EXPECT_TRUE(Read("out.gb") == Read("mod.gb")) << patch;
  }
  EXPECT_EQ(Run({"patch", "apply", "orig.gb", "hack.ips"}).status, 0);
  EXPECT_TRUE(Read("orig.gb") == Read("mod.gb"));

  // Applied to the ROM it was not made for, a BPS patch is refused and nothing is written; the
  // ROM it makes is told apart.
  Bytes other = original;
  other[0x2000] ^= 1;
  Write("other.gb", other);
  const Result wrong = Run({"patch", "apply", "other.gb", "hack.BPS", "-o", "x.gb"});
  EXPECT_EQ(wrong.status, 2);
  char text[120];
  std::snprintf(text, sizeof text,
                "hack.BPS: This patch is for another ROM (CRC32 %08X, this ROM has %08X).\n",
                Crc32(original), Crc32(other));
  EXPECT_EQ(wrong.err, text);
  const Result applied = Run({"patch", "apply", "mod.gb", "hack.BPS", "-o", "x.gb"});
  EXPECT_EQ(applied.err, "hack.BPS: This patch is already applied.\n");
  EXPECT_FALSE(fs::exists(Path("x.gb")));
  const Result format = Run({"patch", "make", "orig.gb", "mod.gb", "-o", "hack.ups"});
  EXPECT_EQ(format.status, 2);
  EXPECT_EQ(format.err,
            "hack.ups: 'hack.ups' names no patch format: the name must end in .ips "
            "or .bps.\n");
}

// A patch that replaces nearly every byte of a 16 MiB ROM is itself over 16 MiB; it is written
// as the window writes it, and applies.
TEST_F(CliFixture, PatchesOver16MiBAreWritten) {
  Write("zeros.gb", Bytes(16u << 20, 0));
  Write("full.gb", MakeRomBytes(16u << 20));
  for (const char* patch : {"big.ips", "big.bps"}) {
    const Result made = Run({"patch", "make", "zeros.gb", "full.gb", "-o", patch});
    EXPECT_EQ(made.err, "") << patch;
    EXPECT_GT(fs::file_size(Path(patch)), uintmax_t{16} << 20) << patch;
    EXPECT_EQ(Run({"patch", "apply", "zeros.gb", patch, "-o", "out.gb"}).status, 0) << patch;
    EXPECT_TRUE(Read("out.gb") == Read("full.gb")) << patch;
  }
}

TEST_F(CliFixture, BadUsageIsStatusTwoWithOneLine) {
  Write("game.gb", MakeRomBytes());
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"dance"},
      {"disasm"},
      {"disasm", "game.gb", "--format", "oct"},
      {"disasm", "game.gb", "--from", "zz"},
      {"disasm", "game.gb", "--from", "$10000"},
      {"search", "game.gb", "--bytes", "1", "--inst", "nop"},
      {"patch", "make", "game.gb", "game.gb"},
      {"info", "game.gb", "extra"},
      {"xrefs", "game.gb"},
      {"xrefs", "game.gb", "zz"},
      {"map"},
  };
  for (const auto& args : rows) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(Run({"disasm", "game.gb", "--from", "zz"}).err,
            "velmora-cli: --from zz: 'zz' is not a valid integer value.\n");
  EXPECT_EQ(Run({"--version"}).out, "velmora-cli 1.0.0\n");
  EXPECT_NE(Run({"--help"}).out.find("Exit status: 0 done or found, 1 nothing found"),
            std::string::npos);
  for (const char* command : {"disasm", "asm", "search", "info", "fix-checksums", "patch",
                              "xrefs", "map", "text"}) {
    const Result help = Run({command, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage:"), std::string::npos) << command;
  }
}

// Each refusal: status 2, one line on stderr naming the cause, nothing printed, nothing written.
TEST_F(CliFixture, RefusalsNameTheirCauseAndWriteNothing) {
  Write("game.gb", MakeRomBytes());
  Write("one.gb", Bytes{0x00});
  Write("ok.asm", "org 01:4000\nnop\n");
  Write("hack.ips", std::string("PATCH\x00\x01\x00\x00\x01\xAA"
                                "EOF",
                                13));
  fs::create_directory(Path("folder"));
  // The ROM's own symbol file reads; the file of additions after it does not.
  Write("two.gb", MakeRomBytes());
  Write("two.sym", "00:0150 Main\n");
  fs::create_directory(Path("two.velmora.sym"));
  const std::string emptyName = " an empty file name is not allowed (see --help)";
  struct Row {
    std::vector<std::string> args;
    std::string err;
  } rows[] = {
      {{"asm", "game.gb", "ok.asm", "-o", ""}, "velmora-cli: -o:" + emptyName},
      {{"fix-checksums", "game.gb", "-o", ""}, "velmora-cli: -o:" + emptyName},
      {{"patch", "apply", "game.gb", "hack.ips", "-o", ""}, "velmora-cli: -o:" + emptyName},
      {{"info", ""}, "velmora-cli: ROM:" + emptyName},
      {{"disasm", "game.gb", "--sym", ""}, "velmora-cli: --sym:" + emptyName},
      {{"disasm", "game.gb", "--from", "01:4000", "--to", "00:0000"},
       "velmora-cli: --from 01:4000: lies after --to 00:0000."},
      {{"disasm", "one.gb", "--from", "1"},
       "velmora-cli: --from 1: lies outside the ROM (1 byte)."},
      {{"search", "game.gb", "--bytes", ""},
       "velmora-cli: --bytes: an empty pattern is not allowed."},
      {{"search", "game.gb", "--inst", " "},
       "velmora-cli: --inst: an empty pattern is not allowed."},
      {{"info", "folder"}, "folder: Is a folder, not a file."},
      {{"asm", "game.gb", "ok.asm", "-o", "folder"}, "folder: Is a folder, not a file."},
      {{"fix-checksums", "game.gb", "-o", "missing/out.gb"},
       "missing/out.gb: The folder missing does not exist."},
      {{"patch", "make", "game.gb", "one.gb", "-o", "game.gb/out.ips"},
       "game.gb/out.ips: game.gb is not a folder."},
      {{"--bogus"}, "velmora-cli: unknown option --bogus (see --help)"},
      {{"disasm", "game.gb", "--bogus"}, "velmora-cli: unknown option --bogus (see --help)"},
      {{"disasm", "game.gb", "--sym", "folder"}, "folder: Is a folder, not a file."},
      {{"map", "two.gb"}, "two.velmora.sym: Is a folder, not a file."},
  };
  const auto before = Contents();
  for (const Row& r : rows) {
    const Result result = Run(r.args);
    EXPECT_EQ(result.status, 2) << r.err;
    EXPECT_EQ(result.err, r.err + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contents() == before) << r.err;
  }
}

// info --check answers like cmp; fix-checksums leaves a right ROM's file as it was, time and all.
TEST_F(CliFixture, ChecksumsAreCheckedAndARightRomIsLeftAlone) {
  Bytes right = MakeRomBytes();
  for (const ByteRun& run : FixChecksums(RomOf(right)).Runs) {
    std::copy(run.Bytes.begin(), run.Bytes.end(), right.begin() + run.Offset);
  }
  Bytes header = right, global = right;
  header[0x14D] ^= 1;
  global[0x14F] ^= 1;
  const struct {
    const char* name;
    const Bytes& bytes;
    int checkStatus;
  } checks[] = {{"right.gb", right, 0}, {"header.gb", header, 1}, {"global.gb", global, 1}};
  for (const auto& c : checks) {
    Write(c.name, c.bytes);
    EXPECT_EQ(Run({"info", c.name, "--check"}).status, c.checkStatus) << c.name;
    EXPECT_EQ(Run({"info", c.name}).status, 0) << c.name;
  }

  const std::string kept = ": the checksums are right already; the file is left unchanged\n";
  const struct {
    std::vector<std::string> args;
    std::string out;
  } fixes[] = {
      {{"fix-checksums", "right.gb"}, "right.gb" + kept},
      {{"fix-checksums", "right.gb", "-o", "./right.gb"}, "right.gb" + kept},
      {{"fix-checksums", "right.gb", "-o", "copy.gb"},
       "copy.gb: header checksum $" + IntToHex(right[0x14D], 2) + ", global checksum $" +
           IntToHex(right[0x14E] << 8 | right[0x14F], 4) + "\n"},
  };
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
  fs::last_write_time(Path("right.gb"), old);
  struct stat was {};
  ::stat(Path("right.gb").c_str(), &was);
  for (const auto& f : fixes) {
    const Result result = Run(f.args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, f.out);
    struct stat is {};
    ::stat(Path("right.gb").c_str(), &is);
    EXPECT_EQ(is.st_ino, was.st_ino);
    EXPECT_TRUE(fs::last_write_time(Path("right.gb")) == old);
  }
  EXPECT_TRUE(Read("copy.gb") == Read("right.gb"));
}

// export writes the core's project, refuses to write over an earlier one unless told to or into
// the ROM's folder, and names the folder in its error line.
TEST_F(CliFixture, ExportWritesTheSourceProjectOnce) {
  Write("game.gb", MakeRomBytes());
  Write("game.sym", kSym);
  const Result made = Run({"export", "game.gb", "-o", "src"});
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out.rfind("src: 4 banks; ", 0), 0u) << made.out;
  EXPECT_NE(Read("src/bank_00.asm").find("\nStart:\n"), std::string::npos);
  EXPECT_NE(Read("src/Makefile").find("ROM := build/game.gb\n"), std::string::npos);
  // Never into the ROM's own folder, where make would write beside it.
  const Result here = Run({"export", "game.gb", "-o", "."});
  EXPECT_EQ(here.err, ".: '.' holds game.gb; choose an empty folder.\n");
  EXPECT_FALSE(std::filesystem::exists(Path("Makefile")));
  Write("src/bank_01.asm", "edited");
  const Result again = Run({"export", "game.gb", "-o", "src"});
  EXPECT_NE(again.status, 0);
  EXPECT_EQ(again.err,
            "src: 'src' already holds an exported source (game.asm); choose another folder or "
            "replace it.\n");
  EXPECT_EQ(Read("src/bank_01.asm"), "edited");
  EXPECT_EQ(Run({"export", "game.gb", "-o", "src", "--replace"}).status, 0);
  EXPECT_NE(Read("src/bank_01.asm"), "edited");
}

TEST_F(CliFixture, TextThroughATableAndSearchForIt) {
  // Letters from $80, a blank at $7F, strings ended by $FF.
  Bytes bytes(0x8000, 0x00);
  const Bytes hello = {0x87, 0x84, 0x8B, 0x8B, 0x8E, 0x7F, 0x96, 0x8E, 0x91, 0x8B, 0x83, 0xFF};
  std::copy(hello.begin(), hello.end(), bytes.begin() + 0x4000);
  std::copy(hello.begin(), hello.begin() + 5, bytes.begin() + 0x7FF0);
  Write("game.gb", bytes);
  std::string table = "7F= \n/FF\n";
  for (char c = 'A'; c <= 'Z'; ++c) {
    char line[16];
    std::snprintf(line, sizeof line, "%02X=%c\n", 0x80 + (c - 'A'), c);
    table += line;
  }
  Write("game.tbl", table);
  Write("bad.tbl", table + "ZZ=x\n");
  Write("other.gb", bytes);
  // Marked as text, it lists as text where there is a table (game.tbl beside game.gb).
  Write("game.sym", "01:4000 .text:c\n");
  Write("other.sym", "01:4000 .text:c\n");
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  };
  const Row rows[] = {
      {{"text", "game.gb", "--from", "01:4000", "--to", "$400D"},
       0,
       "01:4000 \"HELLO WORLD<$FF>\"\n01:400C \"<$00><$00>\"\n",
       ""},
      {{"text", "game.gb", "--tbl", "bad.tbl", "--from", "$7FFE"},
       0,
       "01:7FFE \"<$00><$00>\"\n",
       "bad.tbl: 1 line of bad.tbl skipped: line 29: ZZ=x\n"},
      {{"search", "game.gb", "--text", "HELLO", "--all"}, 0, "01:4000\n01:7FF0\n", ""},
      {{"search", "game.gb", "--text", "WORLD"}, 0, "01:4006\n", ""},
      {{"search", "game.gb", "--text", "HELLO WORLD "}, 1, "", ""},
      {{"search", "game.gb", "--text", "Hello"},
       2,
       "",
       "velmora-cli: --text Hello: The table has no entry for 'e'.\n"},
      {{"search", "other.gb", "--text", "HELLO"},
       2,
       "",
       "velmora-cli: no table: give one with --tbl (or put other.tbl beside the ROM).\n"},
      {{"text", "game.gb", "--tbl", "none.tbl"}, 2, "", "none.tbl: File not found.\n"},
      {{"disasm", "game.gb", "--from", "01:4000", "--to", "$400C"},
       0,
       "01:4000          \"HELLO WORLD<$FF>\"\n01:400C 00       nop\n",
       ""},
      {{"disasm", "other.gb", "--from", "01:4008", "--to", "$4008"},
       0,
       "01:4008          db $91,$8B,$83,$FF\n",
       ""},
  };
  for (const Row& r : rows) {
    const Result result = Run(r.args);
    EXPECT_EQ(result.status, r.status) << testing::PrintToString(r.args);
    EXPECT_EQ(result.out, r.out) << testing::PrintToString(r.args);
    EXPECT_EQ(result.err, r.err) << testing::PrintToString(r.args);
  }
  // The export reads the table beside the ROM too: a charmap, and the text block as a string.
  ASSERT_EQ(Run({"export", "game.gb", "-o", "src"}).status, 0);
  EXPECT_NE(Read("src/bank_01.asm").find("\tdb \"HELLO WORLD\", $FF ; 01:4000\n"),
            std::string::npos);
  EXPECT_NE(Read("src/charmap.inc").find("\ncharmap \"A\", $80\n"), std::string::npos);
}

// Tiles out as a picture and back in: the picture is the core's, and importing it (edited or
// not) gives the ROM its bytes; refusals leave every file as it was.
TEST_F(CliFixture, TilesOutAndBackIn) {
  const Bytes bytes = MakeRomBytes();
  Write("game.gb", bytes);
  const Rom rom = RomOf(bytes);
  const Result out = Run({"tiles", "game.gb", "--from", "01:4000", "--to", "$40FF", "--width",
                          "4", "--palette", "$1B", "-o", "t.png"});
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(out.out + out.err, "");
  const Bytes png = EncodePng(TilesToImage(&rom.RomImage[0x4000], 0x100, {4, 2, false}, 0x1B));
  EXPECT_TRUE(Read("t.png") == std::string(png.begin(), png.end()));
  EXPECT_EQ(Run({"tiles", "game.gb", "--from", "0", "--to", "15", "--1bpp", "--8x16", "-o",
                 "one.png"}).status, 0);
  EXPECT_EQ(ReadPngFile(Path("one.png")).Height, 16u);

  // The picture of 01:4000 written at 02:8000 of a copy: those bytes, nothing else changed.
  EXPECT_EQ(Run({"tiles", "game.gb", "--import", "t.png", "--at", "02:4000", "--palette", "$1B",
                 "-o", "new.gb"}).status, 0);
  Bytes want = bytes;
  std::copy(bytes.begin() + 0x4000, bytes.begin() + 0x4100, want.begin() + 0x8000);
  EXPECT_TRUE(Read("new.gb") == std::string(want.begin(), want.end()));

  const auto files = Contents();
  struct Row {
    std::vector<std::string> args;
    const char* err;
  };
  const Row rows[] = {
      {{"tiles", "game.gb", "--from", "0", "--to", "14", "-o", "x.png"},
       "velmora-cli: --from 0 --to 14: hold no whole tile (16 bytes).\n"},
      {{"tiles", "game.gb", "--from", "0", "--to", "$10000", "-o", "x.png"},
       "velmora-cli: --to $10000: lies outside the ROM (65536 bytes).\n"},
      {{"tiles", "game.gb", "--from", "0", "--to", "15", "--palette", "$100", "-o", "x.png"},
       "velmora-cli: --palette $100: The palette is a byte as the BGP register holds it, $00 to "
       "$FF (as in $E4).\n"},
      {{"tiles", "game.gb", "--from", "0", "--to", "15"},
       "velmora-cli: tiles needs --from, --to and -o (or --import and --at).\n"},
      {{"tiles", "game.gb", "--import", "t.png", "-o", "x.gb"},
       "velmora-cli: tiles --import needs --at.\n"},
      {{"tiles", "game.gb", "--import", "t.png", "--at", "03:7FF0", "--palette", "$1B"},
       "t.png: its 16 tiles (256 bytes) do not fit the ROM at 03:7FF0.\n"},
      {{"tiles", "game.gb", "--import", "t.png", "--at", "0", "--palette", "0"},
       "t.png: Palette $00 gives no colour number the shade #000000.\n"},
      {{"tiles", "game.gb", "--import", "t.png", "--at", "0", "--width", "2", "--palette", "$1B"},
       "t.png: The picture is 32 x 32 pixels; 8 tiles, 2 a row, take 16 x 32.\n"},
      {{"tiles", "game.gb", "--import", "game.gb", "--at", "0"},
       "game.gb: The file is not a PNG picture.\n"},
  };
  for (const Row& r : rows) {
    const Result result = Run(r.args);
    EXPECT_EQ(result.status, 2) << r.err;
    EXPECT_EQ(result.err, r.err);
  }
  EXPECT_TRUE(Contents() == files);
}

#ifdef VELMORA_HAVE_EMULATOR
namespace {
// A cartridge that shows the buttons held: each frame the background's colour 0 turns the shade
// of A or Select (1), B or Start (2), or none (0).
Bytes ButtonShadeRom() {
  Bytes rom(0x8000, 0);
  const Bytes entry = {0x00, 0xC3, 0x50, 0x01};
  std::copy(entry.begin(), entry.end(), rom.begin() + 0x100);
  const Bytes program = {
      0xF0, 0x44, 0xFE, 0x90, 0x20, 0xFA,  // wait for line 144
      0x3E, 0x10, 0xE0, 0x00,              // select the buttons
      0xF0, 0x00, 0xF0, 0x00, 0x2F, 0xE6, 0x0F, 0x47, 0xCB, 0x3F, 0xCB, 0x3F, 0xB0, 0xE6, 0x03,
      0xE0, 0x47,                          // into BGP
      0xF0, 0x44, 0xFE, 0x90, 0x28, 0xFA,  // wait for the line to pass
      0x18, 0xDD,                          // and again
  };
  std::copy(program.begin(), program.end(), rom.begin() + 0x150);
  return rom;
}
}  // namespace

TEST_F(CliFixture, RunShowsTheInputAndLogsWhatRan) {
  const std::string rom = Write("game.gb", ButtonShadeRom());
  Write("a.txt", "# A held\n0-9 a\n");
  Write("start.txt", "0-4 START\n5 start\n6-9 Start b\n");
  const auto hash = [&](const std::string& input) {
    const Result r = Run({"run", "game.gb", "--frames", "10", "--input", input, "--hash"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  const std::string a = hash("a.txt");
  EXPECT_EQ(a.substr(0, 3), "10 ");
  EXPECT_EQ(a.size(), 3u + 40 + 1);
  EXPECT_EQ(hash("a.txt"), a);
  EXPECT_NE(hash("start.txt"), a);
  EXPECT_EQ(hash("random:7"), hash("random:7"));

  Result r = Run({"run", "game.gb", "--frames", "10", "--input", "a.txt", "--hash-every", "4"});
  EXPECT_EQ(r.out.substr(0, 2), "4 ");
  EXPECT_EQ(r.out.substr(r.out.size() - 44), a);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);

  // The log goes beside the ROM, and a second run adds to it.
  r = Run({"run", "game.gb", "--frames", "3", "--log", "--screenshot", "shot.png"});
  EXPECT_EQ(r.out, "game.cdl: 39 bytes executed (39 new), 0 read as data\n") << r.err;
  const std::string log = Read("game.cdl");
  ASSERT_EQ(log.size(), 9u + 0x8000);
  const Bytes bytes = ButtonShadeRom();
  const uint32_t crc = Crc32(bytes);
  EXPECT_EQ(log.substr(0, 9), std::string("CDLv2") + std::string(reinterpret_cast<const char*>(&crc), 4));
  EXPECT_EQ(log[9 + 0x150], 0x05);  // code, a jump's target
  EXPECT_EQ(log[9 + 0x151], 0x01);
  EXPECT_EQ(log[9 + 0x14F], 0x00);
  r = Run({"run", "game.gb", "--frames", "3", "--log", "game.cdl"});
  EXPECT_EQ(r.out, "game.cdl: 39 bytes executed (0 new), 0 read as data\n");
  const RgbImage shot = ReadPngFile(Path("shot.png"));
  EXPECT_EQ(shot.Width, 160u);
  EXPECT_EQ(shot.Height, 144u);

  // Refused: nothing is written.
  Write("other.gb", MakeRomBytes());
  Write("bad.txt", "0-9 a\n10-5 b\n");
  Write("worse.txt", "0-9 a jump\n");
  const auto before = Contents();
  const struct {
    std::vector<std::string> args;
    std::string err;
  } refusals[] = {
      {{"run", "other.gb", "--log", "game.cdl"},
       "game.cdl: The code/data log is of another ROM (its size or CRC32 differs).\n"},
      {{"run", "game.gb", "--input", "bad.txt"}, "bad.txt: line 2: the range 10-5 ends before it starts.\n"},
      {{"run", "game.gb", "--input", "worse.txt"},
       "worse.txt: line 1: 'jump' is no button (a b select start up down left right).\n"},
      {{"run", "game.gb", "--input", "random:x"},
       "velmora-cli: --input random:x: the seed is no number (random:1).\n"},
  };
  for (const auto& refusal : refusals) {
    r = Run(refusal.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, refusal.err);
  }
  EXPECT_EQ(Contents(), before);
}
#endif
