#pragma once
// The splash animation's pixel arithmetic on rows of 8-bit colour channels, free of any toolkit.

#include <cstdint>
#include <span>

// One fade pass: every channel of work moves one step toward the same channel of target.
// The spans have the same length.
void FadeStep(std::span<std::uint8_t> work, std::span<const std::uint8_t> target);

// One colour-cycle pass: every channel goes up by one, 255 wrapping to 0.
void CycleStep(std::span<std::uint8_t> channels);
