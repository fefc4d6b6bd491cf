// Code/data log files read for a ROM. The first two bytes give the ROM's size (1 to 65536 bytes),
// the next four the ROM's CRC32; the rest is the file. A file that reads gives one flag byte per
// ROM byte, and written in Mesen2's layout reads back the same (without the start flag, which
// that layout lacks); one that does not read is refused with an error box.

#include "FuzzCommon.h"
#include "model/Failure.h"
#include "run/LogFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = AsText(data, size);
  const uint32_t romSize = (TakeNumber(input, 2) & 0xFFFF) + 1;
  const uint32_t crc = TakeNumber(input, 4);
  LogFileRead read;
  try {
    read = ReadLogFile(std::string(input), romSize, crc);
  } catch (const Failure& e) {
    FUZZ_CHECK(e.kind == FailureKind::Error && !e.text.empty());
    return 0;
  }
  FUZZ_CHECK(read.Log.Flags.size() == romSize);
  CodeDataLog back = ReadLogFile(WriteMesenLog(read.Log, crc), romSize, crc).Log;
  for (uint32_t i = 0; i < romSize; ++i) {
    FUZZ_CHECK((read.Log.Flags[i] & ~(kLogFileFlags | kLogStart)) == 0);
    FUZZ_CHECK(back.Flags[i] == (read.Log.Flags[i] & kLogFileFlags));
  }
  return 0;
}
