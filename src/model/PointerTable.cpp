#include "model/PointerTable.h"

#include <algorithm>
#include <cctype>

#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/NumberText.h"
#include "model/Rom.h"

uint32_t PointerEntrySize(PointerForm form) {
  return form == PointerForm::Words ? 2 : 3;
}

std::optional<PointerEntry> PointerEntryAt(const uint8_t* image, uint32_t romSize,
                                           const MarkBlock& table, uint32_t offset) {
  const uint32_t size = PointerEntrySize(table.Form);
  const uint32_t end = std::min(table.End(), romSize);
  if (offset < table.Offset || offset >= end) return std::nullopt;
  PointerEntry entry;
  entry.At = offset - (offset - table.Offset) % size;
  if (entry.At + size > end) return std::nullopt;
  entry.WordAt = table.Form == PointerForm::BankWord ? entry.At + 1 : entry.At;
  if (table.Form != PointerForm::Words) {
    entry.BankAt = table.Form == PointerForm::BankWord ? entry.At : entry.At + 2;
  }
  entry.Address = static_cast<uint16_t>(image[entry.WordAt] | image[entry.WordAt + 1] << 8);
  const uint32_t low = entry.Address & 0x3FFFu;
  int64_t bank = -1;
  if (entry.Address < 0x4000) {
    bank = 0;
  } else if (entry.Address < 0x8000) {
    if (entry.BankAt >= 0) {
      bank = std::max<int64_t>(image[entry.BankAt], 1);
    } else if (BankOf(table.Offset) > 0) {
      bank = BankOf(table.Offset);
    } else if (romSize <= 2 * kBankSize) {
      bank = 1;
    }
  }
  if (bank >= 0 && bank * kBankSize + low < romSize) entry.Target = bank * kBankSize + low;
  return entry;
}

std::vector<PointerEntry> PointerEntries(const uint8_t* image, uint32_t romSize,
                                         const MarkBlock& table) {
  std::vector<PointerEntry> entries;
  const uint32_t size = PointerEntrySize(table.Form);
  for (uint64_t at = table.Offset; at + size <= std::min(table.End(), romSize); at += size) {
    entries.push_back(*PointerEntryAt(image, romSize, table, static_cast<uint32_t>(at)));
  }
  return entries;
}

std::string PointerLabelName(uint32_t target) {
  return "Ptr_" + IntToHex(BankOf(target), 2) + "_" + IntToHex(CpuAddress(target), 4);
}

PointerForm ParsePointerForm(std::string_view text) {
  std::string word;
  for (char c : text) {
    if (c != ' ' && c != '\t') word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (word == "words" || word == "word" || word == "w") return PointerForm::Words;
  if (word == "bank+word" || word == "bw") return PointerForm::BankWord;
  if (word == "word+bank" || word == "wb") return PointerForm::WordBank;
  throw ErrorFailure("The entries are words, bank+word or word+bank, not " + std::string(text) +
                     ".");
}

std::string_view PointerFormName(PointerForm form) {
  switch (form) {
    case PointerForm::Words: return "words";
    case PointerForm::BankWord: return "bank+word";
    case PointerForm::WordBank: return "word+bank";
  }
  return "words";
}

uint32_t ParsePointerTableLength(std::string_view text, uint32_t from, PointerForm form,
                                 uint32_t romSize, uint32_t bankCount) {
  const uint32_t size = PointerEntrySize(form);
  uint64_t length = 0;
  if (text.find(':') != std::string_view::npos) {
    const uint32_t last = BankAddressToOffset(text, bankCount);
    if (last < from) {
      throw ErrorFailure(OffsetToBankAddress(last) + " lies before " + OffsetToBankAddress(from) +
                         ", where the table starts.");
    }
    length = uint64_t{last} - from + 1;
    if (length % size != 0) {
      throw ErrorFailure(OffsetToBankAddress(from) + "-" + OffsetToBankAddress(last) + " is " +
                         std::to_string(length) + " bytes: no whole number of entries of " +
                         std::to_string(size) + ".");
    }
  } else {
    const int32_t count = StrToInt(text);
    if (count <= 0) throw ErrorFailure("A table has at least 1 entry.");
    length = uint64_t{static_cast<uint32_t>(count)} * size;
  }
  if (from + length > romSize) {
    throw ErrorFailure("The table runs past the end of the ROM, at " +
                       OffsetToBankAddress(romSize - 1) + ".");
  }
  return static_cast<uint32_t>(length);
}
