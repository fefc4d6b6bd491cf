#include "analysis/Helpers.h"

#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/BankAddress.h"

namespace {

constexpr int kLookAhead = 48;  // instructions; a bank-switching routine is short

bool Undefined(uint8_t b0) {
  return b0 != 0xCB && b0 != 0xD9 && DisasmTable[b0].Template == "-";
}

bool IsBankRegister(uint16_t address) {
  return address >= 0x2000 && address < 0x4000;
}

// The routine found once the walk meets a jump to `address`.
Helper Through(Word address, bool bankWritten, Val bank) {
  Helper h;
  const bool param = address.kind == Word::EntryPair || address.kind == Word::InlineWord;
  if (bankWritten && param && (bank.kind == Val::Entry || bank.kind == Val::Inline)) {
    h.kind = Helper::FarCall;
    h.bank = bank;
    h.address = address;
    int size = 0;
    if (bank.kind == Val::Inline) size = bank.n + 1;
    if (address.kind == Word::InlineWord && address.n + 2 > size) size = address.n + 2;
    h.inlineSize = static_cast<uint8_t>(size);
  } else if (!bankWritten && address.kind == Word::EntryPair && address.n == (kH << 3 | kL)) {
    h.kind = Helper::JpHl;
    h.address = address;
  }
  return h;
}

}  // namespace

bool JumpsThroughWordAtHl(const uint8_t* image, uint32_t pos, uint32_t start) {
  const auto is = [&](uint32_t back, std::initializer_list<uint8_t> bytes) {
    if (pos < start + back) return false;
    uint32_t at = pos - back;
    for (uint8_t b : bytes)
      if (image[at++] != b) return false;
    return true;
  };
  return is(3, {0x2A, 0x66, 0x6F}) || is(5, {0x5E, 0x23, 0x56, 0x62, 0x6B});
}

Helper AnalyseHelper(const uint8_t* image, uint32_t size, uint32_t offset, int depth) {
  if (offset >= size) return {};
  if (image[offset] == 0xE9) return {Helper::JpHl, {}, {Word::EntryPair, kH << 3 | kL}, 0};
  Registers regs(true);
  const RomReader rom{image, size, offset >= kBankSize ? int64_t{BankOf(offset)} : -1};
  Val bank;
  bool bankWritten = false, returnPopped = false, hlLoaded = false;
  uint32_t pos = offset, walkStart = offset;
  for (int n = 0; n < kLookAhead; ++n) {
    if (pos + 3 > size || Undefined(image[pos])) return {};
    const uint8_t b0 = image[pos], b1 = image[pos + 1];
    const auto word = static_cast<uint16_t>(b1 | image[pos + 2] << 8);
    const uint32_t end = pos + InstructionLength(b0);
    if (BankOf(end - 1) != BankOf(pos)) return {};
    // What a call or rst in bank 0 reaches: a routine that sets the bank, or one that jumps
    // through hl (a `jp hl` stub, or an rst that checks hl first and then jumps through it).
    const bool calls = b0 == 0xCD || (b0 & 0xC7) == 0xC7;
    const uint32_t callTarget = b0 == 0xCD ? word : b0 & 0x38u;
    Helper sub;
    bool plainStub = false;  // the call's target is the `jp hl` itself
    if (calls && callTarget < 0x4000 && callTarget < size) {
      if (image[callTarget] == 0xE9) {
        sub.kind = Helper::JpHl;
        plainStub = true;
      } else if (depth == 0) {
        sub = AnalyseHelper(image, size, callTarget, 1);
      }
    }
    // A jump through hl, as itself, as a call of a `jp hl` stub or as an rst holding one.
    const bool callsStub = sub.kind == Helper::JpHl;
    // A jump through the word at hl counts as a table only when the jump is plain: behind a
    // routine that checks hl first, the stack the walk sees may be its own.
    const bool tableJump = JumpsThroughWordAtHl(image, pos, walkStart);
    if (b0 == 0xE9 || (callsStub && !(tableJump && !plainStub))) {
      if (tableJump) {
        if (returnPopped) return {Helper::RetTable, {}, {}, 0};
        if (!hlLoaded) return {Helper::HlTable, {}, {}, 0};
        return {};
      }
      return Through(regs.Hl(), bankWritten, bank);
    }
    // push rr; ret jumps to rr.
    if (b0 == 0xC9 || b0 == 0xD9) {
      const Helper h = Through(regs.Top(), bankWritten, bank);
      if (h.kind == Helper::None && bankWritten && bank.kind == Val::Entry)
        return {Helper::BankSet, bank, {}, 0};
      return h;
    }
    if (b0 == 0xEA && IsBankRegister(word)) {
      bank = regs[kA];
      bankWritten = true;
    }
    if (b0 >= 0x70 && b0 < 0x78 && b0 != 0x76) {
      const Word hl = regs.Hl();
      if (hl.kind == Word::Const && IsBankRegister(hl.n)) {
        bank = regs[b0 & 7];
        bankWritten = true;
      }
    }
    if (b0 == 0x21) hlLoaded = true;
    if (b0 == 0xC3 || b0 == 0x18) {
      const uint16_t target =
          b0 == 0xC3 ? word : static_cast<uint16_t>(CpuAddress(pos) + 2 + static_cast<int8_t>(b1));
      if (target >= 0x8000) return {};
      const uint32_t to = target < 0x4000 ? target : BankOf(offset) * kBankSize + (target & 0x3FFFu);
      if (target >= 0x4000 && offset < kBankSize) return {};
      pos = walkStart = to;
      continue;
    }
    if (calls) {
      if (sub.kind == Helper::BankSet) {
        bank = regs[sub.bank.n];
        bankWritten = true;
        regs[kA] = {};
      } else {
        regs.Forget();  // whatever it calls may change any register
      }
    } else {
      regs.Step(image + pos, rom);
      if (b0 == 0xE1 && regs.Hl().kind == Word::Ret) returnPopped = true;
    }
    pos = end;
  }
  return {};
}
