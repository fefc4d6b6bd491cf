#include "analysis/Trace.h"

#include <algorithm>

#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/RomChange.h"

namespace {

constexpr int32_t kNoBank = -1;
constexpr int32_t kManyBanks = -2;

// What a straight run of code knows of the registers that select a ROM bank: the value loaded
// into a, the address loaded into hl, and the bank last written to the bank register.
// -1 where the run does not know.
struct RunState {
  int32_t a = -1;
  int32_t hl = -1;
  int64_t bank = -1;
};

bool IsUndefined(uint8_t b0) {
  // D9 is reti on the GameBoy, although the listing shows it as no instruction.
  return b0 != 0xCB && b0 != 0xD9 && DisasmTable[b0].Template == "-";
}

bool IsCall(uint8_t b0) {
  return b0 == 0xCD || b0 == 0xC4 || b0 == 0xCC || b0 == 0xD4 || b0 == 0xDC || b0 == 0xEC;
}

bool IsRst(uint8_t b0) {
  return (b0 & 0xC7) == 0xC7;
}

// Instructions that change a (besides ld a,n, which sets a known value).
bool ChangesA(uint8_t b0, uint8_t b1) {
  if (b0 == 0xCB) return (b1 & 7) == 7 && (b1 >> 6) != 1;  // a shift, rotate, res or set of a
  if (b0 >= 0x78 && b0 <= 0x7F) return true;               // ld a,r
  if (b0 >= 0x80 && b0 <= 0xB7) return true;               // arithmetic on a (not cp)
  switch (b0) {
    case 0x07: case 0x0A: case 0x0F: case 0x17: case 0x1A: case 0x1F: case 0x27: case 0x2A:
    case 0x2F: case 0x3A: case 0x3C: case 0x3D: case 0xC6: case 0xCE: case 0xD6: case 0xDE:
    case 0xE6: case 0xEE: case 0xF0: case 0xF1: case 0xF2: case 0xF6: case 0xFA:
      return true;
    default:
      return IsCall(b0) || IsRst(b0);
  }
}

// Instructions that change h or l (besides ld hl,d16).
bool ChangesHl(uint8_t b0, uint8_t b1) {
  if (b0 == 0xCB) {
    const int r = b1 & 7;
    return (r == 4 || r == 5) && (b1 >> 6) != 1;
  }
  if (b0 >= 0x60 && b0 <= 0x6F) return true;  // ld h,r and ld l,r
  switch (b0) {
    case 0x09: case 0x19: case 0x22: case 0x23: case 0x24: case 0x25: case 0x26: case 0x29:
    case 0x2A: case 0x2B: case 0x2C: case 0x2D: case 0x2E: case 0x32: case 0x39: case 0x3A:
    case 0xE1: case 0xF8:
      return true;
    default:
      return IsCall(b0) || IsRst(b0);
  }
}

class Tracer {
 public:
  explicit Tracer(const TraceInput& input)
      : image_(input.Image), size_(static_cast<uint32_t>(input.Image.size())) {
    classes_.assign(size_, ByteClass::Unknown);
    for (const MarkBlock& block : input.Marks.Blocks()) {
      if (block.Kind == MarkKind::Code || block.Offset >= size_) continue;
      const uint32_t end = std::min(block.End(), size_);
      std::fill(classes_.begin() + block.Offset, classes_.begin() + end,
                block.Kind == MarkKind::Text ? ByteClass::Text : ByteClass::Data);
    }
    labelBank_.assign(0x4000, kNoBank);
    for (int32_t offset : input.LabelOffsets) {
      if (offset < 0x4000) continue;
      int32_t& bank = labelBank_[CpuAddress(static_cast<uint32_t>(offset)) - 0x4000];
      const auto b = static_cast<int32_t>(BankOf(static_cast<uint32_t>(offset)));
      bank = bank == kNoBank || bank == b ? b : kManyBanks;
    }
    // MBC5 takes the bank number as written (bank 0 too) and its 2000-2FFF register holds only
    // the low eight bits; the others turn a 0 into bank 1.
    const uint8_t cartType = size_ > 0x147 ? image_[0x147] : 0;
    mbc5_ = cartType >= 0x19 && cartType <= 0x1E;
  }

