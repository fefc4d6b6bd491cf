#include "model/Labels.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/NumberText.h"

namespace {
template <typename Map, typename Key>
void Note(Map& index, Key&& key, int32_t entry) {
  auto [it, inserted] = index.try_emplace(std::forward<Key>(key), typename Map::mapped_type{entry, entry});
  if (!inserted) it->second.last = entry;
}
template <typename Map, typename Key>
int32_t First(const Map& index, const Key& key) {
  auto it = index.find(key);
  return it == index.end() ? LabelTables::kNone : it->second.first;
}
template <typename Map, typename Key>
int32_t Last(const Map& index, const Key& key) {
  auto it = index.find(key);
  return it == index.end() ? LabelTables::kNone : it->second.last;
}
}  // namespace

void LabelTables::Clear() {
  *this = LabelTables();
}

void LabelTables::AddRomLabel(int32_t offset, std::string name) {
  const auto index = static_cast<int32_t>(romLabels_.size());
  Note(romByOffset_, offset, index);
  if (offset >= 0x4000) {
    int32_t& slot = firstBankedByCpu_[static_cast<uint32_t>(offset) & 0x3FFF];
    if (slot == kNone) slot = index;
  }
  // Entries of one name are chained in table order.
  auto [named, inserted] = romByName_.try_emplace(name, FirstLast{index, index});
  if (!inserted) {
    nextRomNamed_[static_cast<size_t>(named->second.last)] = index;
    named->second.last = index;
  }
  nextRomNamed_.push_back(kNone);
  romLabels_.push_back(RomLabel{offset, std::move(name)});
}

void LabelTables::AddRamLabel(uint16_t address, uint8_t bank, std::string name) {
  const auto index = static_cast<int32_t>(ramLabels_.size());
  if (address >= 0x8000 && firstRamByAddress_[address - 0x8000] == kNone) {
    firstRamByAddress_[address - 0x8000] = index;
  }
  Note(ramByName_, name, index);
  ramLabels_.push_back(RamLabel{address, bank, std::move(name)});
}

int32_t LabelTables::FirstRamLabelAt(uint16_t address) const {
  return address >= 0x8000 ? firstRamByAddress_[address - 0x8000] : kNone;
}
int32_t LabelTables::FirstRomLabelAt(int32_t offset) const {
  return First(romByOffset_, offset);
}
int32_t LabelTables::LastRomLabelAt(int32_t offset) const {
  return Last(romByOffset_, offset);
}
int32_t LabelTables::FirstBankedRomLabelAt(uint16_t cpuAddress) const {
  if (cpuAddress < 0x4000 || cpuAddress > 0x7FFF) return kNone;
  return firstBankedByCpu_[cpuAddress & 0x3FFF];
}
int32_t LabelTables::FirstRamLabelNamed(std::string_view name) const {
  return First(ramByName_, std::string(name));
}
int32_t LabelTables::FirstRomLabelNamed(std::string_view name) const {
  return First(romByName_, std::string(name));
}
int32_t LabelTables::NextRomLabelNamed(int32_t entry) const {
  return entry >= 0 && static_cast<size_t>(entry) < nextRomNamed_.size()
             ? nextRomNamed_[static_cast<size_t>(entry)]
             : kNone;
}
int32_t LabelTables::LastRomLabelNamed(std::string_view name) const {
  return Last(romByName_, std::string(name));
}
int32_t LabelTables::LastRamLabelNamed(std::string_view name) const {
  return Last(ramByName_, std::string(name));
}

namespace {

// Assemblers also list constants and other bankless values ("2a parent", "00 .__.ABS.").
bool FirstWordHasColon(std::string_view line) {
  const size_t start = std::min(line.find_first_not_of(" \t"), line.size());
  const size_t end = line.find_first_of(" \t", start);
  return line.substr(start, end - start).find(':') != std::string_view::npos;
}

void ReadSymLine(LabelTables& labels, const std::string& line, uint32_t bankCount) {
  // Columns: bank, separator, four address digits, separator, name. A bank of three digits
  // (ROMs of 4 MiB and more) shifts the rest by one column.
  const size_t bankDigits = BankDigitsOf(line);
  auto column = [&](size_t from, size_t count) {
    return from < line.size() ? line.substr(from, count) : std::string();
  };
  uint32_t address = static_cast<uint32_t>(StrToInt("$" + column(bankDigits + 1, 4)));
  std::string name = column(bankDigits + 6, std::string::npos);
  if (address <= 0x7FFF) {
    uint32_t offset = BankAddressToOffset(column(0, bankDigits + 5), bankCount);
    labels.AddRomLabel(static_cast<int32_t>(offset), std::move(name));
  } else {
    uint32_t bank = static_cast<uint32_t>(StrToInt("$" + column(0, bankDigits)));
    labels.AddRamLabel(static_cast<uint16_t>(address), static_cast<uint8_t>(bank),
                       std::move(name));
  }
}

}  // namespace

void ReadSymText(LabelTables& labels, std::string_view text, uint32_t bankCount,
                 const std::string& sourceName, size_t* failedLine) {
  labels.Clear();
  size_t lineNumber = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    start = end + 1;
    ++lineNumber;
    // Files written on Windows end their lines with CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Assemblers put comment lines such as "; File generated by ..." at the top.
    if (line.empty() || line[0] == ';' || !FirstWordHasColon(line)) continue;
    if (failedLine != nullptr) *failedLine = lineNumber;
    const std::string where =
        sourceName.empty() ? "" : "\n" + sourceName + ", line " + std::to_string(lineNumber);
    try {
      ReadSymLine(labels, line, bankCount);
    } catch (const Failure& f) {
      throw Failure(f.kind, f.text + where);
    } catch (const RunTimeError& e) {
      throw RunTimeError(e.text + where);
    }
  }
}

void LoadSymFile(LabelTables& labels, const std::string& path, uint32_t bankCount) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    labels.Clear();
    return;
  }
  const std::string text =
      ReadRegularFile(path, size_t{256} << 20, "The symbol file is larger than 256 MiB.");
  ReadSymText(labels, text, bankCount, BaseName(path));
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
