#pragma once
// What a straight run of code knows of the CPU's registers: constants loaded into them, and,
// inside a routine looked at on its own, the values it was entered with and the bytes after its
// caller's call (reached through the return address it pops). Enough to tell where a far call
// or a jump through hl goes.

#include <cstdint>
#include <vector>

// One 8-bit register's value.
struct Val {
  enum Kind : uint8_t {
    Unknown,
    Const,   // N
    Entry,   // what register N held when the routine was entered
    Inline,  // the byte at the return address + N
    RetLo,   // the low byte of the return address + N
    RetHi,   // its high byte
  };
  Kind kind = Unknown;
  uint16_t n = 0;
  bool operator==(const Val&) const = default;
  bool IsConst() const { return kind == Const; }
};

// A register pair read as one 16-bit value.
struct Word {
  enum Kind : uint8_t {
    Unknown,
    Const,       // N
    EntryPair,   // the pair of entry registers: high N >> 3, low N & 7
    InlineWord,  // the little-endian word at the return address + N
    Ret,         // the return address + N
  };
  Kind kind = Unknown;
  uint16_t n = 0;
};

// Register numbers as the opcodes encode them; 6 is [hl], not a register.
enum Reg : uint8_t { kB = 0, kC = 1, kD = 2, kE = 3, kH = 4, kL = 5, kA = 7 };

// Reads a ROM byte at a CPU address, or -1 where the bank there is not known.
struct RomReader {
  const uint8_t* image = nullptr;
  uint32_t size = 0;
  int64_t bank = -1;  // the bank seen at 4000-7FFF, or -1
  int Read(uint16_t address) const;
};

class Registers {
 public:
  // All unknown; `asRoutine` makes each register its entry value and lets a pop with nothing
  // pushed take the return address.
  explicit Registers(bool asRoutine = false);

  Val& operator[](int r) { return regs_[r]; }
  const Val& operator[](int r) const { return regs_[r]; }
  Word Pair(int high, int low) const;
  Word Hl() const { return Pair(kH, kL); }
  // The value pushed last, or Unknown; used where `push hl; ret` jumps to it.
  Word Top() const;

  // Follows the instruction at the start of `bytes` (three bytes, the opcode first).
  void Step(const uint8_t* bytes, const RomReader& rom);
  // After a call into code that is not followed: every register may have changed.
  void Forget();

 private:
  Val regs_[8];
  std::vector<Val> stack_;  // pairs, high byte first
  bool asRoutine_ = false;
  bool returnPopped_ = false;

  void SetPair(int high, int low, Word w);
  // inc rr / dec rr of pair 0 (bc), 1 (de) or 2 (hl).
  void Move(int pair, int delta);
  Val ReadThrough(int high, int low, const RomReader& rom) const;
  void Alu(int op, Val src);
};
