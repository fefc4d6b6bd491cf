#pragma once
// The ROM and RAM label tables of a symbol file, in file order, with indexes that answer every
// lookup the program makes without scanning: each gives exactly the entry that a scan of the
// table in order would give (the first match, or the last one where that is the rule).

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct RomLabel {
  int32_t Offset;  // file offset that the label names
  std::string Name;
};

struct RamLabel {
  uint16_t Address;  // 8000-FFFF
  uint8_t Bank;      // as written in the file; shown, never compared
  std::string Name;
};

class LabelTables {
 public:
  static constexpr int32_t kNone = -1;

  const std::vector<RomLabel>& RomLabels() const { return romLabels_; }
  const std::vector<RamLabel>& RamLabels() const { return ramLabels_; }

  void Clear();
  void AddRomLabel(int32_t offset, std::string name);
  void AddRamLabel(uint16_t address, uint8_t bank, std::string name);

  // Index into RomLabels()/RamLabels(), or kNone.
  int32_t FirstRamLabelAt(uint16_t address) const;
  int32_t FirstRomLabelAt(int32_t offset) const;
  int32_t LastRomLabelAt(int32_t offset) const;
  // The first ROM label outside bank 0 whose CPU address (4000-7FFF) is the given one.
  int32_t FirstBankedRomLabelAt(uint16_t cpuAddress) const;
  int32_t FirstRamLabelNamed(std::string_view name) const;
  int32_t FirstRomLabelNamed(std::string_view name) const;
  // The entry after `entry` with the same name, in table order, or kNone.
  int32_t NextRomLabelNamed(int32_t entry) const;
  int32_t LastRomLabelNamed(std::string_view name) const;
  int32_t LastRamLabelNamed(std::string_view name) const;

 private:
  // The first and the last entry with one key, in table order.
  struct FirstLast {
    int32_t first;
    int32_t last;
  };

  std::vector<RomLabel> romLabels_;
  std::vector<RamLabel> ramLabels_;
  std::vector<int32_t> firstRamByAddress_ = std::vector<int32_t>(0x8000, kNone);
  std::vector<int32_t> firstBankedByCpu_ = std::vector<int32_t>(0x4000, kNone);
  std::unordered_map<int32_t, FirstLast> romByOffset_;
  std::unordered_map<std::string, FirstLast> romByName_;
  std::vector<int32_t> nextRomNamed_;
  std::unordered_map<std::string, FirstLast> ramByName_;
};

// Reads symbol-file text into the tables, replacing what they held. Lines are "BB:AAAA Name"
// (or "BBB:AAAA Name"); empty lines, lines beginning with ";" and lines whose first word has no
// ":" (the constants some assemblers list) are skipped. A line that does not convert stops the
// read with its error, followed on a new line by "<sourceName>, line <n>"; the labels of the
// lines before it stay. With an empty sourceName the error is the line's own, and a caller that
// names the place itself gets n in *failedLine.
void ReadSymText(LabelTables& labels, std::string_view text, uint32_t bankCount,
                 const std::string& sourceName, size_t* failedLine = nullptr);

// Reads a symbol file (see ReadSymText). A missing file leaves both tables empty; a file that is
// not a regular file, or one over 256 MiB, is refused with an error Failure.
void LoadSymFile(LabelTables& labels, const std::string& path, uint32_t bankCount);

// The symbol files that a loaded ROM may have, in the order they are looked for: beside the ROM
// under the ROM's own name with ".sym" in place of its extension ("game.gbc" -> "game.sym"),
// then the program's folder under the header title ("Europa.sym").
std::vector<std::string> SymFileCandidates(const std::string& romFileName,
                                           const std::string& programFolder,
                                           const std::string& romTitle);
// The first of those candidates that exists, or "" when none does.
std::string FindSymFile(const std::string& romFileName, const std::string& programFolder,
                        const std::string& romTitle);
