#pragma once
// IPS patches: "PATCH", then records of a 24-bit offset and a 16-bit size followed by that many
// bytes (or, for size 0, a 16-bit run length and one byte to repeat), then "EOF", optionally
// followed by a 24-bit size to cut the file to. All numbers are big-endian.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The file that the patch makes of `source`. Records may reach past the source's end (the bytes
// they skip there are 0). Throws an error Failure naming the fault and the byte of the patch
// where it was found: a wrong header, a file cut short, a run of 0 bytes, bytes after the end
// other than a 3-byte size, a size of 0, or a record ending past 16 MiB.
std::vector<uint8_t> ApplyIps(std::span<const uint8_t> source, std::span<const uint8_t> patch);

// A patch that turns `source` into `target` (at most 16 MiB): data records of at most 65,535
// bytes, runs of one byte as run records, no record starting at 0x454F46 (it would read as
// "EOF"), and the 3-byte size after "EOF" when the target is shorter. `records`, when given,
// receives the number of records written.
std::vector<uint8_t> MakeIps(std::span<const uint8_t> source, std::span<const uint8_t> target,
                             size_t* records = nullptr);
