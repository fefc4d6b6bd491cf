#include "patch/Bps.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "model/NumberText.h"
#include "model/Rom.h"
#include "patch/PatchFault.h"

namespace {

constexpr char kFormat[] = "BPS";
constexpr size_t kFooterSize = 12;
enum Action : uint64_t { kSourceRead = 0, kTargetRead = 1, kSourceCopy = 2, kTargetCopy = 3 };

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

std::string CrcText(uint32_t crc) {
  return IntToHex(crc, 8);
}

// Reads the patch from front to back, never past `end_` (the start of the CRC32s).
class BpsReader {
 public:
  BpsReader(std::span<const uint8_t> patch, size_t end) : p_(patch.data()), end_(end) {}

  size_t pos = 4;

  // A number: seven bits a byte, the last byte marked by its top bit; each further byte also
  // adds one step, so that every number has exactly one spelling.
  uint64_t Number() {
    const size_t start = pos;
    uint64_t value = 0;
    uint64_t shift = 1;
    while (true) {
      if (pos >= end_)
        ThrowPatchDamaged(kFormat, start, "a number runs into the CRC32s at the end");
      const uint8_t x = p_[pos++];
      value += (x & 0x7F) * shift;
      if (x & 0x80) return value;
      if (shift > (uint64_t{1} << 49)) ThrowPatchDamaged(kFormat, start, "a number is too large");
      shift <<= 7;
      value += shift;
    }
  }

  // A signed distance: the low bit is the sign.
  int64_t Distance() {
    const uint64_t d = Number();
    const auto magnitude = static_cast<int64_t>(d >> 1);
    return (d & 1) ? -magnitude : magnitude;
  }

  const uint8_t* Take(size_t count, size_t action) {
    if (end_ - pos < count) {
      ThrowPatchDamaged(kFormat, action,
                        "its " + ByteCountText(count) + " run into the CRC32s at the end");
    }
    const uint8_t* at = p_ + pos;
    pos += count;
    return at;
  }

  bool AtEnd() const { return pos >= end_; }

 private:
  const uint8_t* p_;
  size_t end_;
};

class BpsWriter {
 public:
  std::vector<uint8_t> out{'B', 'P', 'S', '1'};
  size_t actions = 0;

  void Number(uint64_t value) {
    while (true) {
      const uint8_t x = value & 0x7F;
      value >>= 7;
      if (value == 0) {
        out.push_back(static_cast<uint8_t>(0x80 | x));
        return;
      }
      out.push_back(x);
      --value;
    }
  }
  void Action(Action kind, size_t length) {
    ++actions;
    Number((uint64_t{length} - 1) << 2 | kind);
  }
  void Distance(int64_t d) { Number(static_cast<uint64_t>(d < 0 ? -d : d) << 1 | (d < 0 ? 1 : 0)); }
  void Le32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
};

// Where in the source a 4-byte sequence was last seen, by a hash of it.
class SourceIndex {
 public:
  static constexpr int kBits = 20;
  static constexpr size_t kKey = 4;

  explicit SourceIndex(std::span<const uint8_t> source) : table_(size_t{1} << kBits, 0) {
    for (size_t i = 0; i + kKey <= source.size(); ++i) {
      table_[Hash(source.data() + i)] = static_cast<uint32_t>(i + 1);
    }
  }
  // A source offset whose bytes may equal p's, or -1.
  int64_t Find(const uint8_t* p) const { return int64_t{table_[Hash(p)]} - 1; }

 private:
  static uint32_t Hash(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - kBits);
  }
  std::vector<uint32_t> table_;
};

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
  return static_cast<uint32_t>(crc32_z(crc32_z(0, Z_NULL, 0), bytes.data(), bytes.size()));
}

