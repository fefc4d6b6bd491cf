#pragma once
// The runs of bytes where two buffers differ, found without a branch per byte: a change that
// touches every tenth byte of an 8 MiB ROM is a million short runs, and a loop that asks "same?"
// byte by byte mispredicts at nearly every one of them.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace byte_runs {

// One bit per byte of the eight at a and b, set where they differ (bit i for byte i).
inline uint32_t DifferMask8(const uint8_t* a, const uint8_t* b) {
  uint64_t x;
  uint64_t y;
  std::memcpy(&x, a, 8);
  std::memcpy(&y, b, 8);
  const uint64_t v = x ^ y;
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
  constexpr uint64_t kHigh = 0x8080808080808080u;
  // The top bit of each byte set when the byte is non-zero, without a carry into its neighbour.
  const uint64_t nonZero = (((v & kLow7) + kLow7) | v) & kHigh;
  if constexpr (std::endian::native == std::endian::little) {
    // Gathers the eight top bits into the low byte: byte i's bit lands at bit 56 + i.
    return static_cast<uint32_t>(((nonZero >> 7) * 0x0102040810204080u) >> 56);
  } else {
    uint32_t mask = 0;
    for (int i = 0; i < 8; ++i) mask |= (a[i] != b[i] ? 1u : 0u) << i;
    return mask;
  }
}

// One bit per byte of the 64 at a and b, set where they differ.
inline uint64_t DifferMask64(const uint8_t* a, const uint8_t* b) {
#if defined(__SSE2__)
  uint64_t same = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * i));
    same |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)))} << (16 * i);
  }
  return ~same;
#else
  uint64_t mask = 0;
  for (int i = 0; i < 8; ++i) mask |= uint64_t{DifferMask8(a + 8 * i, b + 8 * i)} << (8 * i);
  return mask;
#endif
}

}  // namespace byte_runs

// Calls run(start, end) for every maximal stretch [start, end) of [0, n) where a and b differ,
// in rising order. Stretches of equal or of differing bytes cost a few operations per 64 bytes.
template <typename Run>
void ForEachDifferingRun(const uint8_t* a, const uint8_t* b, size_t n, Run&& run) {
  size_t start = 0;
  bool inRun = false;
  // Calls run for the flips of one block of 64 bytes from `at`: the places where a byte's
  // state differs from the one below it (bit 0 from the state carried in).
  auto block = [&](size_t at, uint64_t mask) {
    const uint64_t flips = mask ^ ((mask << 1) | (inRun ? 1u : 0u));
    for (uint64_t f = flips; f != 0; f &= f - 1) {
      const size_t place = at + static_cast<size_t>(std::countr_zero(f));
      if (inRun) {
        run(start, place);
      } else {
        start = place;
      }
      inRun = !inRun;
    }
  };
  size_t i = 0;
  for (; i + 64 <= n; i += 64) block(i, byte_runs::DifferMask64(a + i, b + i));
  if (i < n) {
    // The last bytes padded with equal ones: a run that reaches n ends there.
    uint8_t lastA[64] = {};
    uint8_t lastB[64] = {};
    std::memcpy(lastA, a + i, n - i);
    std::memcpy(lastB, b + i, n - i);
    block(i, byte_runs::DifferMask64(lastA, lastB));
  } else if (inRun) {
    run(start, n);
  }
}

// How many stretches ForEachDifferingRun would report, and how many bytes they hold, counted
// a block of 64 bytes at a time without visiting the stretches: so that what is made of them can
// be given its room at once.
struct DifferingRunCount {
  size_t Runs = 0;
  size_t Bytes = 0;
  bool operator==(const DifferingRunCount&) const = default;
};

inline DifferingRunCount CountDifferingRuns(const uint8_t* a, const uint8_t* b, size_t n) {
  DifferingRunCount count;
  uint64_t below = 0;  // whether the byte below the block differs, in bit 0
  auto block = [&](uint64_t mask) {
    count.Runs += static_cast<size_t>(std::popcount(mask & ~((mask << 1) | below)));
    count.Bytes += static_cast<size_t>(std::popcount(mask));
    below = mask >> 63;
  };
  size_t i = 0;
  for (; i + 64 <= n; i += 64) block(byte_runs::DifferMask64(a + i, b + i));
  if (i < n) {
    uint8_t lastA[64] = {};
    uint8_t lastB[64] = {};
    std::memcpy(lastA, a + i, n - i);
    std::memcpy(lastB, b + i, n - i);
    block(byte_runs::DifferMask64(lastA, lastB));
  }
  return count;
}

// The same where a's bytes all hold one value: the stretches of b that differ from it, each
// found by a word-wide scan for its first differing byte and memchr for its end.
template <typename Run>
void ForEachDifferingRunFromFill(uint8_t value, const uint8_t* b, size_t n, Run&& run) {
  const uint64_t pattern = 0x0101010101010101u * value;
  size_t i = 0;
  while (i < n) {
    // Past the bytes that hold the value, eight at a time.
    for (uint64_t word; i + 8 <= n; i += 8) {
      std::memcpy(&word, b + i, 8);
      if (word != pattern) break;
    }
    while (i < n && b[i] == value) ++i;
    if (i == n) return;
    const void* same = std::memchr(b + i, value, n - i);
    const size_t end = same ? static_cast<size_t>(static_cast<const uint8_t*>(same) - b) : n;
    run(i, end);
    i = end;
  }
}
