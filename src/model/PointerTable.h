#pragma once
// The entries of a block the user marked as a pointer table, and where each one points. Games
// keep tables of addresses: a little-endian word each, as the CPU reads them, or a far pointer
// with the number of a switchable bank before or after the word.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Marks.h"

struct PointerEntry {
  uint32_t At = 0;       // the file offset of the entry's first byte
  uint32_t WordAt = 0;   // of its address word
  int64_t BankAt = -1;   // of its bank byte; -1 in a table of words
  uint16_t Address = 0;  // the CPU address the word holds
  // The file offset the address reaches, or -1: RAM, a bank that cannot be told, past the ROM.
  int64_t Target = -1;
  bool operator==(const PointerEntry&) const = default;
};

// 2 for words, 3 with a bank byte.
uint32_t PointerEntrySize(PointerForm form);

// The entry of a pointer table that holds `offset`; nullopt outside the table or in the bytes
// after its last whole entry. A word below 4000 reaches bank 0. In 4000-7FFF it reaches the
// entry's own bank (a bank byte of 0 means bank 1, as the bank controllers switch it), else the
// table's bank when that is a switchable one, else bank 1 in a ROM of two banks; else the bank
// cannot be told. `image` holds the ROM's romSize bytes.
std::optional<PointerEntry> PointerEntryAt(const uint8_t* image, uint32_t romSize,
                                           const MarkBlock& table, uint32_t offset);
// Every whole entry of the table, in order.
std::vector<PointerEntry> PointerEntries(const uint8_t* image, uint32_t romSize,
                                         const MarkBlock& table);

// The name a target without a label gets when its table is marked: "Ptr_05_4A10".
std::string PointerLabelName(uint32_t target);

// The form as typed in Mark as Pointer Table: "words", "bank+word" or "word+bank" (also "w",
// "bw", "wb"; any case). Error Failure for anything else.
PointerForm ParsePointerForm(std::string_view text);
// "words", "bank+word", "word+bank".
std::string_view PointerFormName(PointerForm form);

// The length of a table from `from`, typed as a count of entries ("16", "$10") or as the bank
// address of its last byte ("0D:483F", which must end a whole entry). Error Failure for a table
// that is empty, not whole entries, or runs past the ROM's end; ConversionError for a number that
// is none.
uint32_t ParsePointerTableLength(std::string_view text, uint32_t from, PointerForm form,
                                 uint32_t romSize, uint32_t bankCount);
