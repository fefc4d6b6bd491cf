#include "search/FindAll.h"

#include "model/BankAddress.h"
#include "model/NumberText.h"
#include "search/ByteSearch.h"
#include "search/InstructionSearch.h"
#include "search/Search.h"

namespace {

// The searches look for one match more than the cap, to tell whether they stopped early.
FindAllResult Capped(std::string_view text, std::vector<int32_t> offsets, size_t cap) {
  FindAllResult result;
  result.Text = std::string(text);
  result.Stopped = offsets.size() > cap;
  if (result.Stopped) offsets.resize(cap);
  result.Offsets = std::move(offsets);
  return result;
}

}  // namespace

FindAllResult FindAllBytes(const Rom& rom, std::string_view text, size_t cap) {
  const std::vector<uint8_t> pattern = ParseBytePattern(text);
  std::vector<int32_t> found;
  for (int32_t at = FindBytes(rom, 0, pattern); at >= 0; at = FindBytes(rom, at + 1, pattern)) {
    found.push_back(at);
    if (found.size() > cap) break;
  }
  FindAllResult result = Capped(text, std::move(found), cap);
  result.MissText = "Sorry, bytes did not found.";
  result.Repeat = [text = result.Text, cap](const Rom& r, const LabelTables&) {
    return FindAllBytes(r, text, cap);
  };
  return result;
}

FindAllResult FindAllInstructions(const Rom& rom, const LabelTables& labels, std::string_view text,
                                  size_t cap) {
  FindAllResult result = Capped(text, SearchInstructionAll(rom, labels, text, cap + 1), cap);
  result.MissText = InstructionNotFoundText(text);
  result.Repeat = [text = result.Text, cap](const Rom& r, const LabelTables& l) {
    return FindAllInstructions(r, l, text, cap);
  };
  return result;
}

std::string MatchCountText(const FindAllResult& result) {
  const size_t count = result.Offsets.size();
  return GroupedDecimal(count) + (count == 1 ? " match" : " matches") +
         (result.Stopped ? " (stopped)" : "");
}

std::string FindAllLine(const Rom& rom, const LabelTables& labels, ValueFormat format,
                        int32_t offset) {
  const auto at = static_cast<uint32_t>(offset);
  return OffsetToBankAddress(at) + " " + DecodeInstruction(rom, at, format, labels).Text;
}
