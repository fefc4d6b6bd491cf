// Code-editor source files: SplitLines breaks at CR LF, LF or a lone CR, leaves no break inside a
// line, and a break at the very end starts no line; joined with LF the lines give the text back.

#include "FuzzCommon.h"
#include "model/SourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = AsText(data, size);
  const std::vector<std::string> lines = SplitLines(text);
  std::string expected;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    expected += text[i] == '\r' ? '\n' : text[i];
  }
  if (!expected.empty() && expected.back() == '\n') expected.pop_back();
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    FUZZ_CHECK(lines[i].find_first_of("\r\n") == std::string::npos);
    joined += (i ? "\n" : "") + lines[i];
  }
  FUZZ_CHECK(joined == expected);
  FUZZ_CHECK(lines.empty() == text.empty());
  return 0;
}
