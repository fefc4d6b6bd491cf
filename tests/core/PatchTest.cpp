#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

#include "TestRom.h"
#include "model/Failure.h"
#include "patch/Bps.h"
#include "patch/Ips.h"
#include "patch/Patch.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t size, uint32_t seed) {
  Bytes b(size);
  uint32_t x = seed;
  for (auto& v : b) v = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  return b;
}

// The pairs (original, modified) that every writer must carry over exactly.
struct Pair {
  const char* name;
  Bytes source;
  Bytes target;
  size_t ipsAtMost, bpsAtMost;  // patch sizes where a writer must be frugal (0: no bound)
  size_t bpsSourceCopies;       // SourceCopy actions the BPS patch must hold at least
};

std::vector<Pair> Pairs() {
  std::vector<Pair> rows;
  auto add = [&](const char* name, size_t size, const std::function<void(Bytes&)>& edit,
                 size_t ipsAtMost = 0, size_t bpsAtMost = 0, size_t bpsSourceCopies = 0) {
    Bytes source = Pattern(size, static_cast<uint32_t>(size));
    Bytes target = source;
    edit(target);
    rows.push_back(
        {name, std::move(source), std::move(target), ipsAtMost, bpsAtMost, bpsSourceCopies});
  };
  add(
      "nothing changed", 0x8000, [](Bytes&) {}, 8, 26);
  add("first and last byte", 0x8000, [](Bytes& t) { t[0] ^= 1, t.back() ^= 1; });
  add("scattered bytes close together", 0x8000, [](Bytes& t) {
    for (size_t i = 0x100; i < 0x200; i += 3) t[i] ^= 0x5A;
  });
  add("70,000 bytes of data", 0x40000, [](Bytes& t) {
    Bytes d = Pattern(70000, 9);
    std::copy(d.begin(), d.end(), t.begin() + 0x1000);
  });
  add(
      "70,000 bytes of one value", 0x40000,
      [](Bytes& t) { std::fill_n(t.begin() + 0x1000, 70000, 0xFF); }, 24, 40);
  add("a change at 0x454F46 and a run over it", 0x800000, [](Bytes& t) {
    t[0x454F46] ^= 0xFF;
    std::fill_n(t.begin() + 0x454F46 + 0x10000 - 0x10, 0x40, 0x00);
  });
  add("a run starting at 0x454F46", 0x800000,
      [](Bytes& t) { std::fill_n(t.begin() + 0x454F46, 100, 0x77); });
  add("grown to 64 KiB with FF", 0x8000, [](Bytes& t) { t.resize(0x10000, 0xFF); });
  add("grown with zeros", 0x8000, [](Bytes& t) { t.resize(0x9000, 0x00); });
  add("cut to 20,000 bytes", 0x8000, [](Bytes& t) { t.resize(20000); });
  add(
      "data moved by an insertion", 0x20000,
      [](Bytes& t) { t.insert(t.begin() + 0x300, 0x2000, 0x3C); }, 0, 50);
  // Each block is copied from the source on its own, the second from before the end of the
  // first: a writer or reader whose source cursor does not follow each copy gets it wrong.
  add(
      "two 4 KiB blocks swapped", 0x2000,
      [](Bytes& t) { std::rotate(t.begin(), t.begin() + 0x1000, t.end()); }, 0, 40, 2);
  return rows;
}

// The records of an IPS patch that the writer made: offset, size (0 for a run), run length.
struct Record {
  uint32_t offset, size, run;
};
std::vector<Record> Records(const Bytes& p, bool* truncated) {
  std::vector<Record> out;
  size_t pos = 5;
  while (!(p[pos] == 'E' && p[pos + 1] == 'O' && p[pos + 2] == 'F')) {
    Record r{uint32_t(p[pos] << 16 | p[pos + 1] << 8 | p[pos + 2]),
             uint32_t(p[pos + 3] << 8 | p[pos + 4]), 0};
    pos += 5;
    if (r.size == 0) r.run = p[pos] << 8 | p[pos + 1], pos += 3;
    pos += r.size;
    out.push_back(r);
  }
  *truncated = p.size() == pos + 6;
  return out;
}

// BPS numbers and whole patches, for building damaged ones.
void Number(Bytes& out, uint64_t v) {
  while (true) {
    uint8_t x = v & 0x7F;
    v >>= 7;
    if (v == 0) return out.push_back(0x80 | x);
    out.push_back(x);
    --v;
  }
}
void Le32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
Bytes Bps(const Bytes& source, uint64_t targetSize, const Bytes& actions, uint32_t targetCrc) {
  Bytes p{'B', 'P', 'S', '1'};
  Number(p, source.size());
  Number(p, targetSize);
  Number(p, 0);
  p.insert(p.end(), actions.begin(), actions.end());
  Le32(p, Crc32(source));
  Le32(p, targetCrc);
  Le32(p, Crc32(p));
  return p;
}

