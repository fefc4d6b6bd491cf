#pragma once
// SHA-1 of a byte buffer, as the exported Makefile checks the rebuilt ROM with sha1sum.

#include <cstddef>
#include <cstdint>
#include <string>

// 40 lower-case hexadecimal digits.
std::string Sha1Hex(const uint8_t* data, size_t size);
