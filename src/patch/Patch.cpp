#include "patch/Patch.h"

#include <algorithm>
#include <cstring>

#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/Header.h"
#include "model/NumberText.h"
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
                               std::span<const uint8_t> target, size_t* records) {
  return format == PatchFormat::Ips ? MakeIps(source, target, records)
                                    : MakeBps(source, target, records);
}

std::string PatchWrittenText(size_t records, size_t bytes) {
  return "Patch written: " + GroupedDecimal(records) + (records == 1 ? " record, " : " records, ") +
         GroupedDecimal(bytes) + " bytes";
}

std::string PatchAppliedText(const EditStep& step) {
  // Bytes past the old size are new rather than changed; the step's runs never touch, so each
  // is a place of its own.
  const uint32_t oldSize = step.OldSize;
  uint64_t changed = 0;
  size_t places = 0;
  for (const EditRun& run : step.Runs) {
    if (run.Offset >= oldSize) break;
    changed += std::min<uint64_t>(run.Length, oldSize - run.Offset);
    ++places;
  }
  std::string text;
  if (places > 0) {
    text = GroupedDecimal(changed) + (changed == 1 ? " byte" : " bytes") + " changed in " +
           GroupedDecimal(places) + (places == 1 ? " place" : " places");
  }
  if (step.NewSize != oldSize) {
    if (!text.empty()) text += "; ";
    text += std::string("the ROM ") + (step.NewSize > oldSize ? "grew" : "was cut") + " from " +
            SizeText(oldSize) + " to " + SizeText(step.NewSize);
  }
  if (text.empty()) return "The patch changed nothing: the ROM holds its bytes already";
  return "Patch applied: " + text;
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

void ApplyPatchToRom(Rom& rom, std::span<const uint8_t> patch) {
  std::vector<uint8_t> target = ApplyPatch(RomBytes(rom), patch);
  target.resize(std::min<size_t>(target.size(), kRomCapacity));
  RomChange change;
  change.NewSize = static_cast<uint32_t>(target.size());
  change.Runs.push_back({0, std::move(target)});
  ApplyRomChange(rom, change);
}