// The number of actions of a BPS patch without metadata, read from front to back, and of each
// kind (SourceRead, TargetRead, SourceCopy, TargetCopy) when `kinds` is given.
size_t BpsActions(const Bytes& p, std::array<size_t, 4>* kinds = nullptr) {
  size_t pos = 4;
  const auto number = [&] {
    uint64_t value = 0, shift = 1;
    while (true) {
      const uint8_t x = p[pos++];
      value += (x & 0x7F) * shift;
      if (x & 0x80) return value;
      shift <<= 7;
      value += shift;
    }
  };
  for (int i = 0; i < 3; ++i) number();
  size_t actions = 0;
  while (pos < p.size() - 12) {
    const uint64_t word = number();
    if ((word & 3) == 1) pos += (word >> 2) + 1;
    if ((word & 3) >= 2) number();
    if (kinds) ++(*kinds)[word & 3];
    ++actions;
  }
  return actions;
}

std::string Hex8(uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

}  // namespace

TEST(PatchTest, IpsRoundTripsKeepTheFormatsRules) {
  for (const Pair& row : Pairs()) {
    SCOPED_TRACE(row.name);
    size_t counted = 0;
    const Bytes patch = MakeIps(row.source, row.target, &counted);
    EXPECT_EQ(ApplyIps(row.source, patch), row.target);
    bool truncated = false;
    const std::vector<Record> records = Records(patch, &truncated);
    EXPECT_EQ(counted, records.size());
    EXPECT_EQ(truncated, row.target.size() < row.source.size());
    for (const Record& r : records) {
      EXPECT_NE(r.offset, 0x454F46u);
      EXPECT_LE(r.size, 65535u);
      EXPECT_TRUE(r.size != 0 || (r.run > 0 && r.run <= 65535));
    }
    if (row.ipsAtMost != 0) {
      EXPECT_LE(patch.size(), row.ipsAtMost);
    }
  }
}

TEST(PatchTest, BpsRoundTripsAndMovedDataCostsLittle) {
  for (const Pair& row : Pairs()) {
    SCOPED_TRACE(row.name);
    size_t counted = 0;
    const Bytes patch = MakeBps(row.source, row.target, &counted);
    std::array<size_t, 4> kinds{};
    EXPECT_EQ(counted, BpsActions(patch, &kinds));
    EXPECT_GE(kinds[2], row.bpsSourceCopies);
    EXPECT_EQ(ApplyBps(row.source, patch), row.target);
    EXPECT_EQ(ApplyPatch(row.source, patch), row.target);
    if (row.bpsAtMost != 0) {
      EXPECT_LE(patch.size(), row.bpsAtMost);
    }
  }
  // The check value of the CRC32 that zip and BPS use.
  const std::string nine = "123456789";
  EXPECT_EQ(Crc32({reinterpret_cast<const uint8_t*>(nine.data()), nine.size()}), 0xCBF43926u);
}

TEST(PatchTest, BpsChecksItsThreeCrcs) {
  const Bytes source = Pattern(0x8000, 1);
  Bytes target = source;
  target[0x150] ^= 0xFF;
  const Bytes patch = MakeBps(source, target);

  Bytes other = source;
  other[5] ^= 1;
  EXPECT_EQ(FailureText([&] { ApplyBps(other, patch); }),
            "This patch is for another ROM (CRC32 " + Hex8(Crc32(source)) + ", this ROM has " +
                Hex8(Crc32(other)) + ").");

  Bytes damaged = patch;
  damaged[6] ^= 0x40;
  EXPECT_EQ(FailureText([&] { ApplyBps(source, damaged); }),
            "The BPS patch is damaged at byte " + std::to_string(patch.size() - 4) +
                ": its CRC32 is " + Hex8(Crc32(Bytes(patch.begin(), patch.end() - 4))) +
                ", its bytes give " + Hex8(Crc32(Bytes(damaged.begin(), damaged.end() - 4))) + ".");

  // The ROM that the patch makes already: nothing is built.
  EXPECT_EQ(FailureText([&] { ApplyBps(target, patch); }), "This patch is already applied.");
  EXPECT_EQ(FailureText([&] { ApplyPatch(target, patch); }), "This patch is already applied.");
  Bytes longer = target;
  longer.push_back(0);  // the same CRC32 could not say that, but the size does
  EXPECT_EQ(FailureText([&] { ApplyBps(longer, patch); }).substr(0, 30),
            "This patch is for another ROM ");

  // A patch whose actions give another target than its CRC32 says.
  Bytes actions;
  Number(actions, (0x8000 - 1) << 2 | 0);  // SourceRead of everything
  const Bytes wrongTarget = Bps(source, 0x8000, actions, Crc32(target));
  EXPECT_EQ(FailureText([&] { ApplyBps(source, wrongTarget); }),
            "The BPS patch gives another ROM than it was made for (CRC32 " + Hex8(Crc32(source)) +
                ", the patch expects " + Hex8(Crc32(target)) + ").");
}

