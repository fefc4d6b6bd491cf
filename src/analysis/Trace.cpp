#include "analysis/Trace.h"

#include <algorithm>
#include <unordered_map>

#include "analysis/Helpers.h"
#include "analysis/PointerTargets.h"
#include "analysis/Values.h"
#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/RomChange.h"

namespace {

constexpr int32_t kNoBank = -1;
constexpr int32_t kManyBanks = -2;

// What a straight run of code knows: the registers, the bank last written to the bank register
// (-1 where it does not know), the last address loaded into hl (a table's base once the code
// has added an index to it), and per pair bc, de, hl the reference of the ld rr,n16 whose
// address the pair still holds, moved on or indexed (-1 when none).
struct RunState {
  Registers regs;
  int64_t bank = -1;
  int32_t hlBase = -1;
  int32_t hlBaseRef = -1;
  int32_t pointerRef[3] = {-1, -1, -1};
};

// How far a plausible decode looks into the places it jumps to: levels and instructions.
constexpr int kPlausibleDepth = 8;
constexpr int kPlausibleBudget = 2000;

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

// Whether the instruction loads the pair (0 bc, 1 de, 2 hl) with a new value, rather than moving
// along what it holds (inc, dec, add hl,rr, ld a,[hli]) or leaving it.
bool Reloads(uint8_t b0, uint8_t b1, int pair) {
  const int high = 2 * pair, low = 2 * pair + 1;
  const auto writes = [&](int r) { return r == high || r == low; };
  if (b0 >= 0x40 && b0 < 0x80) return b0 != 0x76 && writes((b0 >> 3) & 7);
  if (b0 < 0x40 && (b0 & 0xC7) == 0x06) return writes((b0 >> 3) & 7);
  if (b0 == 0xCB) return (b1 >> 6) != 1 && writes(b1 & 7);
  if ((b0 & 0xCF) == 0xC1) return ((b0 >> 4) & 3) == pair;  // pop
  return pair == 2 && b0 == 0xF8;
}

// The pair an instruction reads memory through: 0 bc, 1 de, 2 hl; -1 for none.
int ReadsThrough(uint8_t b0) {
  if (b0 == 0x0A) return 0;
  if (b0 == 0x1A) return 1;
  if (b0 == 0x2A || b0 == 0x3A) return 2;
  if (b0 >= 0x40 && b0 < 0xC0 && (b0 & 7) == 6 && b0 != 0x76) return 2;  // ld r,[hl], alu [hl]
  return -1;
}

struct Table {
  uint32_t base;    // file offset of the first entry
  uint32_t source;  // the instruction that jumps through it
  int64_t bank;     // the bank its entries in 4000-7FFF reach from bank 0, or -1
};

class Tracer {
 public:
  explicit Tracer(const TraceInput& input)
      : image_(input.Image), size_(static_cast<uint32_t>(input.Image.size())) {
    classes_.assign(size_, ByteClass::Unknown);
    readData_.assign(size_, false);
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
    for (const CodeEntry& e : tables.Entries) Seed(e.Target, {ReasonKind::Table, e.Table});
    ClassLoggedData(input.Log);
    Seed(0x100, {ReasonKind::Start, 0x100});
    SeedExecuted(input.Log);
    for (int32_t offset : input.LabelOffsets)
      if (offset >= 0 && static_cast<uint32_t>(offset) < size_) labels_.push_back(static_cast<uint32_t>(offset));
    std::sort(labels_.begin(), labels_.end());
    labels_.erase(std::unique(labels_.begin(), labels_.end()), labels_.end());
    labelChecked_.assign(labels_.size(), false);
    for (;;) {
      Drain();
      if (ReadTables()) continue;
      if (SeedInterrupts()) continue;
      if (SeedPlausibleVectors()) continue;
      if (SeedFarCallSites()) continue;
      if (SeedAfterRoutines()) continue;
      if (SeedLabels(input.Log)) continue;
      break;
    }
    ClassReadData();
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

  bool LabelAt(uint32_t offset) const {
    return std::binary_search(labels_.begin(), labels_.end(), offset);
  }

  // Bytes the game read and never ran are data (where the user marked nothing).
  void ClassLoggedData(const CodeDataLog& log) {
    const uint32_t end = std::min<uint32_t>(size_, static_cast<uint32_t>(log.Flags.size()));
    for (uint32_t i = 0; i < end;) {
      const auto read = [&](uint32_t at) {
        return (log.Flags[at] & (kLogData | kLogCode)) == kLogData && classes_[at] == ByteClass::Unknown;
      };
      if (!read(i)) {
        ++i;
        continue;
      }
      const uint32_t start = i;
      while (i < end && read(i)) classes_[i++] = ByteClass::Data;
      spans_.push_back({start, i, {ReasonKind::LogRead, start}});
    }
  }

  // The instruction starts the game executed. A log that marks them (kLogStart) gives them
  // all; one that marks only executed bytes gives the first of each run of them and the
  // targets of jumps and calls.
  void SeedExecuted(const CodeDataLog& log) {
    const uint32_t end = std::min<uint32_t>(size_, static_cast<uint32_t>(log.Flags.size()));
    const bool starts = std::any_of(log.Flags.begin(), log.Flags.begin() + end,
                                    [](uint8_t f) { return (f & kLogStart) != 0; });
    for (uint32_t i = 0; i < end; ++i) {
      const uint8_t f = log.Flags[i];
      if (!(f & kLogCode) || classes_[i] != ByteClass::Unknown) continue;
      const bool start = starts ? (f & kLogStart) != 0
                                : i == 0 || !(log.Flags[i - 1] & kLogCode) ||
                                      (f & (kLogJumpTarget | kLogSubEntry)) != 0;
      if (start) Seed(i, {ReasonKind::Executed, i});
    }
  }

  // Labels with no other evidence start a trace when the log saw them run, or when they decode
  // as a whole routine and no traced code reads them as data.
  bool SeedLabels(const CodeDataLog& log) {
    bool any = false;
    for (size_t i = 0; i < labels_.size(); ++i) {
      if (labelChecked_[i]) continue;
      const uint32_t at = labels_[i];
      if (classes_[at] != ByteClass::Unknown) {
        labelChecked_[i] = true;
        continue;
      }
      labelChecked_[i] = true;
      if (log.At(at) & kLogCode) {
        Seed(at, {ReasonKind::Executed, at});
      } else if (!IsReadData(at) && Plausible(at, size_)) {
        Seed(at, {ReasonKind::Label, at});
      } else {
        continue;
      }
      any = true;
    }
    return any;
  }

  bool IsReadData(uint32_t at) const { return at < readData_.size() && readData_[at]; }

  // The places traced code reads through an address it loaded are data, up to the next label,
  // the next such place or classed byte, for at most 256 bytes.
  void ClassReadData() {
    std::sort(dataTargets_.begin(), dataTargets_.end());
    dataTargets_.erase(std::unique(dataTargets_.begin(), dataTargets_.end(),
                                   [](const auto& a, const auto& b) { return a.first == b.first; }),
                       dataTargets_.end());
    for (size_t i = 0; i < dataTargets_.size(); ++i) {
      const auto [at, from] = dataTargets_[i];
      if (classes_[at] != ByteClass::Unknown) continue;
      const uint32_t next = i + 1 < dataTargets_.size() ? dataTargets_[i + 1].first : size_;
      uint32_t end = at;
      while (end < size_ && end < next && end - at < 256 && classes_[end] == ByteClass::Unknown &&
             (end == at || !LabelAt(end)) && BankOf(end) == BankOf(at)) {
        classes_[end++] = ByteClass::Data;
      }
      spans_.push_back({at, end, {ReasonKind::Read, from}});
    }
  }

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

  // Far calls in code not reached yet: `ld r,BANK` and `ld hl,ADDR` (either first) right
  // before a call or jump to a bank-switching routine found so far that takes its bank from r
  // and its address from hl. Eight bytes in that order are code; they are traced from the
  // first load (the far call's target with them).
  bool SeedFarCallSites() {
    std::vector<std::pair<uint32_t, Helper>> found;
    for (const auto& [at, h] : helpers_)
      if (h.kind == Helper::FarCall && h.bank.kind == Val::Entry &&
          h.address.kind == Word::EntryPair && h.address.n == (kH << 3 | kL) && at < kBankSize)
        found.push_back({at, h});
    if (found.size() == farSitesScanned_) return false;
    farSitesScanned_ = found.size();
    bool any = false;
    for (uint32_t pos = 0; pos + 8 <= size_; ++pos) {
      const uint8_t op = image_[pos + 5];
      if (op != 0xCD && op != 0xC3) continue;
      const uint32_t via = image_[pos + 6] | image_[pos + 7] << 8;
      for (const auto& [at, h] : found) {
        if (via != at) continue;
        const uint8_t ldBank = static_cast<uint8_t>(0x06 | h.bank.n << 3);
        const bool bankFirst = image_[pos] == ldBank && image_[pos + 2] == 0x21;
        const bool hlFirst = image_[pos] == 0x21 && image_[pos + 3] == ldBank;
        if ((!bankFirst && !hlFirst) || classes_[pos] != ByteClass::Unknown ||
            BankOf(pos) != BankOf(pos + 7)) {
          continue;
        }
        Seed(pos, {ReasonKind::FarCallSite, pos, at});
        any = true;
      }
    }
    return any;
  }

  // The bytes right after a traced routine's last instruction (a ret, reti, jp or jr), past
  // any fill of 00 or FF, when they decode as a routine: compilers and assemblers put routines
  // one after another, and one reached only through a pointer in RAM is found so.
  bool SeedAfterRoutines() {
    bool any = false;
    while (!afterEnds_.empty()) {
      std::vector<std::pair<uint32_t, uint32_t>> ends;
      ends.swap(afterEnds_);
      for (const auto& [at, from] : ends) {
        uint32_t pos = at;
        while (pos < size_ && pos - at < 16 && (image_[pos] == 0x00 || image_[pos] == 0xFF) &&
               classes_[pos] == ByteClass::Unknown && BankOf(pos) == BankOf(at)) {
          ++pos;
        }
        if (pos >= size_ || BankOf(pos) != BankOf(at) || classes_[pos] != ByteClass::Unknown ||
            IsReadData(pos) || !Plausible(pos, size_)) {
          continue;
        }
        Seed(pos, {ReasonKind::AfterRoutine, from});
        any = true;
      }
    }
    return any;
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
    std::vector<uint32_t> seen;
    int budget = kPlausibleBudget;
    return Plausible(start, limit, 0, budget, seen);
  }

  // The same, where the places it jumps and calls to (in its own window, not yet traced) must
  // decode as routines too, `depth` steps down, until `budget` instructions have been looked at.
  bool Plausible(uint32_t start, uint32_t limit, int depth, int& budget,
                 std::vector<uint32_t>& seen) const {
    std::vector<uint32_t> starts;
    std::vector<uint32_t> targets;
    int nops = 0, moves = 0;
    uint32_t pos = start;
    bool ended = false;
    while (!ended) {
      if (pos >= size_ || pos >= limit || BankOf(pos) != BankOf(start)) return false;
      if (classes_[pos] == ByteClass::Code) break;
      if (classes_[pos] != ByteClass::Unknown) return false;
      const uint8_t b0 = image_[pos];
      if (IsUndefined(b0)) return false;
      const uint8_t b1 = At(pos + 1);
      // stop is followed by a 00 in code that means it; ld r,r of a register to itself does
      // nothing (text decodes as them: 'I', 'R', '[', 'd', 'm'); four nops are padding.
      if (b0 == 0x10 && b1 != 0x00) return false;
      if (b0 == 0xFF && b1 == 0xFF) return false;  // the fill of empty ROM
      if (b0 >= 0x40 && b0 < 0x80 && b0 != 0x76 && (b0 & 7) == ((b0 >> 3) & 7)) return false;
      nops = b0 == 0x00 ? nops + 1 : 0;
      if (nops == 4) return false;
      if (b0 >= 0x40 && b0 < 0x80) ++moves;
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
    // Text decodes mostly as ld r,r' (letters are 40-7F); code moves between registers less.
    if (starts.size() >= 6 && 2 * static_cast<size_t>(moves) > starts.size()) return false;
    // A target inside the decoded bytes must be one of its instruction starts.
    for (uint32_t t : targets) {
      if (t >= start && t < pos && !std::binary_search(starts.begin(), starts.end(), t)) return false;
    }
    budget -= static_cast<int>(starts.size());
    for (uint32_t t : targets) {
      if ((t >= start && t < pos) || classes_[t] != ByteClass::Unknown) continue;
      if (depth >= kPlausibleDepth || budget <= 0) break;
      if (std::find(seen.begin(), seen.end(), t) != seen.end()) continue;
      seen.push_back(t);
      if (!Plausible(t, size_, depth + 1, budget, seen)) return false;
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
      // rst $38 after rst $38 is the fill of empty ROM, not code.
      if (b0 == 0xFF && At(pos + 1) == 0xFF) break;
      const uint8_t length = InstructionLength(b0);
      const uint32_t end = pos + length;
      if (end > size_ || BankOf(end - 1) != BankOf(pos)) break;
      bool free = true;
      for (uint32_t i = pos + 1; i < end; ++i) free = free && classes_[i] == ByteClass::Unknown;
      if (!free) break;
      classes_[pos] = ByteClass::Code;
      for (uint32_t i = pos + 1; i < end; ++i) classes_[i] = ByteClass::Operand;
      const int skip = Step(pos, end, state);
      if (skip > 0) {
        // Bytes after a call that the called routine reads: a bank and an address.
        spans_.push_back({start, end, why});
        spans_.push_back({end, end + skip, {ReasonKind::FarPointer, pos, farVia_}});
        std::fill(classes_.begin() + end, classes_.begin() + end + skip, ByteClass::Pointers);
        start = end + skip;
      }
      if (skip < 0 && IsFlowEnd(b0) && end < size_) afterEnds_.push_back({end, pos});
      pos = end + std::max(skip, 0);
      // Running off the end of a bank's window reaches whatever is mapped after it.
      if (skip < 0 || pos >= size_ || BankOf(pos) != BankOf(end - 1)) break;
    }
    if (pos > start) spans_.push_back({start, pos, why});
  }

  // Notes the references of the instruction at `pos` (ending at `end`) and what it tells of
  // the registers. -1 when execution does not go on after it, else the number of bytes after
  // it that execution skips (the inline operands of a far call).
  int Step(uint32_t pos, uint32_t end, RunState& state) {
    const uint8_t b0 = image_[pos];
    const uint8_t b1 = At(pos + 1);
    const auto word = static_cast<uint16_t>(b1 | (At(pos + 2) << 8));
    int next = 0;
    switch (b0) {
      case 0xC3: {
        // A jump to a bank-switching routine is a far call that returns to our caller.
        const Reference ref = Flow(pos, word, RefKind::Jump, state);
        if (ref.Space == RefSpace::Rom && ref.Target < size_) ThroughHelper(pos, end, ref.Target, state);
        next = -1;
        break;
      }
      case 0xC2: case 0xCA: case 0xD2: case 0xDA:
        Flow(pos, word, RefKind::Branch, state);
        break;
      case 0x18: case 0x20: case 0x28: case 0x30: case 0x38: {
        // The displacement counts from the end of the two-byte jr.
        const auto target = static_cast<uint16_t>(CpuAddress(pos) + 2 + static_cast<int8_t>(b1));
        Flow(pos, target, b0 == 0x18 ? RefKind::Jump : RefKind::Branch, state);
        if (b0 == 0x18) next = -1;
        break;
      }
      case 0xE9:  // jp hl
        JumpThroughHl(pos, state);
        next = -1;
        break;
      case 0xC9: case 0xD9:  // ret, reti
        next = -1;
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
      {
        const int32_t ref = Add(pos, word, RefKind::Pointer, state);
        if (b0 != 0x31) state.pointerRef[b0 >> 4] = ref;
        if (b0 == 0x21) {
          state.hlBase = word;
          state.hlBaseRef = ref;
        }
      }
        break;
      default:
        if (IsCall(b0) || IsRst(b0)) next = Call(pos, end, IsRst(b0) ? b0 & 0x38 : word, state);
        break;
    }
    TrackWrites(pos, b0, b1, word, state);
    NoteDataReads(b0, b1, state);
    // The image holds no bytes past its end: an instruction cut off there reads zeros.
    const uint8_t bytes[3] = {b0, b1, At(pos + 2)};
    if (!IsCall(b0) && !IsRst(b0)) state.regs.Step(bytes, Reader(pos, state));
    return next;
  }

  RomReader Reader(uint32_t pos, const RunState& state) const {
    int64_t bank = pos >= kBankSize ? int64_t{BankOf(pos)} : onlyBank1_ ? 1 : state.bank;
    return {image_.data(), size_, bank};
  }

  // A call or rst to `address`: followed, and, where it reaches a routine recognised by its
  // code, its far call, jump through hl or jump table followed too.
  int Call(uint32_t pos, uint32_t end, uint16_t address, RunState& state) {
    const bool rst = IsRst(image_[pos]);
    const Reference ref = Flow(pos, address, rst ? RefKind::Rst : RefKind::Call, state);
    int next = 0;
    // An rst to a vector that holds the same rst (FF at 0038, the fill of empty ROM) calls
    // itself until the stack runs over: it never comes back.
    if (rst && At(address) == image_[pos]) next = -1;
    if (ref.Space == RefSpace::Rom && ref.Target < size_) {
      const int helper = ThroughHelper(pos, end, ref.Target, state);
      if (helper != 0) next = helper;
    }
    state.regs.Forget();
    return next;
  }

  // What a call or jump at `pos` into the routine at `via` reaches through it, if it is one
  // recognised by its code. Returns as Step does.
  int ThroughHelper(uint32_t pos, uint32_t end, uint32_t via, RunState& state) {
    int next = 0;
    {
      const Helper h = HelperAt(via);
      switch (h.kind) {
        case Helper::JpHl:
          JumpThroughHl(pos, state, RefKind::Call);
          break;
        case Helper::FarCall:
          next = FarCall(pos, end, via, h, state);
          break;
        case Helper::HlTable: {
          const Word hl = state.regs.Hl();
          const int32_t base = hl.kind == Word::Const ? hl.n : state.hlBase;
          if (base >= 0) QueueTable(pos, static_cast<uint16_t>(base), state);
          break;
        }
        case Helper::RetTable:
          if (end < size_ && BankOf(end) == BankOf(pos)) tables_.push_back({end, pos, state.bank});
          next = -1;
          break;
        case Helper::BankSet: {
          const Val v = h.bank.kind == Val::Entry ? state.regs[h.bank.n] : Val{};
          if (v.IsConst()) WriteBank(0x2000, v.n, state);
          break;
        }
        case Helper::None: break;
      }
    }
    return next;
  }

  // A far call through a bank-switching routine: the bank and address from the caller's
  // registers or from the bytes after the call.
  int FarCall(uint32_t pos, uint32_t end, uint32_t via, const Helper& h, const RunState& state) {
    const auto byte = [&](const Val& v) -> int32_t {
      if (v.kind == Val::Const) return v.n;
      if (v.kind == Val::Entry) return state.regs[v.n].IsConst() ? state.regs[v.n].n : -1;
      if (v.kind == Val::Inline) return end + v.n < size_ ? image_[end + v.n] : -1;
      return -1;
    };
    int32_t address = -1;
    if (h.address.kind == Word::EntryPair) {
      const int32_t high = byte({Val::Entry, static_cast<uint16_t>(h.address.n >> 3)});
      const int32_t low = byte({Val::Entry, static_cast<uint16_t>(h.address.n & 7)});
      if (high >= 0 && low >= 0) address = high << 8 | low;
    } else if (h.address.kind == Word::InlineWord && end + h.address.n + 1 < size_) {
      address = image_[end + h.address.n] | image_[end + h.address.n + 1] << 8;
    }
    const int32_t bank = byte(h.bank);
    const bool inlineFits = h.inlineSize == 0 ||
        (end + h.inlineSize <= size_ && BankOf(end + h.inlineSize - 1) == BankOf(pos) &&
         std::all_of(classes_.begin() + end, classes_.begin() + end + h.inlineSize,
                     [](ByteClass c) { return c == ByteClass::Unknown; }));
    if (!inlineFits) return -1;
    if (address >= 0 && address < 0x8000 && bank >= 0) {
      uint32_t target = static_cast<uint32_t>(address);
      if (address >= 0x4000) {
        const uint32_t b = bank == 0 && !mbc5_ ? 1 : static_cast<uint32_t>(bank);
        target = b * kBankSize + (address & 0x3FFFu);
      }
      if (target < size_) {
        Reference ref{pos, target, RefKind::FarCall, RefSpace::Rom};
        ref.Via = via;
        refs_.push_back(ref);
        if (classes_[target] == ByteClass::Unknown)
          pending_.push_back({target, {ReasonKind::FarCall, pos, via}});
      }
    }
    farVia_ = via;
    return h.inlineSize;
  }

  // jp hl, or a call of a routine that is one: followed where hl is known; through a table
  // when hl was just read from the words at a known address.
  void JumpThroughHl(uint32_t pos, RunState& state, RefKind kind = RefKind::Jump) {
    const Word hl = state.regs.Hl();
    if (hl.kind == Word::Const) {
      Flow(pos, hl.n, kind, state);
    } else if (kind == RefKind::Jump && state.hlBase >= 0 &&
               JumpsThroughWordAtHl(image_.data(), pos, pos >= 5 ? pos - 5 : 0) &&
               classes_[pos - 1] == ByteClass::Code) {
      // The table's address was taken as data when the jump read it: it is a table.
      if (state.hlBaseRef >= 0) refs_[state.hlBaseRef].Kind = RefKind::Pointer;
      QueueTable(pos, static_cast<uint16_t>(state.hlBase), state);
    }
  }

  void QueueTable(uint32_t pos, uint16_t address, const RunState& state) {
    const Reference ref = Resolve(pos, address, RefKind::Pointer, state);
    if (ref.Space == RefSpace::Rom && ref.Target < size_) tables_.push_back({ref.Target, pos, state.bank});
  }

  // Reads the entries of the tables found so far: words while they point into code of the
  // table's bank or bank 0 and no label or classed byte starts inside the table. Each entry is
  // an entry point.
  bool ReadTables() {
    bool any = false;
    std::vector<Table> tables;
    tables.swap(tables_);
    for (const Table& t : tables) {
      uint32_t e = t.base;
      for (int i = 0; i < 256; ++i, e += 2) {
        if (e + 1 >= size_ || BankOf(e + 1) != BankOf(t.base)) break;
        if (classes_[e] != ByteClass::Unknown || classes_[e + 1] != ByteClass::Unknown) break;
        if (i > 0 && (LabelAt(e) || LabelAt(e + 1))) break;
        const uint16_t w = static_cast<uint16_t>(image_[e] | image_[e + 1] << 8);
        if (w >= 0x8000) break;
        int64_t bank = 0;
        if (w >= 0x4000) bank = t.base >= kBankSize ? int64_t{BankOf(t.base)} : onlyBank1_ ? 1 : t.bank;
        if (bank < 0) break;
        const uint32_t target = static_cast<uint32_t>(bank) * kBankSize + (w & 0x3FFFu);
        if (target >= size_ || (target >= t.base && target < e + 2)) break;
        const ByteClass c = classes_[target];
        if (c != ByteClass::Code && (c != ByteClass::Unknown || IsUndefined(image_[target]))) break;
        classes_[e] = classes_[e + 1] = ByteClass::Pointers;
        refs_.push_back({e, target, RefKind::Table, RefSpace::Rom});
        // Traced before the next entry is read, so that an entry's code ends the table.
        if (c == ByteClass::Unknown) Seed(target, {ReasonKind::Table, e});
        any = true;
      }
      if (e > t.base) spans_.push_back({t.base, e, {ReasonKind::TableUse, t.source}});
    }
    return any;
  }

  // A read through a pair that still holds the address a ld rr,n16 loaded (moved along or
  // indexed) makes that address data.
  void NoteDataReads(uint8_t b0, uint8_t b1, RunState& state) {
    const int through = ReadsThrough(b0);
    if (through >= 0 && state.pointerRef[through] >= 0) {
      Reference& ref = refs_[state.pointerRef[through]];
      // A banked address past the ROM's end names no byte of it.
      if (ref.Space == RefSpace::Rom && ref.Kind == RefKind::Pointer && ref.Target < size_) {
        ref.Kind = RefKind::Data;
        dataTargets_.push_back({ref.Target, ref.Source});
        readData_[ref.Target] = true;
      }
      state.pointerRef[through] = -1;
    }
    for (int pair = 0; pair < 3; ++pair)
      if (Reloads(b0, b1, pair)) state.pointerRef[pair] = -1;
    // A table read loads h and l from the table: the base stays until hl gets another address.
    if (b0 == 0xE1 || b0 == 0xF8) state.hlBase = state.hlBaseRef = -1;
  }

  void TrackWrites(uint32_t pos, uint8_t b0, uint8_t b1, uint16_t word, RunState& state) {
    const Val a = state.regs[kA];
    const Word hl = state.regs.Hl();
    const int32_t av = a.IsConst() ? a.n : -1;
    const int32_t hv = hl.kind == Word::Const ? hl.n : -1;
    if (av >= 0 && ((b0 == 0xE0 && b1 == 0xFF) || (b0 == 0xEA && word == kIe) ||
                    (b0 == 0x77 && hv == kIe))) {
      EnableInterrupts(pos, av);
    }
    if (b0 == 0x36 && hv == kIe) EnableInterrupts(pos, b1);
    // set n,[hl]
    if (b0 == 0xCB && (b1 & 0xC7) == 0xC6 && hv == kIe) EnableInterrupts(pos, 1 << ((b1 >> 3) & 7));
    if (b0 == 0xEA && av >= 0) WriteBank(word, av, state);
    if (b0 >= 0x70 && b0 < 0x78 && b0 != 0x76 && hv >= 0) {
      const Val r = state.regs[b0 & 7];
      if (r.IsConst()) WriteBank(hv, r.n, state);
    }
    if (b0 == 0x36 && hv >= 0) WriteBank(hv, b1, state);
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

  const Helper& HelperAt(uint32_t offset) {
    auto it = helpers_.find(offset);
    if (it == helpers_.end()) it = helpers_.emplace(offset, AnalyseHelper(image_.data(), size_, offset)).first;
    return it->second;
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
    if (state.bank >= 0 && static_cast<uint64_t>(state.bank) * kBankSize < size_) {
      return {pos, static_cast<uint32_t>(state.bank) * kBankSize + low, kind, RefSpace::Rom};
    }
    const int32_t bank = labelBank_[low];
    if (bank >= 0) return {pos, static_cast<uint32_t>(bank) * kBankSize + low, kind, RefSpace::Rom};
    return {pos, address, kind, RefSpace::UnknownBank};
  }

  // The index of the reference made, or -1.
  int32_t Add(uint32_t pos, uint16_t address, RefKind kind, const RunState& state) {
    // Below 0100 a loaded or read operand is a count, a mask or a constant far more often than
    // a place (the vectors are reached by rst and by interrupts, not by pointers).
    if (address < 0x100 && (kind == RefKind::Pointer || kind == RefKind::Read)) return -1;
    refs_.push_back(Resolve(pos, address, kind, state));
    return static_cast<int32_t>(refs_.size() - 1);
  }

  Reference Flow(uint32_t pos, uint16_t address, RefKind kind, const RunState& state) {
    const Reference ref = Resolve(pos, address, kind, state);
    refs_.push_back(ref);
    if (ref.Space == RefSpace::Rom && ref.Target < size_ &&
        classes_[ref.Target] == ByteClass::Unknown) {
      pending_.push_back({ref.Target, {ReasonKind::Traced, pos}});
    }
    return ref;
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
  std::vector<Table> tables_;
  std::unordered_map<uint32_t, Helper> helpers_;
  uint32_t farVia_ = 0;
  size_t farSitesScanned_ = 0;
  // Where traced routines end: the byte after the last instruction, and that instruction.
  std::vector<std::pair<uint32_t, uint32_t>> afterEnds_;
  // Sorted, apart: the labels' offsets in the ROM, and whether each has been looked at.
  std::vector<uint32_t> labels_;
  std::vector<bool> labelChecked_;
  // What traced code reads through a loaded address: the place and the load.
  std::vector<std::pair<uint32_t, uint32_t>> dataTargets_;
  std::vector<bool> readData_;
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
    case ReasonKind::FarCallSite: return "far call to " + OffsetToBankAddress(r.Via);
    case ReasonKind::AfterRoutine: return "after the routine ending at " + from;
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
  for (const RomLabel& label : labels.RomLabels())
    if (!IsConstantLabel(label.Offset, label.Name)) input.LabelOffsets.push_back(label.Offset);
  input.Marks = marks;
}

Trace TraceRom(const TraceInput& input) {
  return Tracer(input).Run(input);
}

Trace TraceRom(const Rom& rom, const LabelTables& labels, const RomMarks& marks,
               const CodeDataLog* log) {
  TraceInput input;
  if (log != nullptr) input.Log = *log;
  const std::span<const uint8_t> image = RomBytes(rom);
  input.Image.assign(image.begin(), image.end());
  FillTraceLabels(input, labels, marks);
  return TraceRom(input);
}
