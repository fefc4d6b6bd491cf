#include "patch/Ips.h"

#include <algorithm>
#include <cstring>

#include "model/NumberText.h"
#include "model/Rom.h"
#include "patch/PatchFault.h"

namespace {

constexpr char kFormat[] = "IPS";
// The offset whose three bytes spell "EOF": a record there would read as the end of the patch.
constexpr uint32_t kEofOffset = 0x454F46;
constexpr uint32_t kMaxRecord = 0xFFFF;

uint32_t Be24(const uint8_t* p) {
  return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}
uint32_t Be16(const uint8_t* p) {
  return uint32_t{p[0]} << 8 | p[1];
}

// Writing a patch: records go to `out` as they are cut from the target.
class IpsWriter {
 public:
  explicit IpsWriter(std::span<const uint8_t> target) : target_(target) {
    out_.assign({'P', 'A', 'T', 'C', 'H'});
  }

  // target[start, end) as data records.
  void Data(uint32_t start, uint32_t end) {
    while (start < end) {
      // Start one byte early instead; that byte is written with its target value.
      if (start == kEofOffset) --start;
      const uint32_t size = std::min(end - start, kMaxRecord);
      Header(start, size);
      out_.insert(out_.end(), target_.begin() + start, target_.begin() + start + size);
      start += size;
    }
  }

  // target[start, end), all one byte, as run records.
  void Run(uint32_t start, uint32_t end) {
    while (start < end) {
      if (start == kEofOffset) {
        Data(start, start + 1);
        ++start;
        continue;
      }
      const uint32_t size = std::min(end - start, kMaxRecord);
      Header(start, 0);
      Put16(size);
      out_.push_back(target_[start]);
      start += size;
    }
  }

  size_t records = 0;

  std::vector<uint8_t> Finish(size_t sourceSize) {
    out_.insert(out_.end(), {'E', 'O', 'F'});
    // The extension that cuts a longer source down to the target's size.
    if (target_.size() < sourceSize) Put24(static_cast<uint32_t>(target_.size()));
    return std::move(out_);
  }

 private:
  void Header(uint32_t offset, uint32_t size) {
    ++records;
    Put24(offset);
    Put16(size);
  }
  void Put24(uint32_t v) {
    out_.insert(out_.end(), {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                             static_cast<uint8_t>(v)});
  }
  void Put16(uint32_t v) {
    out_.insert(out_.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
  }

  std::span<const uint8_t> target_;
  std::vector<uint8_t> out_;
};

}  // namespace

std::vector<uint8_t> ApplyIps(std::span<const uint8_t> source, std::span<const uint8_t> patch) {
  const uint8_t* p = patch.data();
  const size_t n = patch.size();
  if (n < 5 || std::memcmp(p, "PATCH", 5) != 0) {
    throw ErrorFailure("This is not an IPS patch: it does not begin with \"PATCH\" (byte 0).");
  }
  std::vector<uint8_t> target(source.begin(), source.end());
  size_t pos = 5;
  while (true) {
    if (n - pos < 3) ThrowPatchDamaged(kFormat, pos, "the file ends without \"EOF\"");
    if (std::memcmp(p + pos, "EOF", 3) == 0) break;
    const size_t record = pos;
    if (n - pos < 5) ThrowPatchDamaged(kFormat, record, "the file ends inside a record's header");
    const uint32_t offset = Be24(p + pos);
    uint32_t size = Be16(p + pos + 3);
    pos += 5;
    const bool run = size == 0;
    if (run) {
      if (n - pos < 3) ThrowPatchDamaged(kFormat, record, "the file ends inside a run record");
      size = Be16(p + pos);
      if (size == 0) ThrowPatchDamaged(kFormat, record, "a run record of 0 bytes");
    } else if (n - pos < size) {
      ThrowPatchDamaged(
          kFormat, record,
          "the record's " + ByteCountText(size) + " run past the end of the file");
    }
    const uint64_t end = uint64_t{offset} + size;
    if (end > kRomCapacity) ThrowPatchTooLarge(kFormat, record, end);
    // Bytes between the old end and a record beyond it are 0.
    if (end > target.size()) target.resize(end, 0);
    if (run) {
      std::fill_n(target.begin() + offset, size, p[pos + 2]);
      pos += 3;
    } else {
      std::copy_n(p + pos, size, target.begin() + offset);
      pos += size;
    }
  }
  pos += 3;
  if (pos < n) {
    if (n - pos != 3) {
      ThrowPatchDamaged(
          kFormat, pos,
          ByteCountText(n - pos) + " follow \"EOF\" where only a 3-byte size may stand");
    }
    const uint32_t size = Be24(p + pos);
    if (size == 0) ThrowPatchDamaged(kFormat, pos, "the size after \"EOF\" is 0");
    target.resize(size, 0);
  }
  return target;
}

std::vector<uint8_t> MakeIps(std::span<const uint8_t> source, std::span<const uint8_t> target,
                             size_t* records) {
  const size_t size = std::min<size_t>(target.size(), kRomCapacity);
  target = target.first(size);
  // What the patched file holds before the records are written: the source, and 0 where the
  // records make it longer.
  auto before = [&](size_t i) { return i < source.size() ? source[i] : uint8_t{0}; };
  auto changed = [&](size_t i) {
    return target[i] != before(i) || (i + 1 == size && size > source.size());
  };
  IpsWriter writer(target);
  size_t i = 0;
  while (i < size) {
    if (!changed(i)) {
      ++i;
      continue;
    }
    // One region of changes; gaps of up to 5 unchanged bytes are cheaper to carry along than a
    // new record header.
    const size_t start = i;
    size_t end = i;
    while (true) {
      while (end < size && changed(end)) ++end;
      size_t gap = end;
      while (gap < size && gap - end <= 5 && !changed(gap)) ++gap;
      if (gap == size || gap - end > 5) break;
      end = gap;
    }
    // Runs of one byte go into run records (8 bytes) where that is shorter than carrying them
    // in a data record, counting the header of a data record that the run cuts in two.
    size_t dataStart = start;
    size_t j = start;
    while (j < end) {
      size_t k = j + 1;
      while (k < end && target[k] == target[j]) ++k;
      const size_t neighbours = (j > dataStart ? 1 : 0) + (k < end ? 1 : 0);
      if (k - j > 3 + 5 * neighbours) {
        writer.Data(static_cast<uint32_t>(dataStart), static_cast<uint32_t>(j));
        writer.Run(static_cast<uint32_t>(j), static_cast<uint32_t>(k));
        dataStart = k;
      }
      j = k;
    }
    writer.Data(static_cast<uint32_t>(dataStart), static_cast<uint32_t>(end));
    i = end;
  }
  if (records) *records = writer.records;
  return writer.Finish(source.size());
}
