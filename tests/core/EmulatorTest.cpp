// The emulator on ROMs built here: what its log says the game executed and read, the buttons
// reaching the game, and the same screen for the same input.
#ifdef VELMORA_HAVE_EMULATOR

#include "run/Emulator.h"

#include <gtest/gtest.h>

#include "Rgbds.h"
#include "model/Failure.h"
#include "isa/Decoder.h"

namespace {

// A game that reads a table, calls an rst, jumps through a `jp hl` table, calls into bank 2 through
// a bank number held in RAM, copies code to RAM and runs it there, and waits for its VBlank
// handler before it loops. Bank 3 and the other table entries are never reached.
constexpr const char* kWalkSource = R"(
SECTION "rst08", ROM0[$08]
Rst08:: inc b
    ret
Rst08End::
SECTION "vblank", ROM0[$40]
Vector40:: jp VBlank
Vector40End::
SECTION "entry", ROM0[$100]
Entry:: nop
    jp Start
EntryEnd::
    ds $150 - @, 0
SECTION "main", ROM0[$150]
Start:: di
    ld sp, $DFFF
    xor a
    ld [wDone], a
    ldh [$FF0F], a
    ld hl, Table
    ld a, [hl+]
    ld b, [hl]
    rst $08
    ld a, 1
    call JumpByIndex
    ld a, 2
    ld [wBank], a
    ld hl, FarFunc
    call FarCall
    ld hl, RamCode
    ld de, wCode
    ld c, RamCodeEnd - RamCode
.copy
    ld a, [hl+]
    ld [de], a
    inc de
    dec c
    jr nz, .copy
    call wCode
    ld a, 1
    ldh [$FFFF], a
    ei
.wait
    halt
    ld a, [wDone]
    and a
    jr z, .wait
Done:: jr Done
StartEnd::
JumpByIndex:: ld hl, JumpTable
    add a, a
    ld e, a
    ld d, 0
    add hl, de
    ld a, [hl+]
    ld h, [hl]
    ld l, a
    jp hl
JumpTable:: dw Target0, Target1, Target2
Target0:: ld c, 0
    ret
Target1:: ld c, 1
    ret
Target2:: ld c, 2
    ret
FarCall:: ld a, [wBank]
    ld [$2000], a
    jp hl
VBlank:: push af
    ld a, 1
    ld [wDone], a
    pop af
    reti
Table:: db $12, $34, $56
RamCode:: ld a, 7
    ret
RamCodeEnd::
SECTION "bank2", ROMX[$4000], BANK[2]
FarFunc:: ld a, 9
    ret
FarFuncEnd::
SECTION "bank3", ROMX[$4000], BANK[3]
Unused:: ld a, 3
    ret
SECTION "wram", WRAM0
wBank: ds 1
wDone: ds 1
wCode: ds 16
)";

// Shows the buttons held: each frame the shade of the background's colour 0 becomes 0 with no
// button held, 1 with A or Select, 2 with B or Start.
constexpr const char* kPaletteSource = R"(
SECTION "entry", ROM0[$100]
    jp Start
    ds $150 - @, 0
SECTION "main", ROM0[$150]
Start: di
.frame
    ldh a, [$FF44]
    cp 144
    jr nz, .frame
    ld a, $10
    ldh [$FF00], a
    ldh a, [$FF00]
    ldh a, [$FF00]
    cpl
    and $0F
    ld b, a
    srl a
    srl a
    or b
    and 3
    ldh [$FF47], a
.line
    ldh a, [$FF44]
    cp 144
    jr z, .line
    jr .frame
)";

void RunFrames(Emulator& emulator, int frames) {
  for (int i = 0; i < frames; ++i) emulator.RunFrame();
}

}  // namespace

