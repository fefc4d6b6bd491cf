#pragma once
// The ROM and RAM label tables of a symbol file, in file order, with indexes that answer every
// lookup the program makes without scanning: each gives exactly the entry that a scan of the
// table in order would give (the first match, or the last one where that is the rule).

#include <cstdint>
#include <string>
#include <string_view>
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
  // Room for that many entries more, so that a long file fills the tables without rehashing.
  void Reserve(size_t romCount, size_t ramCount);
  void AddRomLabel(int32_t offset, std::string name);
  void AddRamLabel(uint16_t address, uint8_t bank, std::string name);

  // The user's edits: an entry put at a place in the table (the ones from there on move up one),
  // taken out, or renamed. Each rebuilds the indexes.
  void InsertRomLabel(int32_t entry, RomLabel label);
  void EraseRomLabel(int32_t entry);
  void RenameRomLabel(int32_t entry, std::string name);
  void InsertRamLabel(int32_t entry, RamLabel label);
  void EraseRamLabel(int32_t entry);
  void RenameRamLabel(int32_t entry, std::string name);

  // Index into RomLabels()/RamLabels(), or kNone.
  int32_t FirstRamLabelAt(uint16_t address) const;
  int32_t FirstRomLabelAt(int32_t offset) const;
  int32_t LastRomLabelAt(int32_t offset) const;
  // The entry after `entry` at the same offset, in table order, or kNone.
  int32_t NextRomLabelAt(int32_t entry) const;
  // The first ROM label outside bank 0 whose CPU address (4000-7FFF) is the given one.
  int32_t FirstBankedRomLabelAt(uint16_t cpuAddress) const;
  int32_t FirstRamLabelNamed(std::string_view name) const;
  int32_t FirstRomLabelNamed(std::string_view name) const;
  // The entry after `entry` with the same name, in table order, or kNone.
  int32_t NextRomLabelNamed(int32_t entry) const;
  int32_t LastRomLabelNamed(std::string_view name) const;
  int32_t LastRamLabelNamed(std::string_view name) const;

 private:
  // The first and the last entry of each key, in table order, in one open-addressed table of
  // slots: no allocation per key, and nothing to free one by one. A key is known by its hash
  // and by comparing an entry that carries it.
  class FirstLastIndex {
   public:
    struct Slot {
      uint64_t hash = 0;
      int32_t first = kNone;
      int32_t last = kNone;
    };
    void Reserve(size_t count);
    // The slot of the key, or nullptr.
    template <class SameKey>
    const Slot* Find(uint64_t hash, SameKey&& sameKey) const;
    // Notes the entry under its key; returns the key's last entry before it, or kNone.
    template <class SameKey>
    int32_t Add(uint64_t hash, int32_t entry, SameKey&& sameKey);

   private:
    size_t SlotOf(uint64_t hash) const { return static_cast<size_t>(hash >> shift_); }
    std::vector<Slot> slots_;
    size_t used_ = 0;
    int shift_ = 64;
  };

  // Refills the tables and their indexes with these entries.
  void Rebuild(std::vector<RomLabel> rom, std::vector<RamLabel> ram);

  std::vector<RomLabel> romLabels_;
  std::vector<RamLabel> ramLabels_;
  std::vector<int32_t> firstRamByAddress_ = std::vector<int32_t>(0x8000, kNone);
  std::vector<int32_t> firstBankedByCpu_ = std::vector<int32_t>(0x4000, kNone);
  FirstLastIndex romByOffset_;
  FirstLastIndex romByName_;
  FirstLastIndex ramByName_;
  // The entry after each one with the same name, and at the same offset.
  std::vector<int32_t> nextRomNamed_;
  std::vector<int32_t> nextRomAt_;
};

// The symbol files that a loaded ROM may have, in the order they are looked for: beside the ROM
// under the ROM's own name with ".sym" in place of its extension ("game.gbc" -> "game.sym"),
// then the program's folder under the header title ("Europa.sym").
std::vector<std::string> SymFileCandidates(const std::string& romFileName,
                                           const std::string& programFolder,
                                           const std::string& romTitle);
// The first of those candidates that exists, or "" when none does.
std::string FindSymFile(const std::string& romFileName, const std::string& programFolder,
                        const std::string& romTitle);

// Whether a ROM label stands for a number rather than a place: GBDK's symbol files give bank
// numbers and section sizes and starts the form of places in bank 0 below 0100 (`b_main` at
// 00:0001 is "main is in bank 1", `s__HEADER` at 00:0000, `___bank_scene` at 00:0005). Such a
// name starts no trace and has no line in the listing; an export writes it as a constant.
bool IsConstantLabel(int32_t offset, std::string_view name);
