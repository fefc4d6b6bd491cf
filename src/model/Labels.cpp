#include "model/Labels.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <utility>


namespace {

// Spreads the key over the hash's top bits, which pick the slot.
uint64_t Mix(uint64_t value) {
  return value * 0x9E3779B97F4A7C15ull;
}
uint64_t OffsetHash(int32_t offset) {
  return Mix(static_cast<uint32_t>(offset) + 1ull);
}
uint64_t NameHash(std::string_view name) {
  return Mix(std::hash<std::string_view>()(name));
}

}  // namespace

void LabelTables::FirstLastIndex::Reserve(size_t count) {
  // At most half full, so that a probe ends soon.
  size_t size = 16;
  int shift = 60;
  while (size < 2 * (used_ + count)) {
    size *= 2;
    --shift;
  }
  if (size <= slots_.size()) return;
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(size, Slot{});
  shift_ = shift;
  for (const Slot& s : old) {
    if (s.first == kNone) continue;
    size_t at = SlotOf(s.hash);
    while (slots_[at].first != kNone) at = (at + 1) & (size - 1);
    slots_[at] = s;
  }
}

template <class SameKey>
const LabelTables::FirstLastIndex::Slot* LabelTables::FirstLastIndex::Find(
    uint64_t hash, SameKey&& sameKey) const {
  if (slots_.empty()) return nullptr;
  for (size_t at = SlotOf(hash);; at = (at + 1) & (slots_.size() - 1)) {
    const Slot& s = slots_[at];
    if (s.first == kNone) return nullptr;
    if (s.hash == hash && sameKey(s.first)) return &s;
  }
}

template <class SameKey>
int32_t LabelTables::FirstLastIndex::Add(uint64_t hash, int32_t entry, SameKey&& sameKey) {
  if (2 * (used_ + 1) > slots_.size()) Reserve(std::max<size_t>(used_, 8));
  for (size_t at = SlotOf(hash);; at = (at + 1) & (slots_.size() - 1)) {
    Slot& s = slots_[at];
    if (s.first == kNone) {
      s = Slot{hash, entry, entry};
      ++used_;
      return kNone;
    }
    if (s.hash == hash && sameKey(s.first)) return std::exchange(s.last, entry);
  }
}

void LabelTables::Clear() {
  *this = LabelTables();
}

void LabelTables::Reserve(size_t romCount, size_t ramCount) {
  romLabels_.reserve(romLabels_.size() + romCount);
  nextRomNamed_.reserve(romLabels_.size() + romCount);
  nextRomAt_.reserve(romLabels_.size() + romCount);
  romByOffset_.Reserve(romCount);
  romByName_.Reserve(romCount);
  ramLabels_.reserve(ramLabels_.size() + ramCount);
  ramByName_.Reserve(ramCount);
}

void LabelTables::AddRomLabel(int32_t offset, std::string name) {
  const auto index = static_cast<int32_t>(romLabels_.size());
  // Entries at one offset are chained in table order, as are entries of one name.
  const int32_t before = romByOffset_.Add(
      OffsetHash(offset), index, [&](int32_t e) { return romLabels_[e].Offset == offset; });
  if (before != kNone) nextRomAt_[static_cast<size_t>(before)] = index;
  nextRomAt_.push_back(kNone);
  if (offset >= 0x4000) {
    int32_t& slot = firstBankedByCpu_[static_cast<uint32_t>(offset) & 0x3FFF];
    if (slot == kNone) slot = index;
  }
  const int32_t named = romByName_.Add(NameHash(name), index,
                                       [&](int32_t e) { return romLabels_[e].Name == name; });
  if (named != kNone) nextRomNamed_[static_cast<size_t>(named)] = index;
  nextRomNamed_.push_back(kNone);
  romLabels_.push_back(RomLabel{offset, std::move(name)});
}

void LabelTables::AddRamLabel(uint16_t address, uint8_t bank, std::string name) {
  const auto index = static_cast<int32_t>(ramLabels_.size());
  if (address >= 0x8000 && firstRamByAddress_[address - 0x8000] == kNone) {
    firstRamByAddress_[address - 0x8000] = index;
  }
  ramByName_.Add(NameHash(name), index, [&](int32_t e) { return ramLabels_[e].Name == name; });
  ramLabels_.push_back(RamLabel{address, bank, std::move(name)});
}

