#include "ui/SplashSteps.h"

#include <cstddef>

void FadeStep(std::span<std::uint8_t> work, std::span<const std::uint8_t> target) {
  const std::size_t n = work.size();
  std::uint8_t* w = work.data();
  const std::uint8_t* t = target.data();
  // Written branch-free so that the compiler can do a whole row at a time.
  for (std::size_t i = 0; i < n; ++i)
    w[i] = static_cast<std::uint8_t>(w[i] + (w[i] < t[i]) - (w[i] > t[i]));
}

void CycleStep(std::span<std::uint8_t> channels) {
  for (std::uint8_t& c : channels) c = static_cast<std::uint8_t>(c + 1);
}
