#include "search/FindAll.h"

#include "model/BankAddress.h"
#include "search/ByteSearch.h"
#include "search/InstructionSearch.h"

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
  return Capped(text, std::move(found), cap);
}

FindAllResult FindAllInstructions(const Rom& rom, const LabelTables& labels, std::string_view text,
                                  size_t cap) {
  return Capped(text, SearchInstructionAll(rom, labels, text, cap + 1), cap);
}

std::string FindAllLine(const Rom& rom, const LabelTables& labels, ValueFormat format,
                        int32_t offset) {
  const auto at = static_cast<uint32_t>(offset);
  return OffsetToBankAddress(at) + " " + DecodeInstruction(rom, at, format, labels).Text;
}
