#pragma once
// A source project that RGBDS (rgbasm, rgblink) rebuilds into the loaded ROM byte for byte: one
// .asm file per bank, each assembled on its own, a main file with the entry point and the
// header, the registers in hardware.inc and the names of RAM in ram.asm, a README, and a
// Makefile that links into build/ and then checks the result against the original's SHA-1.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "analysis/Trace.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/Rom.h"
#include "model/TextTable.h"

// What is known of the ROM's code besides the user's code blocks.
struct ExportCode {
  // Non-zero where a traced instruction starts (RomSize entries; empty when nothing is traced).
  std::vector<uint8_t> Starts;
  // Instructions whose address operand reaches a place the analysis knows, in a bank other
  // than the one the operand alone would tell (bank 0's far operands, a far call's address):
  // source offset -> the file offset reached.
  std::unordered_map<uint32_t, uint32_t> BankedTargets;
  // Instructions that load a far call's bank (ld a,n): source offset -> the place called.
  std::unordered_map<uint32_t, uint32_t> BankOperands;
  // Data that holds addresses: the words of pointer tables and of a far call's inline operands
  // (offset of the word -> the place it points to), and the bank bytes beside the latter
  // (offset -> the place whose bank it is).
  std::unordered_map<uint32_t, uint32_t> Words;
  std::unordered_map<uint32_t, uint32_t> BankBytes;
  // Places that code reads as data through an address it loads: each gets a name.
  std::vector<uint32_t> DataTargets;
  // Calls of a bank-switching routine: the call's offset -> the place it reaches. The export
  // finds the loads of its bank and address before the call (ld a,n / ld hl,n16 in the same
  // run), or its bank byte and address word right after it.
  std::unordered_map<uint32_t, uint32_t> FarCalls;
  // Entries of pointer tables (a word, a bank byte and a word, or a word and a bank byte): the
  // entry's first byte -> the place it points to. The export finds the word and the bank byte.
  std::unordered_map<uint32_t, uint32_t> PointerEntries;
  // Addresses in 0000-3FFF that code writes: the cartridge's bank registers, not ROM bytes. A
  // label there is a constant.
  std::unordered_set<uint32_t> WrittenRegisters;
  // Instructions whose 16-bit operand the trace takes for a ROM address (a jump or call target,
  // a place read or loaded), whatever its bank: those written as a number are counted.
  std::unordered_set<uint32_t> AddressSources;
};

// The trace's instruction starts and the banks it found for bank 0's far operands.
ExportCode ExportCodeOf(const Trace& trace);

struct ExportInput {
  const Rom& rom;
  const LabelTables& labels;
  const RomMarks& marks;
  const RomComments& comments;
  const ExportCode& code;
  // The ROM's file name; the project is named after it ("europa.gb" -> europa.asm).
  std::string romName;
  // The game's text encoding: with one, it becomes charmap.inc and text blocks db strings.
  const TextTable* table = nullptr;
  // Each instruction line ends with its bank address as a comment ("; 01:4150").
  bool addresses = false;
};

struct ExportFile {
  std::string Name;
  std::string Text;
};

struct ExportSummary {
  uint32_t Banks = 0;
  uint32_t InstructionBytes = 0;  // bytes written as instructions; the rest are db/ds
  size_t SymbolLabels = 0;        // labels of the symbol file placed in the ROM
  size_t GeneratedLabels = 0;     // names made for jump, call and branch targets
  size_t Constants = 0;           // RAM names and labels past the ROM's end
  size_t LabelOperands = 0;       // operands written as a name
  // ROM addresses that code holds written as numbers, per bank of the instruction: they do
  // not follow their target when code moves.
  std::vector<uint32_t> NumbersPerBank;
  size_t Numbers = 0;
};

struct ExportedSource {
  std::vector<ExportFile> Files;
  ExportSummary Summary;
};

// Called after each bank with the number done and the total.
using ExportProgress = std::function<void(uint32_t done, uint32_t total)>;

// Writes the project in memory. Traced code and code blocks become instructions wherever the
// assembler gives back their exact bytes; everything else is data, text blocks as strings
// through the table's charmap where rgbasm gives back their bytes. Throws an error Failure for
// an empty ROM.
ExportedSource ExportSource(const ExportInput& input, const ExportProgress& progress = {});

// "64 banks; 41.2% of the bytes as instructions; 2400 labels (2353 from the symbol file, 47
// made for jump targets); 285 RAM names; 1200 operands by name; 66 ROM addresses left as numbers"
std::string ExportSummaryText(const ExportSummary& summary, uint32_t romSize);

// The project's name for a ROM file name: its base name without the extension, with every
// character other than letters, digits, "_" and "-" as "_" ("My Game.gb" -> "My_Game").
std::string ProjectName(const std::string& romFileName);
