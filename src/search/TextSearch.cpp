#include "search/TextSearch.h"

#include "model/Failure.h"
#include "search/ByteSearch.h"

namespace {

std::vector<uint8_t> EncodedSearchText(const TextTable& table, std::string_view text) {
  if (text.empty()) throw ErrorFailure("Type the text to search for.");
  return table.Encode(text);
}

}  // namespace

int32_t SearchText(const Rom& rom, const TextTable& table, int32_t start, std::string_view text) {
  return FindBytes(rom, start, EncodedSearchText(table, text));
}

FindAllResult FindAllText(const Rom& rom, const TextTable& table, std::string_view text,
                          size_t cap) {
  const std::vector<uint8_t> pattern = EncodedSearchText(table, text);
  FindAllResult result;
  result.Text = std::string(text);
  for (int32_t at = FindBytes(rom, 0, pattern); at >= 0; at = FindBytes(rom, at + 1, pattern)) {
    if (result.Offsets.size() == cap) {
      result.Stopped = true;
      break;
    }
    result.Offsets.push_back(at);
  }
  return result;
}
