// Instruction-search texts: the first line is the text, the rest a small ROM placed across the
// end of bank 0 and the start of bank 1, searched with a symbol file's labels. The narrowed
// search finds what decoding every offset finds, and a text with "?" is refused before anything
// is recorded.

#include "FuzzCommon.h"
#include "isa/Decoder.h"
#include "model/Failure.h"
#include "search/InstructionSearch.h"
#include "search/Search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = AsText(data, size);
  const size_t lineEnd = std::min(input.find('\n'), input.size());
  const std::string_view text = input.substr(0, lineEnd);
  const std::string_view romBytes = input.substr(std::min(lineEnd + 1, input.size()), 512);
  constexpr uint32_t kAt = 0x3FF0;
  static size_t used = 0;
  const Rom& rom = ReusedRom(romBytes, kAt, 1, used);
  used = kAt + romBytes.size() + 3;
  const LabelTables& labels = GameLabels();

  const int32_t found = SearchInstruction(rom, labels, kAt, text);
  FUZZ_CHECK(found == SearchInstructionByDecoding(rom, labels, kAt, text));
  if (found >= 0) {
    const ValueFormat format = SearchFormatFor(text);
    FUZZ_CHECK(DecodeInstruction(rom, static_cast<uint32_t>(found), format, labels).Text == text);
  }

  LastSearch last;
  try {
    const SearchOutcome outcome = RunInstructionSearch(rom, labels, last, kAt, text);
    FUZZ_CHECK(text.find('?') == std::string_view::npos);
    FUZZ_CHECK(last.LastSearchKind == SearchKind::Instruction && last.LastSearchText == text);
    FUZZ_CHECK(outcome.Offset.value_or(-1) == found);
  } catch (const Failure& f) {
    FUZZ_CHECK(f.kind == FailureKind::Info && text.find('?') != std::string_view::npos);
    FUZZ_CHECK(last.LastSearchKind == SearchKind::None);
  }
  return 0;
}
