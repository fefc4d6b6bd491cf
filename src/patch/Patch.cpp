#include "patch/Patch.h"

#include <cstring>

#include "model/Failure.h"
#include "model/FileRead.h"
#include "patch/Bps.h"
#include "patch/Ips.h"

namespace {

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = text[text.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

bool StartsWith(std::span<const uint8_t> bytes, const char* magic) {
  const size_t n = std::strlen(magic);
  return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

}  // namespace

PatchFormat PatchFormatOfName(const std::string& fileName) {
  if (EndsWithNoCase(fileName, ".ips")) return PatchFormat::Ips;
  if (EndsWithNoCase(fileName, ".bps")) return PatchFormat::Bps;
  throw ErrorFailure("'" + BaseName(fileName) +
                     "' names no patch format: the name must end in .ips or .bps.");
}

std::vector<uint8_t> MakePatch(PatchFormat format, std::span<const uint8_t> source,
                               std::span<const uint8_t> target) {
  return format == PatchFormat::Ips ? MakeIps(source, target) : MakeBps(source, target);
}

std::vector<uint8_t> ApplyPatch(std::span<const uint8_t> source, std::span<const uint8_t> patch) {
  if (StartsWith(patch, "PATCH")) return ApplyIps(source, patch);
  if (StartsWith(patch, "BPS1")) return ApplyBps(source, patch);
  throw ErrorFailure(
      "This is neither an IPS nor a BPS patch: it begins with neither \"PATCH\" nor \"BPS1\" "
      "(byte 0).");
}

std::vector<uint8_t> ReadPatchFile(const std::string& fileName) {
  const std::string text =
      ReadRegularFile(fileName, 64u << 20, "The patch file is larger than 64 MiB.");
  return std::vector<uint8_t>(text.begin(), text.end());
}

RomChange PatchRom(const Rom& rom, std::span<const uint8_t> patch) {
  return DiffRom(rom, ApplyPatch(RomBytes(rom), patch));
}
