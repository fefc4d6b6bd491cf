#include "analysis/Values.h"

namespace {

constexpr int kF = 6;  // the flags, kept where an opcode's r field means [hl]

// The register pairs of ld rr,n16 / inc rr / add hl,rr / push / pop, by bits 4-5 of the opcode.
constexpr int kPairHigh[4] = {kB, kD, kH, kA};
constexpr int kPairLow[4] = {kC, kE, kL, kF};

}  // namespace

int RomReader::Read(uint16_t address) const {
  uint64_t offset = address;
  if (address >= 0x8000) return -1;
  if (address >= 0x4000) {
    if (bank < 0) return -1;
    offset = static_cast<uint64_t>(bank) * 0x4000 + (address - 0x4000u);
  }
  return offset < size ? image[offset] : -1;
}

Registers::Registers(bool asRoutine) : asRoutine_(asRoutine) {
  if (asRoutine)
    for (int r = 0; r < 8; ++r) regs_[r] = {Val::Entry, static_cast<uint16_t>(r)};
}

Word Registers::Pair(int high, int low) const {
  const Val h = regs_[high], l = regs_[low];
  if (h.kind == Val::Const && l.kind == Val::Const)
    return {Word::Const, static_cast<uint16_t>(h.n << 8 | l.n)};
  if (h.kind == Val::RetHi && l.kind == Val::RetLo && h.n == l.n) return {Word::Ret, h.n};
  if (h.kind == Val::Inline && l.kind == Val::Inline && h.n == l.n + 1)
    return {Word::InlineWord, l.n};
  if (h.kind == Val::Entry && l.kind == Val::Entry)
    return {Word::EntryPair, static_cast<uint16_t>(h.n << 3 | l.n)};
  return {};
}

Word Registers::Top() const {
  if (stack_.size() < 2) return {};
  Registers pair;
  pair.regs_[kH] = stack_[stack_.size() - 2];
  pair.regs_[kL] = stack_.back();
  return pair.Hl();
}

void Registers::SetPair(int high, int low, Word w) {
  switch (w.kind) {
    case Word::Const:
      regs_[high] = {Val::Const, static_cast<uint16_t>(w.n >> 8)};
      regs_[low] = {Val::Const, static_cast<uint16_t>(w.n & 0xFF)};
      return;
    case Word::Ret:
      regs_[high] = {Val::RetHi, w.n};
      regs_[low] = {Val::RetLo, w.n};
      return;
    case Word::InlineWord:
      regs_[high] = {Val::Inline, static_cast<uint16_t>(w.n + 1)};
      regs_[low] = {Val::Inline, w.n};
      return;
    case Word::EntryPair:
      regs_[high] = {Val::Entry, static_cast<uint16_t>(w.n >> 3)};
      regs_[low] = {Val::Entry, static_cast<uint16_t>(w.n & 7)};
      return;
    case Word::Unknown: break;
  }
  regs_[high] = regs_[low] = {};
}

Val Registers::ReadThrough(int high, int low, const RomReader& rom) const {
  const Word w = Pair(high, low);
  if (w.kind == Word::Ret) return {Val::Inline, w.n};
  if (w.kind != Word::Const) return {};
  const int b = rom.Read(w.n);
  return b < 0 ? Val{} : Val{Val::Const, static_cast<uint16_t>(b)};
}

void Registers::Alu(int op, Val src) {
  Val& a = regs_[kA];
  if (op == 7) return;  // cp
  if (a.kind != Val::Const || src.kind != Val::Const || op == 1 || op == 3) {
    a = {};
    return;
  }
  switch (op) {
    case 0: a.n = (a.n + src.n) & 0xFF; break;
    case 2: a.n = (a.n - src.n) & 0xFF; break;
    case 4: a.n &= src.n; break;
    case 5: a.n ^= src.n; break;
    case 6: a.n |= src.n; break;
    default: break;
  }
}

void Registers::Move(int pair, int delta) {
  Word w = Pair(kPairHigh[pair], kPairLow[pair]);
  if (w.kind == Word::Const || w.kind == Word::Ret) w.n = static_cast<uint16_t>(w.n + delta);
  else w = {};
  SetPair(kPairHigh[pair], kPairLow[pair], w);
}

void Registers::Forget() {
  for (Val& v : regs_) v = {};
  stack_.clear();
}

