#pragma once
// The references that traced instructions make: calls, jumps, branches, rst, reads and writes of
// [a16] and of the high page, and ld rr,d16 values taken as addresses. Looked up by the
// instruction that makes them and by what they reach.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "isa/Decoder.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/Rom.h"

enum class RefKind : uint8_t {
  Call, Jump, Branch, Rst, Read, Write, Pointer,
  FarCall,  // a call through a bank-switching routine (Via) to a known bank and address
  Data,     // an address loaded into a pair that the code then reads through
  Table,    // an entry of a jump table (Source is the entry, not an instruction)
};

// Where a reference leads. A ROM target is a file offset; the others are CPU addresses.
enum class RefSpace : uint8_t {
  Rom,          // a byte of the ROM whose bank is known
  UnknownBank,  // 4000-7FFF seen from bank 0 with no bank write and no single label to tell
  Ram,          // 8000-FFFF: video RAM, work RAM, I/O registers, high RAM
  Mbc,          // a write to 0000-7FFF, which reaches the cartridge's bank controller
};

struct Reference {
  uint32_t Source = 0;  // file offset of the instruction
  uint32_t Target = 0;  // file offset for Rom, CPU address otherwise
  RefKind Kind = RefKind::Call;
  RefSpace Space = RefSpace::Rom;
  uint32_t Via = 0;  // of a far call: file offset of the bank-switching routine
  bool operator==(const Reference&) const = default;
};

// "call", "jump", "branch", "rst", "read", "write", "pointer", "far call", "data", "table".
std::string_view RefKindName(RefKind kind);

class References {
 public:
  References() = default;
  // Takes the references in any order.
  explicit References(std::vector<Reference> refs);

  // Every reference, by source offset (and in the order one instruction made them).
  const std::vector<Reference>& All() const { return bySource_; }
  size_t Size() const { return bySource_.size(); }

  // The references that the instruction at `source` makes.
  std::span<const Reference> From(uint32_t source) const;
  // The references into one target, by source offset. For Rom the target is a file offset; for
  // the other spaces a CPU address.
  std::vector<Reference> To(uint32_t target, RefSpace space = RefSpace::Rom) const;
  size_t CountTo(uint32_t target, RefSpace space = RefSpace::Rom) const;
  // The references whose bank could not be told, to the CPU address a ROM offset is seen at
  // (4000-7FFF): the ones that may lead there. Empty for an offset in bank 0.
  std::vector<Reference> MaybeTo(uint32_t romOffset) const;
  size_t CountMaybeTo(uint32_t romOffset) const;

 private:
  std::vector<Reference> bySource_;
  // Indexes into bySource_ ordered by space, target, then source.
  std::vector<uint32_t> byTarget_;

  std::pair<size_t, size_t> TargetRange(uint32_t target, RefSpace space) const;
};

// What References lists for a place: for a ROM offset the references that reach it, then the
// ones whose bank is unknown that may reach it; for a RAM address (Space Ram) those that reach
// it. Each part by source offset.
std::vector<Reference> ReferencesTo(const References& refs, uint32_t target, RefSpace space);

// What a References list is about: a ROM offset (Space Rom), or a RAM or register address
// (Space Ram).
struct RefPlace {
  uint32_t Where = 0;
  RefSpace Space = RefSpace::Rom;
  uint32_t Via = 0;  // of a far call: file offset of the bank-switching routine
  bool operator==(const RefPlace&) const = default;
};

// How a References list names its place: "@Name" (the last ROM label at the offset, the first
// RAM label at the address), else "01:4150" for the ROM and "$C000" for RAM.
std::string RefPlaceName(const LabelTables& labels, RefPlace place);

// A result line: the kind ("call", or "call?" where the bank is unknown), padded to eight
// characters, then the source's bank address and the instruction the listing shows there:
// "call    00:0150 call @_memset"; for an entry of a pointer table in `marks`, its line:
// "pointer 0D:4800 dw @Intro".
std::string ReferenceLine(const Rom& rom, const LabelTables& labels, ValueFormat format,
                          const Reference& ref, const RomMarks* marks = nullptr);
