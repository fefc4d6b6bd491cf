#include "search/Goto.h"

#include "asm/Operand.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/NumberText.h"

bool IsLabelGotoText(std::string_view text) {
  return text.starts_with('@');
}

bool IsGameBoyAddressText(std::string_view text) {
  return text.find(':') != std::string_view::npos;
}

std::string FileOffsetTextToBankAddress(std::string_view text) {
  return OffsetToBankAddress(static_cast<uint32_t>(StrToInt(text)));
}

std::string BankAddressToFileOffsetText(std::string_view text, uint32_t bankCount) {
  return "$" + IntToHex(BankAddressToOffset(text, bankCount), 6);
}

GotoTarget GotoTargetFor(std::string_view text, bool gameBoyAddressMode, uint32_t bankCount,
                         const LabelTables& labels) {
  if (IsLabelGotoText(text)) {
    // The name as the listing writes it; of several labels of that name the assembler's, the
    // first.
    const std::string_view name = text.substr(1);
    const int32_t i = labels.FirstRomLabelNamed(name);
    if (i == LabelTables::kNone) {
      const int32_t ram = labels.FirstRamLabelNamed(name);
      if (ram == LabelTables::kNone) throw ErrorFailure(UnknownLabelText(name));
      const RamLabel& l = labels.RamLabels()[static_cast<size_t>(ram)];
      throw InfoFailure("Label " + std::string(name) + " is in RAM, at " + IntToHex(l.Bank, 2) +
                        ":" + IntToHex(l.Address, 4) + ": only ROM can be shown.");
    }
    const int32_t offset = labels.RomLabels()[static_cast<size_t>(i)].Offset;
    return {offset, std::to_string(offset)};
  }
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