  Trace Run(const TraceInput& input) {
    std::vector<uint32_t> entries = {0x100};
    for (uint32_t v = 0; v <= 0x60; v += 8) entries.push_back(v);
    for (int32_t offset : input.LabelOffsets)
      if (offset >= 0) entries.push_back(static_cast<uint32_t>(offset));
    for (const MarkBlock& block : input.Marks.Blocks())
      if (block.Kind == MarkKind::Code) entries.push_back(block.Offset);
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    // Entries come off the stack in ascending order; targets found on the way go first.
    pending_.assign(entries.rbegin(), entries.rend());
    while (!pending_.empty()) {
      const uint32_t start = pending_.back();
      pending_.pop_back();
      RunFrom(start);
    }
    Trace trace;
    trace.Classes = std::move(classes_);
    trace.Refs = References(std::move(refs_));
    return trace;
  }

 private:
  uint8_t At(uint32_t offset) const { return offset < size_ ? image_[offset] : 0; }

  // Decodes one straight run of code from `start` until it ends, meets bytes already classed, or
  // would leave its bank.
  void RunFrom(uint32_t start) {
    RunState state;
    uint32_t pos = start;
    while (pos < size_ && classes_[pos] == ByteClass::Unknown) {
      const uint8_t b0 = image_[pos];
      if (IsUndefined(b0)) return;
      const uint8_t length = InstructionLength(b0);
      const uint32_t end = pos + length;
      if (end > size_ || BankOf(end - 1) != BankOf(pos)) return;
      for (uint32_t i = pos + 1; i < end; ++i)
        if (classes_[i] != ByteClass::Unknown) return;
      classes_[pos] = ByteClass::Code;
      for (uint32_t i = pos + 1; i < end; ++i) classes_[i] = ByteClass::Operand;
      if (!Step(pos, state)) return;
      // Running off the end of a bank's window reaches whatever is mapped after it.
      if (end >= size_ || BankOf(end) != BankOf(pos)) return;
      pos = end;
    }
  }

  // Notes the references of the instruction at `pos` and what it tells of the bank registers.
  // False when execution does not go on to the next instruction.
  bool Step(uint32_t pos, RunState& state) {
    const uint8_t b0 = image_[pos];
    const uint8_t b1 = At(pos + 1);
    const auto word = static_cast<uint16_t>(b1 | (At(pos + 2) << 8));
    bool goesOn = true;
    switch (b0) {
      case 0xC3:
        Flow(pos, word, RefKind::Jump, state);
        goesOn = false;
        break;
      case 0xC2: case 0xCA: case 0xD2: case 0xDA: case 0xF2:
        Flow(pos, word, RefKind::Branch, state);
        break;
      case 0x18: case 0x20: case 0x28: case 0x30: case 0x38: {
        // The displacement counts from the end of the two-byte jr.
        const auto target = static_cast<uint16_t>(CpuAddress(pos) + 2 + static_cast<int8_t>(b1));
        Flow(pos, target, b0 == 0x18 ? RefKind::Jump : RefKind::Branch, state);
        goesOn = b0 != 0x18;
        break;
      }
      case 0xC9: case 0xD9: case 0xE9:  // ret, reti, jp hl
        goesOn = false;
        break;
      case 0xFA:
        Add(pos, word, RefKind::Read, state);
        break;
      case 0xEA: case 0x08:
        Add(pos, word, RefKind::Write, state);
        break;
      case 0xF0:
        Add(pos, static_cast<uint16_t>(0xFF00 | b1), RefKind::Read, state);
        break;
      case 0xE0:
        Add(pos, static_cast<uint16_t>(0xFF00 | b1), RefKind::Write, state);
        break;
      case 0x01: case 0x11: case 0x21: case 0x31:
        // Small values are often counts, but the listing names them by their labels all the
        // same, and References answers where a name is used.
        Add(pos, word, RefKind::Pointer, state);
        break;
      default:
        if (IsCall(b0)) Flow(pos, word, RefKind::Call, state);
        if (IsRst(b0)) {
          Flow(pos, static_cast<uint16_t>(b0 & 0x38), RefKind::Rst, state);
          // An rst to a vector that holds the same rst (FF at 0038, the fill of empty ROM)
          // calls itself until the stack runs over: it never comes back.
          goesOn = At(b0 & 0x38u) != b0;
        }
        break;
    }
    TrackBankWrites(b0, b1, word, state);
    return goesOn;
  }

