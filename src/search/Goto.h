#pragma once
// The goto dialog's conversions between its two text forms, and where its OK goes.
//
// The dialog's edit holds either a bank address ("01:4150") or a file offset (decimal, or "$"
// and hexadecimal digits); a ":" in the text selects the bank-address mode.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Labels.h"
#include "search/LastSearch.h"

// True when the text names a ROM label ("@Name"); the mode buttons leave such a text alone.
bool IsLabelGotoText(std::string_view text);

// True when the text selects the GameBoy address mode (it holds a ":").
bool IsGameBoyAddressText(std::string_view text);

// Switching to GameBoy address: the file offset text (StrToInt) as a bank address.
// Throws ConversionError.
std::string FileOffsetTextToBankAddress(std::string_view text);

// Switching to file offset: the bank address as "$" and six hexadecimal digits.
// Throws ConversionError, or the Error Failure of a bank beyond the ROM or a RAM address.
std::string BankAddressToFileOffsetText(std::string_view text, uint32_t bankCount);

struct GotoTarget {
  int32_t Offset;
  // What LastSearch records: the offset in decimal in GameBoy address mode, the text as typed
  // in file offset mode.
  std::string LastSearchText;
};

// OK: the target of the text in the given mode, or of the ROM label that an "@Name" text names
// in either mode (recorded in decimal, as in GameBoy address mode). Throws like the two
// conversions above; for a name that no ROM label has, an Info Failure that names a RAM label's
// address, else the assembler's error Failure.
GotoTarget GotoTargetFor(std::string_view text, bool gameBoyAddressMode, uint32_t bankCount,
                         const LabelTables& labels);

// Records a goto that succeeded, for Search > Again.
void RecordGoto(LastSearch& last, const GotoTarget& target);
