#include "search/Search.h"

#include "model/Failure.h"
#include "model/NumberText.h"
#include "search/ByteSearch.h"
#include "search/InstructionSearch.h"
#include "search/TextSearch.h"

namespace {
void RefuseQuestionMarks(std::string_view text) {
  if (text.find('?') != std::string_view::npos) {
    throw InfoFailure("Please replace question marks with a value.");
  }
}

SearchOutcome Outcome(int32_t found, std::string missText) {
  if (found >= 0) return {found, {}};
  return {std::nullopt, std::move(missText)};
}
}  // namespace

std::string InstructionNotFoundText(std::string_view text) {
  return "Sorry, \"" + std::string(text) + "\" could not been found.";
}

SearchOutcome RunByteSearch(const Rom& rom, LastSearch& last, int32_t start,
                            std::string_view text) {
  last.LastSearchKind = SearchKind::Bytes;
  last.LastSearchText = std::string(text);
  return Outcome(SearchBytes(rom, start, text), "Sorry, bytes did not found.");
}

SearchOutcome RunInstructionSearch(const Rom& rom, const LabelTables& labels, LastSearch& last,
                                   int32_t start, std::string_view text) {
  RefuseQuestionMarks(text);
  last.LastSearchKind = SearchKind::Instruction;
  last.LastSearchText = std::string(text);
  return Outcome(SearchInstruction(rom, labels, start, text), InstructionNotFoundText(text));
}

FindAllResult RunByteFindAll(const Rom& rom, LastSearch& last, std::string_view text, size_t cap) {
  last.LastSearchKind = SearchKind::Bytes;
  last.LastSearchText = std::string(text);
  return FindAllBytes(rom, text, cap);
}

FindAllResult RunInstructionFindAll(const Rom& rom, const LabelTables& labels, LastSearch& last,
                                    std::string_view text, size_t cap) {
  RefuseQuestionMarks(text);
  last.LastSearchKind = SearchKind::Instruction;
  last.LastSearchText = std::string(text);
  return FindAllInstructions(rom, labels, text, cap);
}

SearchOutcome SearchAgain(const Rom& rom, const LabelTables& labels, const LastSearch& last,
                          int32_t selectedOffset, const TextTable* table) {
  const std::string& text = last.LastSearchText;
  switch (last.LastSearchKind) {
    case SearchKind::Goto:
      return {StrToInt(text), {}};
    case SearchKind::Bytes:
      return Outcome(SearchBytes(rom, selectedOffset + 1, text), "Sorry, bytes did not sound.");
    case SearchKind::Instruction:
      return Outcome(SearchInstruction(rom, labels, selectedOffset + 1, text),
                     InstructionNotFoundText(text));
    case SearchKind::Text:
      return Outcome(SearchText(rom, TableToSearch(table), selectedOffset + 1, text),
                     InstructionNotFoundText(text));
    case SearchKind::None:
    default:
      throw ErrorFailure("Nothing search again.");
  }
}