std::vector<uint8_t> ApplyBps(std::span<const uint8_t> source, std::span<const uint8_t> patch) {
  const uint8_t* p = patch.data();
  const size_t n = patch.size();
  if (n < 4 || std::memcmp(p, "BPS1", 4) != 0) {
    throw ErrorFailure("This is not a BPS patch: it does not begin with \"BPS1\" (byte 0).");
  }
  if (n < 4 + 3 + kFooterSize) {
    ThrowPatchDamaged(kFormat, n, "the file ends before its sizes and CRC32s");
  }
  const size_t footer = n - kFooterSize;
  const uint32_t patchCrc = Crc32(patch.first(n - 4));
  if (patchCrc != Le32(p + n - 4)) {
    ThrowPatchDamaged(
        kFormat, n - 4,
        "its CRC32 is " + CrcText(Le32(p + n - 4)) + ", its bytes give " + CrcText(patchCrc));
  }
  const uint32_t sourceCrc = Crc32(source);
  if (sourceCrc != Le32(p + footer) && sourceCrc == Le32(p + footer + 4)) {
    // Not the ROM the patch is for, but the one it makes: it was applied before.
    BpsReader sizes(patch, footer);
    sizes.Number();
    if (sizes.Number() == source.size()) throw InfoFailure("This patch is already applied.");
  }
  if (sourceCrc != Le32(p + footer)) {
    throw ErrorFailure("This patch is for another ROM (CRC32 " + CrcText(Le32(p + footer)) +
                       ", this ROM has " + CrcText(sourceCrc) + ").");
  }

  BpsReader in(patch, footer);
  const uint64_t sourceSize = in.Number();
  if (sourceSize != source.size()) {
    throw ErrorFailure("This patch is for another ROM (" + ByteCountText(sourceSize) +
                       ", this ROM has " + ByteCountText(source.size()) + ").");
  }
  const size_t targetSizeAt = in.pos;
  const uint64_t targetSize = in.Number();
  if (targetSize > kRomCapacity) ThrowPatchTooLarge(kFormat, targetSizeAt, targetSize);
  // As with IPS, whose size after "EOF" may not be 0: a patch never leaves an empty ROM.
  if (targetSize == 0) ThrowPatchDamaged(kFormat, targetSizeAt, "the target size is 0");
  const size_t metadataAt = in.pos;
  in.Take(in.Number(), metadataAt);

  std::vector<uint8_t> target(targetSize);
  size_t out = 0;
  int64_t sourceAt = 0;
  int64_t targetAt = 0;
  while (!in.AtEnd()) {
    const size_t action = in.pos;
    const uint64_t word = in.Number();
    const uint64_t length = (word >> 2) + 1;
    if (length > targetSize - out) {
      ThrowPatchDamaged(
          kFormat, action,
          "an action writes past the target's " + ByteCountText(targetSize));
    }
    switch (word & 3) {
      case kSourceRead:
        if (out + length > source.size()) {
          ThrowPatchDamaged(kFormat, action, "a source read reaches past the source's end");
        }
        std::copy_n(source.begin() + out, length, target.begin() + out);
        break;
      case kTargetRead:
        std::copy_n(in.Take(length, action), length, target.begin() + out);
        break;
      case kSourceCopy:
        sourceAt += in.Distance();
        if (sourceAt < 0 || static_cast<uint64_t>(sourceAt) + length > source.size()) {
          ThrowPatchDamaged(kFormat, action, "a source copy reaches outside the source");
        }
        std::copy_n(source.begin() + sourceAt, length, target.begin() + out);
        sourceAt += static_cast<int64_t>(length);
        break;
      case kTargetCopy:
        targetAt += in.Distance();
        // Byte by byte: a copy may overlap its own output, which repeats a pattern.
        if (targetAt < 0 || static_cast<uint64_t>(targetAt) >= out) {
          ThrowPatchDamaged(kFormat, action, "a target copy reads bytes not yet written");
        }
        for (uint64_t i = 0; i < length; ++i) target[out + i] = target[targetAt + i];
        targetAt += static_cast<int64_t>(length);
        break;
    }
    out += length;
  }
  if (out != targetSize) {
    ThrowPatchDamaged(kFormat, footer,
                      "the actions end after " + std::to_string(out) + " of the target's " +
                          ByteCountText(targetSize));
  }
  const uint32_t targetCrc = Crc32(target);
  if (targetCrc != Le32(p + footer + 4)) {
    throw ErrorFailure("The BPS patch gives another ROM than it was made for (CRC32 " +
                       CrcText(targetCrc) + ", the patch expects " + CrcText(Le32(p + footer + 4)) +
                       ").");
  }
  return target;
}

std::vector<uint8_t> MakeBps(std::span<const uint8_t> source, std::span<const uint8_t> target,
                             size_t* records) {
  BpsWriter w;
  w.Number(source.size());
  w.Number(target.size());
  w.Number(0);  // no metadata

  const SourceIndex index(source);
  const size_t s = source.size();
  const size_t t = target.size();
  size_t literal = 0;  // start of the pending TargetRead bytes
  int64_t sourceAt = 0;
  int64_t targetAt = 0;
  auto flush = [&](size_t i) {
    if (i == literal) return;
    w.Action(kTargetRead, i - literal);
    w.out.insert(w.out.end(), target.begin() + literal, target.begin() + i);
  };

  size_t i = 0;
  while (i < t) {
    // The three ways to take bytes from somewhere; the longest wins.
    size_t same = 0;
    while (i + same < t && i + same < s && source[i + same] == target[i + same]) ++same;
    size_t repeat = 0;
    if (i > 0) {
      while (i + repeat < t && target[i + repeat] == target[i - 1]) ++repeat;
    }
    size_t moved = 0;
    int64_t movedFrom = -1;
    if (i + SourceIndex::kKey <= t) {
      movedFrom = index.Find(target.data() + i);
      if (movedFrom >= 0) {
        while (i + moved < t && movedFrom + moved < s &&
               source[movedFrom + moved] == target[i + moved]) {
          ++moved;
        }
      }
    }
    const bool pending = i > literal;
    if (same >= 1 && (same >= 3 || !pending) && same >= repeat && same >= moved) {
      flush(i);
      w.Action(kSourceRead, same);
      i += same;
    } else if (moved >= 8 && moved >= repeat) {
      flush(i);
      w.Action(kSourceCopy, moved);
      w.Distance(movedFrom - sourceAt);
      sourceAt = movedFrom + static_cast<int64_t>(moved);
      i += moved;
    } else if (repeat >= 4) {
      flush(i);
      w.Action(kTargetCopy, repeat);
      w.Distance(static_cast<int64_t>(i - 1) - targetAt);
      targetAt = static_cast<int64_t>(i - 1 + repeat);
      i += repeat;
    } else {
      ++i;  // one more byte for the pending TargetRead
      continue;
    }
    literal = i;
  }
  flush(i);
  w.Le32(Crc32(source));
  w.Le32(Crc32(target));
  w.Le32(Crc32(w.out));
  if (records) *records = w.actions;
  return std::move(w.out);
}
