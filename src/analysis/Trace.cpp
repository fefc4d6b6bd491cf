#include "analysis/Trace.h"

#include <algorithm>

#include "analysis/PointerTargets.h"
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

constexpr uint16_t kIe = 0xFFFF;  // interrupt enable: bit n lets the vector 40 + 8n run
constexpr uint32_t kFirstInterrupt = 0x40, kLastInterrupt = 0x60;

bool IsFlowEnd(uint8_t b0) {
  return b0 == 0xC3 || b0 == 0x18 || b0 == 0xC9 || b0 == 0xD9 || b0 == 0xE9;
}

struct Pending {
  uint32_t at;
  ByteReason why;
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
                block.Kind == MarkKind::Text       ? ByteClass::Text
                : block.Kind == MarkKind::Pointers ? ByteClass::Pointers
                                                   : ByteClass::Data);
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
    // With two banks, or without a bank controller, 4000-7FFF can only ever show bank 1.
    onlyBank1_ = size_ <= 2 * kBankSize || cartType == 0x00 || cartType == 0x08 || cartType == 0x09;
  }

  Trace Run(const TraceInput& input) {
    for (const MarkBlock& block : input.Marks.Blocks()) {
      if (block.Offset >= size_) continue;
      if (block.Kind == MarkKind::Code) {
        Seed(block.Offset, {ReasonKind::Mark, block.Offset});
      } else {
        spans_.push_back({block.Offset, std::min(block.End(), size_), {ReasonKind::Mark, block.Offset}});
      }
    }
    // The user's pointer tables: references from their entries, and code where they hold routines.
    TableTargets tables = PointerTableTargets(input.Image, input.Marks);
    refs_.insert(refs_.end(), tables.Refs.begin(), tables.Refs.end());
    for (const TableEntry& e : tables.Entries) Seed(e.Target, {ReasonKind::Table, e.Table});
    Seed(0x100, {ReasonKind::Start, 0x100});
    std::vector<uint32_t> labels;
    for (int32_t offset : input.LabelOffsets)
      if (offset >= 0) labels.push_back(static_cast<uint32_t>(offset));
    std::sort(labels.begin(), labels.end());
    labels.erase(std::unique(labels.begin(), labels.end()), labels.end());
    for (uint32_t offset : labels) Seed(offset, {ReasonKind::Label, offset});
    for (;;) {
      Drain();
      if (SeedInterrupts()) continue;
      if (SeedPlausibleVectors()) continue;
      break;
    }
    Trace trace;
    trace.Classes = std::move(classes_);
    trace.Refs = References(std::move(refs_));
    std::sort(spans_.begin(), spans_.end(),
              [](const ReasonSpan& a, const ReasonSpan& b) { return a.Start < b.Start; });
    trace.Reasons = std::move(spans_);
    return trace;
  }

 private:
  uint8_t At(uint32_t offset) const { return offset < size_ ? image_[offset] : 0; }

  void Seed(uint32_t at, ByteReason why) {
    if (at < size_) {
      pending_.push_back({at, why});
      Drain();
    }
  }

  // Traces until no target is left; targets found on the way go first.
  void Drain() {
    while (!pending_.empty()) {
      const Pending next = pending_.back();
      pending_.pop_back();
      RunFrom(next.at, next.why);
    }
  }

  // The interrupt vectors whose interrupts traced code enables.
  bool SeedInterrupts() {
    bool any = false;
    for (uint32_t v = kFirstInterrupt; v <= kLastInterrupt; v += 8) {
      const int bit = static_cast<int>(v - kFirstInterrupt) / 8;
      if (ieFrom_[bit] < 0 || v >= size_ || classes_[v] != ByteClass::Unknown) continue;
      pending_.push_back({v, {ReasonKind::Interrupt, static_cast<uint32_t>(ieFrom_[bit])}});
      any = true;
    }
    return any;
  }

  // The vectors that nothing calls or enables but that decode as a whole routine each.
  bool SeedPlausibleVectors() {
    bool any = false;
    for (uint32_t v = 0; v <= kLastInterrupt && v < size_; v += 8) {
      if (vectorChecked_[v / 8] || classes_[v] != ByteClass::Unknown) continue;
      vectorChecked_[v / 8] = true;
      if (!Plausible(v, 0x100)) continue;
      pending_.push_back({v, {ReasonKind::Plausible, v}});
      Drain();
      any = true;
    }
    return any;
  }

  // Whether decoding from `start` looks like a routine: no undefined opcode, no instruction
  // running into bytes already classed (other than the start of traced code, which it joins),
  // no jump into the middle of an instruction or into data, and a last instruction that ends
  // the flow (ret, reti, jp, jr, jp hl) before `limit`.
  bool Plausible(uint32_t start, uint32_t limit) const {
    std::vector<uint32_t> starts;
    std::vector<uint32_t> targets;
    uint32_t pos = start;
    bool ended = false;
    while (!ended) {
      if (pos >= size_ || pos >= limit || BankOf(pos) != BankOf(start)) return false;
      if (classes_[pos] == ByteClass::Code) break;
      if (classes_[pos] != ByteClass::Unknown) return false;
      const uint8_t b0 = image_[pos];
      if (IsUndefined(b0)) return false;
      const uint8_t b1 = At(pos + 1);
      // stop is followed by a 00 in code that means it.
      if (b0 == 0x10 && b1 != 0x00) return false;
      const uint32_t end = pos + InstructionLength(b0);
      if (end > size_ || BankOf(end - 1) != BankOf(pos)) return false;
      for (uint32_t i = pos + 1; i < end; ++i)
        if (classes_[i] != ByteClass::Unknown) return false;
      if (IsRst(b0) && At(b0 & 0x38u) == b0) return false;
      const auto word = static_cast<uint16_t>(b1 | (At(pos + 2) << 8));
      const bool jr = b0 == 0x18 || b0 == 0x20 || b0 == 0x28 || b0 == 0x30 || b0 == 0x38;
      const bool jp = b0 == 0xC3 || b0 == 0xC2 || b0 == 0xCA || b0 == 0xD2 || b0 == 0xDA;
      if (jr || jp || IsCall(b0)) {
        const uint16_t address =
            jr ? static_cast<uint16_t>(CpuAddress(pos) + 2 + static_cast<int8_t>(b1)) : word;
        // Targets in the same window as the start: bank 0, or the start's own bank.
        if (address < 0x4000 || (address < 0x8000 && start >= kBankSize)) {
          const uint32_t target = address < 0x4000 ? address : BankOf(start) * kBankSize + (address & 0x3FFFu);
          if (target >= size_) return false;
          const ByteClass c = classes_[target];
          if (c != ByteClass::Unknown && c != ByteClass::Code) return false;
          if (c == ByteClass::Unknown && IsUndefined(image_[target])) return false;
          targets.push_back(target);
        }
      }
      starts.push_back(pos);
      ended = IsFlowEnd(b0);
      pos = end;
    }
    // A target inside the decoded bytes must be one of its instruction starts.
    for (uint32_t t : targets) {
      if (t >= start && t < pos && !std::binary_search(starts.begin(), starts.end(), t)) return false;
    }
    return true;
  }

  // Decodes one straight run of code from `start` until it ends, meets bytes already classed, or
  // would leave its bank.
  void RunFrom(uint32_t start, ByteReason why) {
    RunState state;
    uint32_t pos = start;
    while (pos < size_ && classes_[pos] == ByteClass::Unknown) {
      const uint8_t b0 = image_[pos];
      if (IsUndefined(b0)) break;
      const uint8_t length = InstructionLength(b0);
      const uint32_t end = pos + length;
      if (end > size_ || BankOf(end - 1) != BankOf(pos)) break;
      bool free = true;
      for (uint32_t i = pos + 1; i < end; ++i) free = free && classes_[i] == ByteClass::Unknown;
      if (!free) break;
      classes_[pos] = ByteClass::Code;
      for (uint32_t i = pos + 1; i < end; ++i) classes_[i] = ByteClass::Operand;
      const bool goesOn = Step(pos, state);
      pos = end;
      // Running off the end of a bank's window reaches whatever is mapped after it.
      if (!goesOn || end >= size_ || BankOf(end) != BankOf(end - 1)) break;
    }
    if (pos > start) spans_.push_back({start, pos, why});
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
      case 0xC2: case 0xCA: case 0xD2: case 0xDA:
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
    TrackBankWrites(pos, b0, b1, word, state);
    return goesOn;
  }

  void TrackBankWrites(uint32_t pos, uint8_t b0, uint8_t b1, uint16_t word, RunState& state) {
    if (state.a >= 0 && ((b0 == 0xE0 && b1 == 0xFF) || (b0 == 0xEA && word == kIe) ||
                         (b0 == 0x77 && state.hl == kIe))) {
      EnableInterrupts(pos, state.a);
    }
    if (b0 == 0x36 && state.hl == kIe) EnableInterrupts(pos, b1);
    // set n,[hl]
    if (b0 == 0xCB && (b1 & 0xC7) == 0xC6 && state.hl == kIe) EnableInterrupts(pos, 1 << ((b1 >> 3) & 7));
    if (b0 == 0xEA && state.a >= 0) WriteBank(word, state.a, state);
    if (b0 == 0x77 && state.hl >= 0 && state.a >= 0) WriteBank(state.hl, state.a, state);
    if (b0 == 0x36 && state.hl >= 0) WriteBank(state.hl, b1, state);
    if (ChangesA(b0, b1)) state.a = -1;
    if (ChangesHl(b0, b1)) state.hl = -1;
    if (b0 == 0x3E) state.a = b1;
    if (b0 == 0x21) state.hl = word;
  }

  void EnableInterrupts(uint32_t pos, int32_t value) {
    for (int bit = 0; bit < 5; ++bit)
      if ((value >> bit) & 1 && ieFrom_[bit] < 0) ieFrom_[bit] = pos;
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
    if (onlyBank1_) return {pos, kBankSize + low, kind, RefSpace::Rom};
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
      pending_.push_back({ref.Target, {ReasonKind::Traced, pos}});
    }
  }

  const std::vector<uint8_t>& image_;
  uint32_t size_;
  bool mbc5_ = false;
  bool onlyBank1_ = false;
  // Per interrupt (VBlank, STAT, timer, serial, joypad): the instruction that enables it, or -1.
  int64_t ieFrom_[5] = {-1, -1, -1, -1, -1};
  bool vectorChecked_[13] = {};
  std::vector<ReasonSpan> spans_;
  std::vector<ByteClass> classes_;
  // Per CPU address 4000-7FFF: the one bank whose labels stand there, kNoBank or kManyBanks.
  std::vector<int32_t> labelBank_;
  std::vector<Reference> refs_;
  std::vector<Pending> pending_;
};

}  // namespace

