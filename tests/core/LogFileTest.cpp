// Code/data log files of each layout, written here from the layouts' descriptions, and read
// back into the same picture of code and data; logs of another ROM are refused.

#include "run/LogFile.h"
#include "run/LogMarks.h"

#include <gtest/gtest.h>

#include "TestRom.h"

namespace {

constexpr uint32_t kSize = 0x8000;
constexpr uint32_t kCrc = 0x12345678;

std::string Le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
  return s;
}
// A .NET BinaryWriter string: a length byte, then the text.
std::string NetString(const std::string& text) { return static_cast<char>(text.size()) + text; }

// A log of kSize bytes with these flag bytes at these offsets.
std::string Flags(std::initializer_list<std::pair<uint32_t, uint8_t>> marks) {
  std::string bytes(kSize, '\0');
  for (const auto& [at, flags] : marks) bytes[at] = static_cast<char>(flags);
  return bytes;
}

std::string BizHawk(const std::string& platform, const std::string& rom) {
  return NetString("BIZHAWK-CDL-2") + NetString(platform) + Le32(2) + NetString("WRAM") + Le32(4) +
         std::string("\x01\x02\x04\x00", 4) + NetString("ROM") + Le32(static_cast<uint32_t>(rom.size())) + rom;
}

}  // namespace

TEST(LogFileTest, EachLayoutReadsToTheSameCodeAndData) {
  // Code at 0150-0152 (an instruction of three bytes), data at 0160-0161. The boot ROM's mark
  // at 0050 in BizHawk's log is dropped.
  const std::string mesenBytes = Flags({{0x150, 0x05}, {0x151, 0x01}, {0x152, 0x01},
                                        {0x160, 0x02}, {0x161, 0x02}, {0x170, 0x80}});
  const struct {
    const char* name;
    std::string file;
    LogFormat format;
    bool data, start;
  } rows[] = {
      {"Mesen2", "CDLv2" + Le32(kCrc) + mesenBytes, LogFormat::Mesen, true, false},
      {"Mesen2 without header", mesenBytes, LogFormat::MesenBare, true, false},
      {"BizHawk",
       BizHawk("GB             ", Flags({{0x50, 0x01}, {0x150, 0x01}, {0x151, 0x02}, {0x152, 0x02},
                                         {0x160, 0x04}, {0x161, 0x04}})),
       LogFormat::BizHawk, true, true},
      {"symbol file", "; blocks\n00:0150 .code:3\n00:0150 Start\n00:0160 .data:2\n",
       LogFormat::SymbolBlocks, false, false},
  };
  for (const auto& row : rows) {
    const LogFileRead read = ReadLogFile(row.file, kSize, kCrc);
    EXPECT_EQ(read.Format, row.format) << row.name;
    ASSERT_EQ(read.Log.Flags.size(), kSize) << row.name;
    for (uint32_t at = 0; at < kSize; ++at) {
      uint8_t expected = 0;
      if (at >= 0x150 && at <= 0x152) expected |= kLogCode;
      if (at == 0x150 && row.start) expected |= kLogStart;
      if (at >= 0x160 && at <= 0x161 && row.data) expected |= kLogData;
      ASSERT_EQ(read.Log.Flags[at] & (kLogCode | kLogData | kLogStart), expected)
          << row.name << " at " << std::hex << at;
    }
  }

  // What is written reads back, the start flag left out; a second log adds by OR.
  CodeDataLog log = ReadLogFile(rows[2].file, kSize, kCrc).Log;
  const std::string written = WriteMesenLog(log, kCrc);
  EXPECT_EQ(written.substr(0, 9), "CDLv2" + Le32(kCrc));
  CodeDataLog back = ReadLogFile(written, kSize, kCrc).Log;
  for (uint8_t& flags : log.Flags) flags &= ~kLogStart;
  EXPECT_EQ(back.Flags, log.Flags);
  CodeDataLog more;
  more.Flags.assign(kSize, 0);
  more.Flags[0x150] = kLogSubEntry;
  more.Flags[0x200] = kLogData;
  MergeLog(back, more);
  EXPECT_EQ(back.Flags[0x150], kLogCode | kLogSubEntry);
  EXPECT_EQ(back.Flags[0x200], kLogData);
  EXPECT_EQ(CountFlag(back, kLogCode), 3u);
}

TEST(LogFileTest, LogsOfAnotherRomOrNoneAreRefused) {
  const std::string other = "The code/data log is of another ROM (its size or CRC32 differs).";
  const std::string rom(kSize, '\0');
  const struct {
    std::string file;
    std::string text;
  } rows[] = {
      {"CDLv2" + Le32(kCrc + 1) + rom, other},
      {"CDLv2" + Le32(kCrc) + rom.substr(1), other},
      {BizHawk("GB             ", rom + '\0'), other},
      {BizHawk("NES            ", rom), "The BizHawk code/data log is of another machine (NES            )."},
      {BizHawk("GB             ", rom).substr(0, 100), "The BizHawk code/data log is cut short."},
      {NetString("BIZHAWK-CDL-2") + NetString("GB") + Le32(0), "The BizHawk code/data log has no ROM block."},
      {"not a log", "The file is no code/data log (Mesen2, BizHawk or a symbol file's code blocks)."},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FailureText([&] { ReadLogFile(row.file, kSize, kCrc); }), row.text);
  }
}

// Executed bytes outside the user's blocks become code blocks in one step, which undoes whole.
TEST(LogFileTest, ExecutedBytesBecomeCodeMarksInOneStep) {
  const struct {
    const char* what;
    std::vector<std::pair<uint32_t, uint32_t>> executed;  // [from, to)
    uint32_t bytes;
    std::vector<MarkBlock> after;
  } rows[] = {
      {"around a data block, up to a code block",
       {{0x10, 0x50}},
       0x20,
       {{0x10, 0x10, MarkKind::Code}, {0x20, 0x10, MarkKind::Data}, {0x30, 0x10, MarkKind::Code},
        {0x40, 0x20, MarkKind::Code}}},
      {"two runs apart",
       {{0x02, 0x04}, {0x80, 0x81}},
       3,
       {{0x02, 0x02, MarkKind::Code}, {0x20, 0x10, MarkKind::Data}, {0x40, 0x20, MarkKind::Code},
        {0x80, 0x01, MarkKind::Code}}},
      {"only inside blocks", {{0x20, 0x30}, {0x45, 0x50}}, 0, {}},
  };
  RomMarks marks;
  marks.Mark(0x20, 0x10, MarkKind::Data);
  marks.Mark(0x40, 0x20, MarkKind::Code);
  for (const auto& row : rows) {
    CodeDataLog log;
    log.Flags.assign(0x100, kLogData);
    for (const auto& [from, to] : row.executed) {
      for (uint32_t at = from; at < to; ++at) log.Flags[at] = kLogCode;
    }
    const ExecutedMarks marked = MarkExecutedStep(marks, log, 0x100);
    EXPECT_EQ(marked.Bytes, row.bytes) << row.what;
    ASSERT_EQ(marked.Step.has_value(), row.bytes != 0) << row.what;
    if (!marked.Step) continue;
    LabelTables labels;
    RomMarks changed = marks;
    RomComments comments;
    ApplySymbolStep({labels, changed, comments}, *marked.Step);
    EXPECT_EQ(changed.Blocks(), row.after) << row.what;
    RevertSymbolStep({labels, changed, comments}, *marked.Step);
    EXPECT_EQ(changed, marks) << row.what;
  }
}
