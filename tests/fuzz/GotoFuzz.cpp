// Goto texts in both modes of the goto dialog, with a symbol file's labels: where OK goes, what
// Search > Again records, and the mode switch, which must name the same place in the other
// form. An "@Name" text goes to the first ROM label of that name; a RAM label's is refused with
// an Info box.

#include "FuzzCommon.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/NumberText.h"
#include "search/Goto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  const uint32_t bankCount = TakeNumber(text, 1);
  const bool gameBoyMode = IsGameBoyAddressText(text);
  const LabelTables& labels = GameLabels();
  try {
    const GotoTarget target = GotoTargetFor(text, gameBoyMode, bankCount, labels);
    LastSearch last;
    RecordGoto(last, target);
    FUZZ_CHECK(last.LastSearchKind == SearchKind::Goto);
    if (IsLabelGotoText(text)) {
      const int32_t first = labels.FirstRomLabelNamed(text.substr(1));
      FUZZ_CHECK(first != LabelTables::kNone && labels.RomLabels()[first].Offset == target.Offset);
      FUZZ_CHECK(last.LastSearchText == std::to_string(target.Offset));
    } else if (gameBoyMode) {
      FUZZ_CHECK(last.LastSearchText == std::to_string(target.Offset));
      const std::string offsetText = BankAddressToFileOffsetText(text, bankCount);
      FUZZ_CHECK(StrToInt(offsetText) == target.Offset);
      FUZZ_CHECK(GotoTargetFor(offsetText, false, bankCount, labels).Offset == target.Offset);
    } else {
      FUZZ_CHECK(last.LastSearchText == text);
      const std::string bankAddress = FileOffsetTextToBankAddress(text);
      if (target.Offset >= 0 && BankOf(static_cast<uint32_t>(target.Offset)) <= bankCount) {
        FUZZ_CHECK(GotoTargetFor(bankAddress, true, bankCount, labels).Offset == target.Offset);
      }
    }
  } catch (const Failure& f) {
    // A RAM label is named with its address; everything else refused is an error.
    const bool ramLabel = IsLabelGotoText(text) &&
                          labels.FirstRomLabelNamed(text.substr(1)) == LabelTables::kNone &&
                          labels.FirstRamLabelNamed(text.substr(1)) != LabelTables::kNone;
    FUZZ_CHECK(f.kind == (ramLabel ? FailureKind::Info : FailureKind::Error));
    FUZZ_CHECK(gameBoyMode || IsLabelGotoText(text));
  } catch (const ConversionError&) {
  }
  return 0;
}
