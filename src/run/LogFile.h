#pragma once
// Code/data log files: the layout that Mesen2 writes (CDLv2, read and written), BizHawk's
// BIZHAWK-CDL-2 and the `.code:LEN` blocks of a symbol file (read). A log belongs to one ROM:
// readers check its size, and its CRC32 where the file holds one.

#include <cstdint>
#include <string>
#include <vector>

#include "model/CodeDataLog.h"

enum class LogFormat : uint8_t { Mesen, MesenBare, BizHawk, SymbolBlocks };

struct LogFileRead {
  CodeDataLog Log;
  LogFormat Format = LogFormat::Mesen;
};

// The CRC32 of the ROM's first `size` bytes, as a Mesen2 log holds it.
uint32_t RomCrc32(const uint8_t* rom, uint32_t size);

// A log file of one of the layouts above, read for a ROM of `romSize` bytes whose CRC32 is
// `romCrc`, as flags of CodeDataLog.h (a BizHawk first byte of an instruction becomes code and
// start, a symbol file's code block code). Throws an error Failure when the file is of another
// ROM or of no layout known here. BizHawk's marks on 0000-00FF may come from the boot ROM and are
// dropped; so are the flags a Mesen2 log has beyond its four.
LogFileRead ReadLogFile(const std::string& bytes, uint32_t romSize, uint32_t romCrc);

// The Mesen2 file of the log: `CDLv2`, the CRC32, a byte per ROM byte (the start flag dropped).
std::string WriteMesenLog(const CodeDataLog& log, uint32_t romCrc);

// Adds what `from` holds to `into` (bytewise OR); a log longer than `into` grows it.
void MergeLog(CodeDataLog& into, const CodeDataLog& from);

// The log file that belongs to a ROM: its name with the extension replaced by `.cdl`.
std::string LogFileName(const std::string& romFileName);

struct Rom;
// The log beside a loaded ROM (LogFileName of its file), read for its bytes as loaded; an empty
// log when there is none. Throws as ReadLogFile does, and a FileError when it cannot be read.
CodeDataLog ReadRomLog(const Rom& rom);
// Writes the log beside `romFileName` for the ROM's bytes as they stand (their CRC32), with what
// a log there of the same bytes holds added to it.
void SaveRomLog(const Rom& rom, const std::string& romFileName, const CodeDataLog& log);

// Bytes of the log holding the flag.
uint32_t CountFlag(const CodeDataLog& log, uint8_t flag);
