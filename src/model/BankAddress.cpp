#include "model/BankAddress.h"

#include "model/Failure.h"
#include "model/NumberText.h"

namespace {
bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
}  // namespace

std::string OffsetToBankAddress(uint32_t offset) {
  uint32_t bank = offset >> 14;
  if (bank == 0) return "00:" + IntToHex(offset, 4);
  return IntToHex(bank, 2) + ":" + IntToHex((offset & 0x3FFF) + 0x4000, 4);
}

size_t BankDigitsOf(std::string_view text) {
  return text.size() >= 4 && IsHexDigit(text[0]) && IsHexDigit(text[1]) && IsHexDigit(text[2]) &&
                 text[3] == ':'
             ? 3
             : 2;
}

uint32_t BankAddressToOffset(std::string_view text, uint32_t bankCount) {
  const size_t bankDigits = BankDigitsOf(text);
  std::string bankText = "$" + std::string(text.substr(0, bankDigits));
  uint32_t bank = static_cast<uint32_t>(StrToInt(bankText));
  if (bankDigits == 2) bank &= 0xFF;
  if (bank > bankCount) {
    throw ErrorFailure("Address conversion error. This rom has $" + IntToHex(bankCount, 2) +
                       " banks, please use \"Tool->Rom Extender\" to make rom bigger so you can "
                       "access bank $" +
                       IntToHex(bank, 2) + ".");
  }
  std::string_view rest = text.size() > bankDigits + 1 ? text.substr(bankDigits + 1) : "";
  uint32_t address = static_cast<uint32_t>(StrToInt("$" + std::string(rest))) & 0xFFFF;
  if (address > 0x7FFF) {
    throw ErrorFailure(
        "Address conversion error. Address space $0000 - $7FFF is used to access rom. $" +
        IntToHex(address, 4) + " is in ram area.");
  }
  return bank * 0x4000 + (address & 0x3FFF);
}
