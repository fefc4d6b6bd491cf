#include "search/Goto.h"

#include "model/BankAddress.h"
#include "model/NumberText.h"

bool IsGameBoyAddressText(std::string_view text) {
  return text.find(':') != std::string_view::npos;
}

std::string FileOffsetTextToBankAddress(std::string_view text) {
  return OffsetToBankAddress(static_cast<uint32_t>(StrToInt(text)));
}

std::string BankAddressToFileOffsetText(std::string_view text, uint32_t bankCount) {
  return "$" + IntToHex(BankAddressToOffset(text, bankCount), 6);
}

GotoTarget GotoTargetFor(std::string_view text, bool gameBoyAddressMode, uint32_t bankCount) {
  if (gameBoyAddressMode) {
    const auto offset = static_cast<int32_t>(BankAddressToOffset(text, bankCount));
    return {offset, std::to_string(offset)};
  }
  return {StrToInt(text), std::string(text)};
}

void RecordGoto(LastSearch& last, const GotoTarget& target) {
  last.LastSearchKind = SearchKind::Goto;
  last.LastSearchText = target.LastSearchText;
}
