#include "search/TextSearch.h"

#include <algorithm>
#include <memory>

#include "model/BankAddress.h"
#include "model/Failure.h"
#include "search/ByteSearch.h"
#include "search/Search.h"

namespace {

std::vector<uint8_t> EncodedSearchText(const TextTable& table, std::string_view text) {
  if (text.empty()) throw ErrorFailure("Type the text to search for.");
  return table.Encode(text);
}

// The results keep the table they were found through: a table loaded later does not change
// what they look for.
FindAllResult RepeatableFindAll(const Rom& rom, std::shared_ptr<const TextTable> table,
                                std::string_view text, size_t cap) {
  FindAllResult result = FindAllText(rom, *table, text, cap);
  result.MissText = InstructionNotFoundText(text);
  // Every match is the same bytes: the text as the table encodes it.
  const size_t length = table->Encode(text).size();
  result.Line = [table, length](const Rom& r, int32_t offset) {
    const auto at = static_cast<uint32_t>(offset);
    const size_t room = r.RomImage.size() - std::min<size_t>(at, r.RomImage.size());
    return OffsetToBankAddress(at) + " \"" +
           table->Decode(r.RomImage.data() + at, std::min(length, room)).Text + "\"";
  };
  result.Repeat = [table, text = result.Text, cap](const Rom& r, const LabelTables&) {
    return RepeatableFindAll(r, table, text, cap);
  };
  return result;
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

const TextTable& TableToSearch(const TextTable* table) {
  if (table == nullptr || table->Empty()) {
    throw ErrorFailure("No table is loaded. Load one with File > Load Table... first.");
  }
  return *table;
}

SearchOutcome RunTextSearch(const Rom& rom, const TextTable* table, LastSearch& last, int32_t start,
                            std::string_view text) {
  const TextTable& t = TableToSearch(table);
  last.LastSearchKind = SearchKind::Text;
  last.LastSearchText = std::string(text);
  const int32_t found = SearchText(rom, t, start, text);
  if (found >= 0) return {found, {}};
  return {std::nullopt, InstructionNotFoundText(text)};
}

FindAllResult RunTextFindAll(const Rom& rom, const TextTable* table, LastSearch& last,
                             std::string_view text, size_t cap) {
  const TextTable& t = TableToSearch(table);
  last.LastSearchKind = SearchKind::Text;
  last.LastSearchText = std::string(text);
  return RepeatableFindAll(rom, std::make_shared<const TextTable>(t), text, cap);
}