void Registers::Step(const uint8_t* bytes, const RomReader& rom) {
  const uint8_t b0 = bytes[0], b1 = bytes[1];
  const auto word = static_cast<uint16_t>(b1 | bytes[2] << 8);
  const int pair = (b0 >> 4) & 3;
  const int dst = (b0 >> 3) & 7;
  if (b0 >= 0x40 && b0 < 0x80) {  // ld r,r' (and halt at 76)
    const int src = b0 & 7;
    if (b0 != 0x76 && dst != 6) regs_[dst] = src == 6 ? ReadThrough(kH, kL, rom) : regs_[src];
    return;
  }
  if (b0 >= 0x80 && b0 < 0xC0) {
    const int src = b0 & 7;
    // xor a and sub a clear a whatever it held.
    if (b0 == 0xAF || b0 == 0x97) regs_[kA] = {Val::Const, 0};
    else Alu(dst, src == 6 ? ReadThrough(kH, kL, rom) : regs_[src]);
    return;
  }
  if ((b0 & 0xC7) == 0xC6) return Alu(dst, {Val::Const, b1});
  if ((b0 & 0xC7) == 0x06) {
    if (dst != 6) regs_[dst] = {Val::Const, b1};
    return;
  }
  if ((b0 & 0xC6) == 0x04 && b0 < 0x40) {  // inc r, dec r
    if (dst == 6) return;
    Val& v = regs_[dst];
    if (v.kind == Val::Const) v.n = (v.n + ((b0 & 1) ? 0xFF : 1)) & 0xFF;
    else v = {};
    return;
  }
  if (b0 < 0x40 && (b0 & 0x0F) == 0x01) {  // ld rr,n16
    if (pair < 3) SetPair(kPairHigh[pair], kPairLow[pair], {Word::Const, word});
    return;
  }
  if (b0 < 0x40 && ((b0 & 0x0F) == 0x03 || (b0 & 0x0F) == 0x0B)) {  // inc rr, dec rr
    if (pair < 3) Move(pair, (b0 & 0x08) ? -1 : 1);
    return;
  }
  if (b0 < 0x40 && (b0 & 0x0F) == 0x09) {  // add hl,rr
    const Word hl = Hl();
    const Word rr = pair == 3 ? Word{} : Pair(kPairHigh[pair], kPairLow[pair]);
    if (hl.kind == Word::Const && rr.kind == Word::Const)
      SetPair(kH, kL, {Word::Const, static_cast<uint16_t>(hl.n + rr.n)});
    else
      SetPair(kH, kL, {});
    return;
  }
  if ((b0 & 0xCF) == 0xC1) {  // pop rr
    Val high, low;
    if (stack_.size() >= 2) {
      low = stack_.back();
      stack_.pop_back();
      high = stack_.back();
      stack_.pop_back();
    } else if (asRoutine_ && !returnPopped_ && stack_.empty()) {
      returnPopped_ = true;
      high = {Val::RetHi, 0};
      low = {Val::RetLo, 0};
    }
    regs_[kPairHigh[pair]] = high;
    regs_[kPairLow[pair]] = low;
    return;
  }
  if ((b0 & 0xCF) == 0xC5) {  // push rr
    stack_.push_back(regs_[kPairHigh[pair]]);
    stack_.push_back(regs_[kPairLow[pair]]);
    return;
  }
  switch (b0) {
    case 0x0A: regs_[kA] = ReadThrough(kB, kC, rom); return;
    case 0x1A: regs_[kA] = ReadThrough(kD, kE, rom); return;
    case 0x2A:
    case 0x3A:
      regs_[kA] = ReadThrough(kH, kL, rom);
      Move(2, b0 == 0x2A ? 1 : -1);
      return;
    case 0x22: Move(2, 1); return;
    case 0x32: Move(2, -1); return;
    case 0x07: case 0x0F: case 0x17: case 0x1F: case 0x27: case 0x2F:
    case 0xF0: case 0xF2: case 0xFA:
      regs_[kA] = {};
      return;
    case 0xF8: SetPair(kH, kL, {}); return;
    case 0xCB: {
      const int r = b1 & 7;
      const int group = b1 >> 6;
      if (r == 6 || group == 1) return;  // [hl], or bit
      Val& v = regs_[r];
      if (group >= 2 && v.kind == Val::Const) {
        const int bit = 1 << ((b1 >> 3) & 7);
        v.n = group == 2 ? (v.n & ~bit) & 0xFF : (v.n | bit);
      } else {
        v = {};
      }
      return;
    }
    default: return;
  }
}
