// The symbol file and log written for emulator debuggers.

#include "export/DebuggerSymbols.h"

#include <gtest/gtest.h>

TEST(DebuggerSymbolsTest, LabelLinesOnlyOneNameAPlace) {
  LabelTables labels;
  labels.AddRomLabel(0x14000, "Five");
  labels.AddRomLabel(0x150, "Start");
  labels.AddRomLabel(0x150, "Entry");  // a second name at a place is left out
  labels.AddRomLabel(0x7FC000, "Last");  // bank 1FF: more digits
  labels.AddRomLabel(0x4010, "One.local");
  labels.AddRamLabel(0xC000, 0, "wVar");
  labels.AddRamLabel(0xD000, 1, "wBanked");
  labels.AddRamLabel(0xFF80, 0, "hTemp");
  EXPECT_EQ(DebuggerSymText(labels),
            "00:0150 Start\n"
            "01:4010 One.local\n"
            "05:4000 Five\n"
            "1ff:4000 Last\n"
            "00:c000 wVar\n"
            "00:ff80 hTemp\n"
            "01:d000 wBanked\n");
}

TEST(DebuggerSymbolsTest, LogHoldsTheTracedSplitAndTheRuns) {
  Trace trace;
  trace.Classes = {ByteClass::Code,  ByteClass::Operand, ByteClass::Data,    ByteClass::Text,
                   ByteClass::Image, ByteClass::Pointers, ByteClass::Unknown, ByteClass::Unknown};
  CodeDataLog runs;
  runs.Flags = {kLogStart | kLogCode | kLogSubEntry, 0, 0, 0, 0, 0, kLogCode, kLogData};
  const std::vector<uint8_t> expected = {kLogCode | kLogSubEntry, kLogCode, kLogData, kLogData,
                                         kLogData, kLogData, kLogCode, kLogData};
  EXPECT_EQ(KnownCodeData(trace, runs).Flags, expected);
}