uint32_t Trace::InstructionStartAt(uint32_t offset) const {
  uint32_t start = offset;
  // No instruction is longer than three bytes.
  while (start > 0 && offset - start < 2 && ClassAt(start) == ByteClass::Operand) --start;
  return ClassAt(start) == ByteClass::Code ? start : offset;
}

ByteReason Trace::ReasonAt(uint32_t offset) const {
  auto it = std::upper_bound(Reasons.begin(), Reasons.end(), offset,
                             [](uint32_t o, const ReasonSpan& s) { return o < s.Start; });
  if (it == Reasons.begin()) return {};
  --it;
  return offset < it->End ? it->Reason : ByteReason{};
}

std::string_view ClassName(ByteClass c) {
  switch (c) {
    case ByteClass::Code:
    case ByteClass::Operand: return "code";
    case ByteClass::Data: return "data";
    case ByteClass::Text: return "text";
    case ByteClass::Image: return "image";
    case ByteClass::Pointers: return "pointers";
    case ByteClass::Unknown: break;
  }
  return "unknown";
}

std::string ReasonText(const ByteReason& r) {
  const std::string from = OffsetToBankAddress(r.From);
  switch (r.Kind) {
    case ReasonKind::None: return "";
    case ReasonKind::Start: return "entry point";
    case ReasonKind::Traced: return "traced from " + from;
    case ReasonKind::Interrupt: return "interrupt enabled at " + from;
    case ReasonKind::Plausible: return "vector";
    case ReasonKind::FarCall: return "far call from " + from + " via " + OffsetToBankAddress(r.Via);
    case ReasonKind::Table: return "table at " + from;
    case ReasonKind::TableUse: return "table used at " + from;
    case ReasonKind::FarPointer: return "far pointer of the call at " + from;
    case ReasonKind::Label: return "label";
    case ReasonKind::Executed: return "executed";
    case ReasonKind::Mark: return "your mark";
    case ReasonKind::Read: return "read from " + from;
    case ReasonKind::LogRead: return "read when run";
  }
  return "";
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