TEST(PatchTest, DamagedPatchesAreRefusedWithTheFaultAndItsByte) {
  const Bytes source = Pattern(0x100, 3);
  const uint32_t crc = Crc32(source);
  auto bps = [&](uint64_t size, std::initializer_list<uint64_t> numbers, Bytes tail = {}) {
    Bytes a;
    for (uint64_t n : numbers) Number(a, n);
    a.insert(a.end(), tail.begin(), tail.end());
    return Bps(source, size, a, crc);
  };
  auto ips = [](std::string text) { return Bytes(text.begin(), text.end()); };
  using namespace std::string_literals;
  struct Row {
    Bytes patch;
    std::string text;
  };
  const Row rows[] = {
      {ips("PATC"),
       "This is neither an IPS nor a BPS patch: it begins with neither \"PATCH\" nor "
       "\"BPS1\" (byte 0)."},
      {ips("PATCH"), "The IPS patch is damaged at byte 5: the file ends without \"EOF\"."},
      {ips("PATCH\0\0\x10\0"s),
       "The IPS patch is damaged at byte 5: the file ends inside a "
       "record's header."},
      {ips("PATCH\0\0\x10\0\x04"
           "ab"s),
       "The IPS patch is damaged at byte 5: the record's 4 bytes run past the end of the file."},
      {ips("PATCH\0\0\x10\0\0\0\x02"s),
       "The IPS patch is damaged at byte 5: the file ends inside a run record."},
      {ips("PATCH\0\0\x10\0\0\0\0\x01"
           "EOF"s),
       "The IPS patch is damaged at byte 5: a run record of 0 bytes."},
      {ips("PATCH\0\0\x10\0\x01"
           "a"
           "EOFxy"s),
       "The IPS patch is damaged at byte 14: 2 bytes follow \"EOF\" where only a 3-byte size may "
       "stand."},
      {ips("PATCHEOF\0\0\0"s), "The IPS patch is damaged at byte 8: the size after \"EOF\" is 0."},
      {ips("PATCH\xFF\xFF\xFF\0\x02"
           "abEOF"s),
       "The IPS patch would grow the ROM past 16 MiB (to 16777217 bytes, at byte 5)."},
      {ips("BPS1"),
       "The BPS patch is damaged at byte 4: the file ends before its sizes and "
       "CRC32s."},
      {bps(0x1000001, {}),
       "The BPS patch would grow the ROM past 16 MiB (to 16777217 bytes, at "
       "byte 6)."},
      {bps(0, {}), "The BPS patch is damaged at byte 6: the target size is 0."},
      {bps(0x100, {(0xFF << 2) | 0, 0}),
       "The BPS patch is damaged at byte 11: an action writes past the target's 256 bytes."},
      {bps(0x200, {(0x1FF << 2) | 0}),
       "The BPS patch is damaged at byte 9: a source read reaches past the source's end."},
      {bps(0x100, {(0xFF << 2) | 1}, {1, 2, 3}),
       "The BPS patch is damaged at byte 9: its 256 bytes run into the CRC32s at the end."},
      {bps(0x100, {(0x0F << 2) | 2, (0xF8 << 1)}),
       "The BPS patch is damaged at byte 9: a source copy reaches outside the source."},
      {bps(0x100, {(0x0F << 2) | 2, (1 << 1) | 1}),
       "The BPS patch is damaged at byte 9: a source copy reaches outside the source."},
      {bps(0x100, {(0x0F << 2) | 3, 0}),
       "The BPS patch is damaged at byte 9: a target copy reads bytes not yet written."},
      {bps(0x100, {(0x0F << 2) | 0}),
       "The BPS patch is damaged at byte 10: the actions end after 16 of the target's 256 bytes."},
      {bps(0x100, {}, {0x00}),
       "The BPS patch is damaged at byte 9: a number runs into the CRC32s "
       "at the end."},
  };
  for (const Row& r : rows) {
    auto rom = MakeRom(static_cast<uint32_t>(source.size()));
    std::copy(source.begin(), source.end(), rom->RomImage.begin());
    EXPECT_EQ(FailureText([&] { ApplyPatchToRom(*rom, r.patch); }), r.text);
    EXPECT_TRUE(std::equal(source.begin(), source.end(), rom->RomImage.begin()));
    EXPECT_EQ(rom->RomSize, source.size());
  }
}