  void TrackBankWrites(uint8_t b0, uint8_t b1, uint16_t word, RunState& state) {
    if (b0 == 0xEA && state.a >= 0) WriteBank(word, state.a, state);
    if (b0 == 0x77 && state.hl >= 0 && state.a >= 0) WriteBank(state.hl, state.a, state);
    if (b0 == 0x36 && state.hl >= 0) WriteBank(state.hl, b1, state);
    if (ChangesA(b0, b1)) state.a = -1;
    if (ChangesHl(b0, b1)) state.hl = -1;
    if (b0 == 0x3E) state.a = b1;
    if (b0 == 0x21) state.hl = word;
  }

  void WriteBank(int32_t address, int32_t value, RunState& state) const {
    if (address < 0x2000 || address > 0x3FFF) return;
    if (mbc5_) {
      if (address < 0x3000) state.bank = value;  // 3000-3FFF holds the ninth bit
      return;
    }
    state.bank = value == 0 ? 1 : value;
  }

  // The reference of a 16-bit address used by the instruction at `pos`.
  Reference Resolve(uint32_t pos, uint16_t address, RefKind kind, const RunState& state) const {
    if (address >= 0x8000) return {pos, address, kind, RefSpace::Ram};
    // Writes to ROM addresses set the cartridge's registers, they change no ROM byte.
    if (kind == RefKind::Write) return {pos, address, kind, RefSpace::Mbc};
    if (address < 0x4000) return {pos, address, kind, RefSpace::Rom};
    const uint32_t low = address & 0x3FFFu;
    if (pos >= kBankSize) return {pos, BankOf(pos) * kBankSize + low, kind, RefSpace::Rom};
    if (state.bank >= 0) {
      return {pos, static_cast<uint32_t>(state.bank) * kBankSize + low, kind, RefSpace::Rom};
    }
    const int32_t bank = labelBank_[low];
    if (bank >= 0) return {pos, static_cast<uint32_t>(bank) * kBankSize + low, kind, RefSpace::Rom};
    return {pos, address, kind, RefSpace::UnknownBank};
  }

  void Add(uint32_t pos, uint16_t address, RefKind kind, const RunState& state) {
    // Below 0100 a loaded or read operand is a count, a mask or a constant far more often than
    // a place (the vectors are reached by rst and by interrupts, not by pointers).
    if (address < 0x100 && (kind == RefKind::Pointer || kind == RefKind::Read)) return;
    refs_.push_back(Resolve(pos, address, kind, state));
  }

  void Flow(uint32_t pos, uint16_t address, RefKind kind, const RunState& state) {
    const Reference ref = Resolve(pos, address, kind, state);
    refs_.push_back(ref);
    if (ref.Space == RefSpace::Rom && ref.Target < size_ &&
        classes_[ref.Target] == ByteClass::Unknown) {
      pending_.push_back(ref.Target);
    }
  }

  const std::vector<uint8_t>& image_;
  uint32_t size_;
  bool mbc5_ = false;
  std::vector<ByteClass> classes_;
  // Per CPU address 4000-7FFF: the one bank whose labels stand there, kNoBank or kManyBanks.
  std::vector<int32_t> labelBank_;
  std::vector<Reference> refs_;
  std::vector<uint32_t> pending_;
};

}  // namespace

uint32_t Trace::InstructionStartAt(uint32_t offset) const {
  uint32_t start = offset;
  // No instruction is longer than three bytes.
  while (start > 0 && offset - start < 2 && ClassAt(start) == ByteClass::Operand) --start;
  return ClassAt(start) == ByteClass::Code ? start : offset;
}

uint32_t Trace::NextInstructionStart(uint32_t offset) const {
  if (!IsTraced(offset)) return offset + 1;
  uint32_t next = InstructionStartAt(offset) + 1;
  while (ClassAt(next) == ByteClass::Operand) ++next;
  return next;
}

void FillTraceLabels(TraceInput& input, const LabelTables& labels, const RomMarks& marks) {
  input.LabelOffsets.clear();
  input.LabelOffsets.reserve(labels.RomLabels().size());
  for (const RomLabel& label : labels.RomLabels()) input.LabelOffsets.push_back(label.Offset);
  input.Marks = marks;
}

Trace TraceRom(const TraceInput& input) {
  return Tracer(input).Run(input);
}

Trace TraceRom(const Rom& rom, const LabelTables& labels, const RomMarks& marks) {
  TraceInput input;
  const std::span<const uint8_t> image = RomBytes(rom);
  input.Image.assign(image.begin(), image.end());
  FillTraceLabels(input, labels, marks);
  return TraceRom(input);
}
