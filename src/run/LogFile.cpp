#include "run/LogFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/FileWrite.h"
#include "model/Rom.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/SymbolFile.h"
#include "patch/Bps.h"

namespace {

constexpr char kMesenMagic[] = "CDLv2";
constexpr size_t kMesenHeader = 9;  // the magic and the CRC32
constexpr char kBizHawkMagic[] = "BIZHAWK-CDL-2";

[[noreturn]] void OtherRom() {
  throw ErrorFailure("The code/data log is of another ROM (its size or CRC32 differs).");
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// BizHawk's file, written by .NET's BinaryWriter: strings with a length byte, counts and sizes
// 32-bit little-endian. Only the ROM block maps to file offsets.
CodeDataLog ReadBizHawk(const std::string& bytes, uint32_t romSize) {
  size_t at = 0;
  const auto need = [&](size_t n) {
    if (bytes.size() - at < n) throw ErrorFailure("The BizHawk code/data log is cut short.");
  };
  const auto text = [&] {
    need(1);
    const size_t length = static_cast<uint8_t>(bytes[at++]);
    need(length);
    at += length;
    return bytes.substr(at - length, length);
  };
  text();  // the magic
  const std::string platform = text();
  if (platform.substr(0, platform.find_last_not_of(' ') + 1) != "GB") {
    throw ErrorFailure("The BizHawk code/data log is of another machine (" + platform + ").");
  }
  need(4);
  const uint32_t blocks = Le32(bytes, at);
  at += 4;
  for (uint32_t i = 0; i < blocks; ++i) {
    const std::string name = text();
    need(4);
    const uint32_t length = Le32(bytes, at);
    at += 4;
    need(length);
    if (name == "ROM") {
      if (length != romSize) OtherRom();
      CodeDataLog log;
      log.Flags.resize(length);
      for (uint32_t k = 0; k < length; ++k) {
        const uint8_t b = static_cast<uint8_t>(bytes[at + k]);
        uint8_t flags = 0;
        if (b & 0x01) flags |= kLogCode | kLogStart;  // ExecFirst
        if (b & 0x02) flags |= kLogCode;              // ExecOperand
        if (b & 0x04) flags |= kLogData;
        // What the boot ROM executed at 0000-00FF is no part of the game.
        log.Flags[k] = k < 0x100 ? 0 : flags;
      }
      return log;
    }
    at += length;
  }
  throw ErrorFailure("The BizHawk code/data log has no ROM block.");
}

// The `.code:LEN` blocks of a symbol file.
CodeDataLog ReadSymbolBlocks(const std::string& bytes, uint32_t romSize) {
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  ReadSymbolText(bytes, "", romSize / 0x4000 + (romSize % 0x4000 != 0), {labels, marks, comments});
  CodeDataLog log;
  log.Flags.resize(romSize);
  for (const MarkBlock& block : marks.Blocks()) {
    if (block.Kind != MarkKind::Code) continue;
    const uint32_t end = std::min(block.End(), romSize);
    for (uint32_t at = block.Offset; at < end; ++at) log.Flags[at] |= kLogCode;
  }
  return log;
}

}  // namespace

uint32_t RomCrc32(const uint8_t* rom, uint32_t size) { return Crc32({rom, size}); }

LogFileRead ReadLogFile(const std::string& bytes, uint32_t romSize, uint32_t romCrc) {
  LogFileRead read;
  if (bytes.compare(0, 5, kMesenMagic) == 0) {
    if (bytes.size() != kMesenHeader + romSize || Le32(bytes, 5) != romCrc) OtherRom();
    read.Format = LogFormat::Mesen;
    read.Log.Flags.assign(bytes.begin() + kMesenHeader, bytes.end());
  } else if (bytes.size() > 1 && static_cast<uint8_t>(bytes[0]) == 13 &&
             bytes.compare(1, 13, kBizHawkMagic) == 0) {
    read.Format = LogFormat::BizHawk;
    read.Log = ReadBizHawk(bytes, romSize);
    return read;
  } else if (bytes.size() == romSize) {
    // An older Mesen log: the bytes alone.
    read.Format = LogFormat::MesenBare;
    read.Log.Flags.assign(bytes.begin(), bytes.end());
  } else if (bytes.find(".code:") != std::string::npos) {
    read.Format = LogFormat::SymbolBlocks;
    read.Log = ReadSymbolBlocks(bytes, romSize);
    return read;
  } else {
    throw ErrorFailure("The file is no code/data log (Mesen2, BizHawk or a symbol file's code "
                       "blocks).");
  }
  for (uint8_t& flags : read.Log.Flags) flags &= kLogFileFlags;
  return read;
}

std::string WriteMesenLog(const CodeDataLog& log, uint32_t romCrc) {
  std::string out(kMesenMagic, 5);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(romCrc >> (8 * i)));
  out.reserve(out.size() + log.Flags.size());
  for (uint8_t flags : log.Flags) out.push_back(static_cast<char>(flags & kLogFileFlags));
  return out;
}

void MergeLog(CodeDataLog& into, const CodeDataLog& from) {
  if (into.Flags.size() < from.Flags.size()) into.Flags.resize(from.Flags.size());
  for (size_t i = 0; i < from.Flags.size(); ++i) into.Flags[i] |= from.Flags[i];
}

std::string LogFileName(const std::string& romFileName) {
  return std::filesystem::path(romFileName).replace_extension(".cdl").string();
}

uint32_t CountFlag(const CodeDataLog& log, uint8_t flag) {
  return static_cast<uint32_t>(
      std::count_if(log.Flags.begin(), log.Flags.end(), [&](uint8_t f) { return f & flag; }));
}

namespace {
std::string ReadLogBytes(const std::string& name) {
  return ReadRegularFile(name, size_t{64} << 20, "The code/data log is larger than 64 MiB.");
}
}  // namespace

CodeDataLog ReadRomLog(const Rom& rom) {
  const std::string name = LogFileName(rom.RomFileName);
  if (!std::filesystem::exists(name)) return {};
  const uint8_t* bytes = rom.RomImage.data();
  return ReadLogFile(ReadLogBytes(name), rom.RomSize, RomCrc32(bytes, rom.RomSize)).Log;
}

void SaveRomLog(const Rom& rom, const std::string& romFileName, const CodeDataLog& log) {
  const std::string name = LogFileName(romFileName);
  const uint32_t crc = RomCrc32(rom.RomImage.data(), rom.RomSize);
  CodeDataLog saved = log;
  saved.Flags.resize(rom.RomSize);
  // A log there of other bytes (the ROM before its edits) is replaced: its bytes say nothing sure
  // about these.
  std::error_code error;
  if (std::filesystem::is_regular_file(name, error)) {
    try {
      MergeLog(saved, ReadLogFile(ReadLogBytes(name), rom.RomSize, crc).Log);
    } catch (const Failure&) {
    }
  }
  const std::string bytes = WriteMesenLog(saved, crc);
  SaveFileSafely(name, bytes.data(), bytes.size());
}