TEST(PatchTest, APatchAppliedToTheLoadedRomIsOneChangeOfTheRunsThatDiffer) {
  auto rom = MakeRom(0x8000);
  const Bytes source = Pattern(0x8000, 4);
  std::copy(source.begin(), source.end(), rom->RomImage.begin());
  Bytes target = source;
  target[0x10] ^= 1;
  std::fill_n(target.begin() + 0x200, 0x20, 0xEE);
  target.resize(0x10000, 0xFF);
  for (PatchFormat f : {PatchFormat::Ips, PatchFormat::Bps}) {
    auto copy = MakeRom(0x8000);
    std::copy(source.begin(), source.end(), copy->RomImage.begin());
    const RomChange change =
        DiffRom(*copy, ApplyPatch(RomBytes(*copy), MakePatch(f, source, target)));
    ASSERT_EQ(change.Runs.size(), 3u);
    EXPECT_EQ(change.Runs[0].Offset, 0x10u);
    EXPECT_EQ(change.Runs[2].Offset, 0x8000u);
    ApplyRomChange(*copy, change);
    EXPECT_EQ(copy->RomSize, 0x10000u);
    EXPECT_EQ(copy->BankCount, 4u);
    EXPECT_TRUE(std::equal(target.begin(), target.end(), copy->RomImage.begin()));
    // The window writes the patched file whole: its step holds the same runs, and undoes.
    auto whole = MakeRom(0x8000);
    std::copy(source.begin(), source.end(), whole->RomImage.begin());
    const EditStep step =
        RecordEdit(*whole, [&] { ApplyPatchToRom(*whole, MakePatch(f, source, target)); });
    EXPECT_EQ(whole->RomImage, copy->RomImage);
    EXPECT_EQ(whole->BankCount, 4u);
    ASSERT_EQ(step.Runs.size(), 3u);
    EXPECT_EQ(step.Runs[1], (EditRun{0x200, 0x20}));
    EXPECT_EQ(step.Runs[2], (EditRun{0x8000, 0x8000, true, true}));  // zeros to $FF
    RevertEdit(*whole, step);
    EXPECT_EQ(whole->RomSize, 0x8000u);
    EXPECT_TRUE(std::equal(source.begin(), source.end(), whole->RomImage.begin()));
  }
  struct Row {
    const char* name;
    PatchFormat format;
  };
  for (Row r : {Row{"a.ips", PatchFormat::Ips}, Row{"dir.bps/B.BPS", PatchFormat::Bps},
                Row{"x.Ips", PatchFormat::Ips}}) {
    EXPECT_EQ(PatchFormatOfName(r.name), r.format) << r.name;
  }
  EXPECT_EQ(FailureText([] { PatchFormatOfName("/tmp/hack.ups"); }),
            "'hack.ups' names no patch format: the name must end in .ips or .bps.");
}

// The status-bar reports of the patch commands.
TEST(PatchTest, ReportsSayWhatAPatchHoldsAndDid) {
  EXPECT_EQ(PatchWrittenText(17, 1204), "Patch written: 17 records, 1,204 bytes");
  EXPECT_EQ(PatchWrittenText(1, 26), "Patch written: 1 record, 26 bytes");
  struct Row {
    uint32_t newSize;
    std::vector<ByteRun> runs;
    const char* text;
  };
  const Row rows[] = {
      {0x10000,
       {{0x10, {1}}, {0x200, Bytes(0x7FF, 0xEE)}, {0x7FFF, {1, 2}}, {0x8001, Bytes(0x7FFF, 0xFF)}},
       "Patch applied: 2,049 bytes changed in 3 places; the ROM grew from 32 KiB to 64 KiB"},
      {0x8000, {{0x150, {1}}}, "Patch applied: 1 byte changed in 1 place"},
      // Equal bytes inside a run are not changes; touching runs are one place.
      {0x8000, {{0x150, {1, 0, 2}}, {0x153, {3}}}, "Patch applied: 3 bytes changed in 2 places"},
      {0x4000, {}, "Patch applied: the ROM was cut from 32 KiB to 16 KiB"},
      {0x8000, {}, "The patch changed nothing: the ROM holds its bytes already"},
  };
  // Each applied to a ROM of zeros.
  for (const Row& r : rows) {
    const auto rom = MakeRom(0x8000);
    const EditStep step = RecordEdit(*rom, [&] {
      ApplyRomChange(*rom, RomChange{r.newSize, r.runs});
    });
    EXPECT_EQ(PatchAppliedText(step), r.text);
  }
}
