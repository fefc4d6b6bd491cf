#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TestRom.h"
#include "model/ByteRuns.h"
#include "model/Edit.h"
#include "model/RomChange.h"

namespace {

using Runs = std::vector<std::pair<size_t, size_t>>;  // [start, end)

// The differing stretches, one byte at a time.
Runs RunsByScan(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  Runs runs;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (!runs.empty() && runs.back().second == i) {
      ++runs.back().second;
    } else {
      runs.emplace_back(i, i + 1);
    }
  }
  return runs;
}

}  // namespace

// Sizes around the 64-byte blocks and 8-byte words the scans work in, with every density of
// change from none to all, against the byte-by-byte answer; the old bytes random or all one
// value (the scan from a fill).
TEST(RomChange, DifferingRunsAreThoseOfAByteByByteScan) {
  std::mt19937 rng(7);
  for (size_t size : {0, 1, 7, 63, 64, 65, 127, 128, 129, 200, 1000}) {
    for (int percent : {0, 3, 10, 50, 90, 100}) {
      std::vector<uint8_t> a(size);
      for (uint8_t& byte : a) byte = static_cast<uint8_t>(rng());
      const auto value = static_cast<uint8_t>(rng());
      std::vector<uint8_t> fill(size, value);
      for (uint8_t& byte : fill) {
        if (static_cast<int>(rng() % 100) < percent) byte = static_cast<uint8_t>(value ^ 0x5A);
      }
      Runs fromFill;
      ForEachDifferingRunFromFill(value, fill.data(), size, [&](size_t start, size_t end) {
        fromFill.emplace_back(start, end);
      });
      EXPECT_EQ(fromFill, RunsByScan(std::vector<uint8_t>(size, value), fill))
          << size << " bytes from a fill, " << percent << "% changed";
      std::vector<uint8_t> b = a;
      for (uint8_t& byte : b) {
        if (static_cast<int>(rng() % 100) < percent)
          byte = static_cast<uint8_t>(byte ^ (1 + rng() % 255));
      }
      Runs runs;
      ForEachDifferingRun(a.data(), b.data(), size,
                          [&](size_t start, size_t end) { runs.emplace_back(start, end); });
      EXPECT_EQ(runs, RunsByScan(a, b)) << size << " bytes, " << percent << "% changed";
      DifferingRunCount counted{runs.size()};
      for (auto [start, end] : runs) counted.Bytes += end - start;
      EXPECT_EQ(CountDifferingRuns(a.data(), b.data(), size), counted) << size << " bytes";
    }
  }
}

TEST(RomChange, DiffRomJoinsCloseDifferencesAndStopsAtTheTarget) {
  struct Row {
    const char* what;
    std::vector<std::pair<uint32_t, uint8_t>> changes;  // target bytes that differ
    uint32_t targetSize;
    std::vector<std::pair<uint32_t, uint32_t>> runs;  // offset, length
  };
  // The ROM is 0x1000 zeros; the target the same but for the changes, cut or grown with 0xFF.
  const Row rows[] = {
      {"nothing", {}, 0x1000, {}},
      {"one byte", {{0x10, 1}}, 0x1000, {{0x10, 1}}},
      {"255 equal bytes between join", {{0x10, 1}, {0x110, 2}}, 0x1000, {{0x10, 0x101}}},
      {"256 equal bytes between split", {{0x10, 1}, {0x111, 2}}, 0x1000, {{0x10, 1}, {0x111, 1}}},
      {"grown: the new bytes are one run", {}, 0x1400, {{0x1000, 0x400}}},
      {"grown, a change close to the end joins it", {{0xF80, 1}}, 0x1400, {{0xF80, 0x480}}},
      {"cut: only the size changes", {{0x900, 1}}, 0x800, {}},
  };
  for (const Row& r : rows) {
    auto rom = MakeRom(0x1000);
    std::vector<uint8_t> target(r.targetSize, 0xFF);
    std::fill_n(target.begin(), std::min<uint32_t>(r.targetSize, 0x1000), 0);
    for (auto [offset, value] : r.changes) {
      if (offset < target.size()) target[offset] = value;
    }
    const RomChange change = DiffRom(*rom, target);
    std::vector<std::pair<uint32_t, uint32_t>> runs;
    for (const ByteRun& run : change.Runs) {
      runs.emplace_back(run.Offset, static_cast<uint32_t>(run.Bytes.size()));
    }
    EXPECT_EQ(runs, r.runs) << r.what;
    EXPECT_EQ(change.NewSize, r.targetSize) << r.what;
    ApplyRomChange(*rom, change);
    EXPECT_TRUE(std::equal(target.begin(), target.end(), rom->RomImage.begin())) << r.what;
  }
}

// Runs given out of order are stored as given (a later run wins where two overlap), and the
// undo step of either kind holds exactly the changed bytes.
TEST(RomChange, RunsInAnyOrderGiveTheSameBytesAndStep) {
  struct Row {
    const char* what;
    std::vector<ByteRun> runs;
    std::vector<EditRun> stepRuns;
    std::vector<uint8_t> at0x10;  // the image from 0x10 on afterwards
  };
  const Row rows[] = {
      {"apart, falling",
       {{0x14, {7, 8}}, {0x10, {1, 2}}},
       {{0x10, 2}, {0x14, 2}},
       {1, 2, 0, 0, 7, 8}},
      {"overlapping: the later wins",
       {{0x11, {5, 6}}, {0x10, {1, 2}}},
       {{0x10, 3}},
       {1, 2, 6, 0, 0, 0}},
      {"an unchanged byte inside",
       {{0x12, {0, 9}}, {0x10, {4}}},
       {{0x10, 1}, {0x13, 1}},
       {4, 0, 0, 9, 0, 0}},
      // Past the end of the 0x100 bytes: zeros, journalled unread.
      {"grown", {{0xFF, {1, 2, 0, 3}}, {0x10, {5}}}, {{0x10, 1}, {0xFF, 2}, {0x102, 1}}, {5}},
      // The cut bytes go, and come back with the undo.
      {"cut", {{0x10, {6}}}, {{0x10, 1}, {0x20, 1}}, {6}},
  };
  for (const Row& r : rows) {
    auto rom = MakeRom(0x100);
    rom->RomImage[0x20] = 0xAA;
    const std::vector<uint8_t> before = rom->RomImage;
    const std::string what = r.what;
    const uint32_t size = what == "grown" ? 0x200 : what == "cut" ? 0x20 : 0x100;
    const EditStep step = RecordEdit(*rom, [&] { ApplyRomChange(*rom, {size, r.runs}); });
    EXPECT_EQ(step.Runs, r.stepRuns) << r.what;
    EXPECT_TRUE(std::equal(r.at0x10.begin(), r.at0x10.end(), rom->RomImage.begin() + 0x10))
        << r.what;
    EXPECT_EQ(rom->RomImage[0x20], what == "cut" ? 0 : 0xAA) << r.what;
    RevertEdit(*rom, step);
    EXPECT_TRUE(rom->RomImage == before) << r.what;
  }
}
