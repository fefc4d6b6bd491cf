// Table files and charmaps: the input is the file. Whatever it holds, the read ends, skipped lines
// are counted, decoding stays within the bytes it is given, and a text that encodes decodes from
// the bytes it gave without reading past them.

#include "FuzzCommon.h"
#include "model/Failure.h"
#include "model/TextTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = AsText(data, size);
  TableSkips skips;
  const TextTable table = ReadAnyTableText(text, skips);
  FUZZ_CHECK(skips.Count == 0 || skips.FirstLine >= 1);
  const DecodedText decoded = table.Decode(data, size);
  FUZZ_CHECK(decoded.Length <= size);
  FUZZ_CHECK(decoded.Length > 0 || size == 0);
  try {
    const std::vector<uint8_t> bytes = table.Encode(text);
    const DecodedText again = table.Decode(bytes.data(), bytes.size());
    FUZZ_CHECK(again.Length <= bytes.size());
  } catch (const Failure& f) {
    FUZZ_CHECK(f.text.starts_with("The table has no entry for '"));
  }
  return 0;
}