TEST(EmulatorTest, LogHoldsWhatTheGameExecutedAndRead) {
  const auto rom = BuildRom(kWalkSource, "-v -p 0xFF -m MBC1");
  if (!rom) GTEST_SKIP() << "RGBDS not found (RGBDS_BIN or PATH)";
  Emulator emulator;
  emulator.SetLogging(true);
  emulator.Load(rom->bytes.data(), static_cast<uint32_t>(rom->bytes.size()));
  RunFrames(emulator, 5);

  // The expected log: runs of executed instructions, each byte code and each first byte a start,
  // and bytes read as data. Everything else stays unmarked: Target0, Target2, bank 3, the table's
  // third byte, the RAM code's bytes as code.
  struct Run {
    const char* from;
    const char* to;  // label after the run, or "" for `count` bytes
    int count;
    bool code;
  };
  const Run runs[] = {
      {"Rst08", "Rst08End", 0, true},        {"Vector40", "Vector40End", 0, true},
      {"Entry", "EntryEnd", 0, true},        {"Start", "StartEnd", 0, true},
      {"JumpByIndex", "JumpTable", 0, true}, {"Target1", "Target2", 0, true},
      {"FarCall", "Table", 0, true},         {"FarFunc", "FarFuncEnd", 0, true},
      {"Table", "", 2, false},               {"JumpTable", "", 0, false},
      {"RamCode", "RamCodeEnd", 0, false},
  };
  std::vector<uint8_t> expected(rom->bytes.size(), 0);
  for (const Run& run : runs) {
    uint32_t at = rom->At(run.from);
    const uint32_t end = *run.to ? rom->At(run.to) : at + run.count;
    while (at < end) {
      if (!run.code) {
        expected[at++] |= kLogData;
        continue;
      }
      const uint8_t length = InstructionLength(rom->bytes[at]);
      expected[at] |= kLogStart;
      for (uint8_t i = 0; i < length; ++i) expected[at + i] |= kLogCode;
      at += length;
    }
  }
  expected[rom->At("JumpTable") + 2] |= kLogData;  // Target1's entry, and only it
  expected[rom->At("JumpTable") + 3] |= kLogData;

  const CodeDataLog& log = emulator.Log();
  ASSERT_EQ(log.Flags.size(), rom->bytes.size());
  for (uint32_t at = 0; at < expected.size(); ++at) {
    ASSERT_EQ(log.Flags[at] & (kLogCode | kLogStart | kLogData), expected[at])
        << "at file offset " << std::hex << at;
  }

  // How each entry was reached.
  const struct {
    const char* label;
    uint8_t flags;
  } entries[] = {
      {"Rst08", kLogSubEntry},          // rst
      {"Vector40", kLogSubEntry},       // the interrupt
      {"JumpByIndex", kLogSubEntry},    // call
      {"Target1", kLogJumpTarget},      // jp hl
      {"FarFunc", kLogJumpTarget},      // jp hl into bank 2
      {"VBlank", kLogJumpTarget},       // jp from the vector
      {"Entry", 0},                     // where the machine starts
  };
  for (const auto& entry : entries) {
    EXPECT_EQ(log.Flags[rom->At(entry.label)] & (kLogSubEntry | kLogJumpTarget), entry.flags)
        << entry.label;
  }

  // The game sits in its last loop, which the offset of PC finds.
  const EmulatorRegisters r = emulator.Registers();
  EXPECT_GE(emulator.RomOffset(r.PC), rom->At("Done"));
  EXPECT_LT(emulator.RomOffset(r.PC), rom->At("StartEnd"));
  EXPECT_EQ(r.Bank, 2u);
}

TEST(EmulatorTest, SameInputGivesTheSameScreen) {
  const auto rom = BuildRom(kPaletteSource);
  if (!rom) GTEST_SKIP() << "RGBDS not found (RGBDS_BIN or PATH)";
  auto screenAfter = [&](uint8_t buttons, bool logging) {
    Emulator emulator;
    emulator.SetLogging(logging);
    emulator.Load(rom->bytes.data(), static_cast<uint32_t>(rom->bytes.size()));
    RunFrames(emulator, 3);
    emulator.SetButtons(buttons);
    RunFrames(emulator, 3);
    return emulator.ScreenRgb();
  };
  const auto start = screenAfter(kButtonStart, false);
  EXPECT_EQ(screenAfter(kButtonStart, false), start);
  EXPECT_EQ(screenAfter(kButtonStart, true), start);  // the log does not change the game
  EXPECT_NE(screenAfter(kButtonA, false), start);
  EXPECT_NE(screenAfter(0, false), start);
}

TEST(EmulatorTest, NonRomIsRefused) {
  const std::vector<uint8_t> bytes(0x100, 0);
  Emulator emulator;
  EXPECT_THROW(emulator.Load(bytes.data(), static_cast<uint32_t>(bytes.size())), Failure);
}

#endif
