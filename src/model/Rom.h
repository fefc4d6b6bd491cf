#pragma once
// The one in-memory copy of the ROM being edited, and whole-file load and save.

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// The image buffer holds 16 MiB; a few zero bytes stand after it so that the decoder, which reads
// up to two bytes past an instruction's first byte, never reads outside memory.
constexpr uint32_t kRomCapacity = 16u * 1024u * 1024u;
constexpr uint32_t kRomPadding = 4;
constexpr uint32_t kBankSize = 0x4000;

// The bytes that writes replaced while one command's changes are recorded (RecordEdit), in the
// order the writes came.
struct RomJournal {
  struct Run {
    uint32_t Offset = 0;
    uint32_t Length : 30 = 0;
    // The run replaced Length bytes of one value, kept as that one byte: growing a ROM writes
    // megabytes over the zeros past its end.
    uint32_t Fill : 1 = 0;
    // What the write put there is one value throughout (a run of copies of one byte), as long
    // as no later write of the same command overlaps it.
    uint32_t NewFill : 1 = 0;
    // The run's bytes in Old.
    uint32_t Kept() const { return Fill ? 1 : Length; }
  };
  // From this length on, a run of one value is kept as a fill.
  static constexpr uint32_t kFillFrom = 4096;

  std::vector<Run> Runs;
  std::vector<uint8_t> Old;  // the bytes each run replaced, run after run

  // Notes bytes about to be overwritten; a write right behind the last one extends its run.
  void Note(uint32_t offset, const uint8_t* old, uint32_t length) {
    if (length >= kFillFrom && IsFill(old, length)) return NoteFill(offset, length, old[0]);
    if (!Runs.empty() && !Runs.back().Fill && Runs.back().Offset + Runs.back().Length == offset) {
      Runs.back().Length += length;
    } else {
      Runs.push_back({offset, length, 0});
    }
    Old.insert(Old.end(), old, old + length);
  }
  void NoteFill(uint32_t offset, uint32_t length, uint8_t value) {
    Runs.push_back({offset, length, 1});
    Old.push_back(value);
  }
  // Whether all `length` bytes (at least one) hold the first one's value.
  static bool IsFill(const uint8_t* bytes, size_t length) {
    return std::memcmp(bytes, bytes + 1, length - 1) == 0;
  }
};

struct Rom {
  // Bytes past RomSize are zero: a load clears what an earlier, longer ROM left there, and a
  // change that cuts the ROM what it cut (ApplyRomChange).
  std::vector<uint8_t> RomImage = std::vector<uint8_t>(kRomCapacity + kRomPadding, 0);
  uint32_t RomSize = 0;
  // Whole 16 KiB banks of the loaded ROM (a partial last bank does not count).
  uint32_t BankCount = 0;
  std::string RomTitle;
  std::string RomFileName;
  // The loaded file may not be written by this user: it was opened for reading only, and Save
  // will be refused.
  bool ReadOnly = false;
  // Set only while RecordEdit runs a command: every write (SetByte, ApplyRomChange) then notes
  // the bytes it replaces, so that the command can be undone without a copy of the image.
  RomJournal* Journal = nullptr;
  // Points, while the window traces the ROM on a thread of its own, to a flag that is true while
  // that thread copies the image. Whatever writes the image (RecordEdit, ApplyEdit, RevertEdit,
  // LoadRomFile) first waits until the copy is complete.
  std::atomic<bool>* Copying = nullptr;
  void WaitForCopy() const {
    if (Copying) Copying->wait(true);
  }

  // Byte at an offset, 0 outside the buffer.
  uint8_t Byte(int64_t offset) const {
    return offset >= 0 && offset < kRomCapacity ? RomImage[static_cast<size_t>(offset)] : 0;
  }
  // Writes a byte; offsets outside the 16 MiB buffer are ignored.
  void SetByte(int64_t offset, uint8_t value) {
    if (offset < 0 || offset >= kRomCapacity) return;
    uint8_t& byte = RomImage[static_cast<size_t>(offset)];
    if (Journal) Journal->Note(static_cast<uint32_t>(offset), &byte, 1);
    byte = value;
  }
};

// Reads the whole file and, only when that succeeded, makes it the loaded ROM: RomImage (first
// RomSize bytes, zero after them), RomSize, BankCount, RomTitle, RomFileName and ReadOnly. On
// any failure nothing changes. Only a regular file is read, opened for reading only and without
// blocking. Throws Failure ("File is empty.", "File is larger than 16 MiB.", "'name' is not a
// regular file.") or FileError.
void LoadRomFile(Rom& rom, const std::string& fileName);

// Writes the first RomSize bytes to the file with SaveFileSafely. Throws FileError.
void SaveRomFile(const Rom& rom, const std::string& fileName);

// The title of the header at 0x134..0x143, cut and case-folded as the program shows it.
std::string HeaderTitle(const Rom& rom);

// The folder of an executable path, with its trailing separator.
std::string ProgramFolderOf(const std::string& executablePath);
