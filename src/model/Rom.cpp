#include "model/Rom.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/FileWrite.h"

std::string HeaderTitle(const Rom& rom) {
  std::string title;
  for (uint32_t i = 0x134; i <= 0x143; ++i) {
    uint8_t b = rom.Byte(i);
    if (b == 0) break;
    title += static_cast<char>(b);
  }
  // A CGB flag (0x80 or 0xC0) in the last title byte is not part of the name.
  if (title.size() == 16 &&
      (static_cast<uint8_t>(title[15]) == 0x80 || static_cast<uint8_t>(title[15]) == 0xC0)) {
    title.pop_back();
  }
  for (char& c : title) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (!title.empty() && title[0] >= 'a' && title[0] <= 'z') {
    title[0] = static_cast<char>(title[0] - 'a' + 'A');
  }
  return title;
}

void LoadRomFile(Rom& rom, const std::string& fileName) {
  // Opened for reading only: many keep their base ROM write-protected, and such a ROM is still
  // worth reading, searching and saving under another name.
  RegularFile file(fileName, O_RDONLY);
  if (file.Size() == 0) throw ErrorFailure("File is empty.");
  if (file.Size() > kRomCapacity) throw ErrorFailure("File is larger than 16 MiB.");
  std::vector<uint8_t> scratch(static_cast<size_t>(file.Size()));
  // The file shrank while it was read.
  if (file.Read(scratch.data(), scratch.size()) != scratch.size()) ThrowFileError(EIO, fileName);
  file.Close();
  const bool readOnly = ::faccessat(AT_FDCWD, fileName.c_str(), W_OK, AT_EACCESS) != 0;

  rom.WaitForCopy();
  std::memcpy(rom.RomImage.data(), scratch.data(), scratch.size());
  // Nothing of an earlier, longer ROM stays behind the new one: not in the listing past its
  // end, not as the title of a file shorter than the header.
  std::fill(rom.RomImage.begin() + static_cast<ptrdiff_t>(scratch.size()), rom.RomImage.end(), 0);
  rom.RomSize = static_cast<uint32_t>(scratch.size());
  rom.BankCount = rom.RomSize >> 14;
  rom.RomTitle = HeaderTitle(rom);
  rom.RomFileName = fileName;
  rom.ReadOnly = readOnly;
}

void SaveRomFile(const Rom& rom, const std::string& fileName) {
  SaveFileSafely(fileName, rom.RomImage.data(), rom.RomSize);
}

std::string ProgramFolderOf(const std::string& executablePath) {
  std::string folder = executablePath;
  while (!folder.empty() && folder.back() != '/') folder.pop_back();
  return folder;
}