int32_t LabelTables::FirstRamLabelAt(uint16_t address) const {
  return address >= 0x8000 ? firstRamByAddress_[address - 0x8000] : kNone;
}
int32_t LabelTables::FirstRomLabelAt(int32_t offset) const {
  const auto* s = romByOffset_.Find(OffsetHash(offset),
                                    [&](int32_t e) { return romLabels_[e].Offset == offset; });
  return s ? s->first : kNone;
}
int32_t LabelTables::LastRomLabelAt(int32_t offset) const {
  const auto* s = romByOffset_.Find(OffsetHash(offset),
                                    [&](int32_t e) { return romLabels_[e].Offset == offset; });
  return s ? s->last : kNone;
}
int32_t LabelTables::NextRomLabelAt(int32_t entry) const {
  return entry >= 0 && static_cast<size_t>(entry) < nextRomAt_.size()
             ? nextRomAt_[static_cast<size_t>(entry)]
             : kNone;
}
int32_t LabelTables::FirstBankedRomLabelAt(uint16_t cpuAddress) const {
  if (cpuAddress < 0x4000 || cpuAddress > 0x7FFF) return kNone;
  return firstBankedByCpu_[cpuAddress & 0x3FFF];
}
int32_t LabelTables::FirstRamLabelNamed(std::string_view name) const {
  const auto* s =
      ramByName_.Find(NameHash(name), [&](int32_t e) { return ramLabels_[e].Name == name; });
  return s ? s->first : kNone;
}
int32_t LabelTables::FirstRomLabelNamed(std::string_view name) const {
  const auto* s =
      romByName_.Find(NameHash(name), [&](int32_t e) { return romLabels_[e].Name == name; });
  return s ? s->first : kNone;
}
int32_t LabelTables::NextRomLabelNamed(int32_t entry) const {
  return entry >= 0 && static_cast<size_t>(entry) < nextRomNamed_.size()
             ? nextRomNamed_[static_cast<size_t>(entry)]
             : kNone;
}
int32_t LabelTables::LastRomLabelNamed(std::string_view name) const {
  const auto* s =
      romByName_.Find(NameHash(name), [&](int32_t e) { return romLabels_[e].Name == name; });
  return s ? s->last : kNone;
}
int32_t LabelTables::LastRamLabelNamed(std::string_view name) const {
  const auto* s =
      ramByName_.Find(NameHash(name), [&](int32_t e) { return ramLabels_[e].Name == name; });
  return s ? s->last : kNone;
}

void LabelTables::Rebuild(std::vector<RomLabel> rom, std::vector<RamLabel> ram) {
  Clear();
  Reserve(rom.size(), ram.size());
  for (RomLabel& l : rom) AddRomLabel(l.Offset, std::move(l.Name));
  for (RamLabel& l : ram) AddRamLabel(l.Address, l.Bank, std::move(l.Name));
}

void LabelTables::InsertRomLabel(int32_t entry, RomLabel label) {
  std::vector<RomLabel> rom = romLabels_;
  rom.insert(rom.begin() + std::clamp<int32_t>(entry, 0, static_cast<int32_t>(rom.size())),
             std::move(label));
  Rebuild(std::move(rom), ramLabels_);
}
void LabelTables::EraseRomLabel(int32_t entry) {
  std::vector<RomLabel> rom = romLabels_;
  rom.erase(rom.begin() + entry);
  Rebuild(std::move(rom), ramLabels_);
}
void LabelTables::RenameRomLabel(int32_t entry, std::string name) {
  std::vector<RomLabel> rom = romLabels_;
  rom[static_cast<size_t>(entry)].Name = std::move(name);
  Rebuild(std::move(rom), ramLabels_);
}
void LabelTables::InsertRamLabel(int32_t entry, RamLabel label) {
  std::vector<RamLabel> ram = ramLabels_;
  ram.insert(ram.begin() + std::clamp<int32_t>(entry, 0, static_cast<int32_t>(ram.size())),
             std::move(label));
  Rebuild(romLabels_, std::move(ram));
}
void LabelTables::EraseRamLabel(int32_t entry) {
  std::vector<RamLabel> ram = ramLabels_;
  ram.erase(ram.begin() + entry);
  Rebuild(romLabels_, std::move(ram));
}
void LabelTables::RenameRamLabel(int32_t entry, std::string name) {
  std::vector<RamLabel> ram = ramLabels_;
  ram[static_cast<size_t>(entry)].Name = std::move(name);
  Rebuild(romLabels_, std::move(ram));
}

std::vector<std::string> SymFileCandidates(const std::string& romFileName,
                                           const std::string& programFolder,
                                           const std::string& romTitle) {
  std::vector<std::string> names;
  if (!romFileName.empty()) {
    const size_t slash = romFileName.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = romFileName.rfind('.');
    // A dot that starts the file name (".gb") or stands in a folder name is no extension.
    const bool hasExtension = dot != std::string::npos && dot > base;
    names.push_back((hasExtension ? romFileName.substr(0, dot) : romFileName) + ".sym");
  }
  names.push_back(programFolder + romTitle + ".sym");
  return names;
}

std::string FindSymFile(const std::string& romFileName, const std::string& programFolder,
                        const std::string& romTitle) {
  for (const std::string& name : SymFileCandidates(romFileName, programFolder, romTitle)) {
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) return name;
  }
  return {};
}

bool IsConstantLabel(int32_t offset, std::string_view name) {
  if (offset < 0 || offset >= 0x100) return false;
  for (std::string_view prefix : {"b_", "s__", "l__", "__bank_", "___bank_"})
    if (name.starts_with(prefix)) return true;
  return false;
}
