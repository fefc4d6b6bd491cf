// Input scripts of a headless run. A script that reads gives ranges that start before they end,
// and holds only the joypad's eight buttons; one that does not read is refused with an error box
// naming its line.

#include "FuzzCommon.h"
#include "model/Failure.h"
#include "run/RunInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<InputRange> ranges;
  try {
    ranges = ReadInputScript(std::string(AsText(data, size)));
  } catch (const Failure& e) {
    FUZZ_CHECK(e.kind == FailureKind::Error && e.text.rfind("line ", 0) == 0);
    return 0;
  }
  for (const InputRange& r : ranges) FUZZ_CHECK(r.First <= r.Last);
  RunInput input(ranges);
  for (int frame = 0; frame < 16; ++frame) input.Next();
  return 0;
}
