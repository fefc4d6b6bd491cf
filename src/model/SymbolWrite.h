#pragma once
// Writing the symbol files of a save. A save may write two files (the ROM's own and the
// program's file of additions beside it), and a rename can take a line out of one and put its
// new name into the other: they are written in the order that keeps every label on disk, under
// its old name, its new name or both, whatever stops the save, and only over files that still
// hold what was read from them.

#include <cstdint>
#include <string>
#include <vector>

#include "model/SymbolFile.h"

struct SymbolWrite {
  // The files as read, under the names they are written as; files[known..] are new files.
  std::vector<SymbolFile> files;
  size_t known = 0;
  std::vector<std::string> texts;  // what each is to hold
  std::vector<bool> write;         // which are written
  size_t target = 0;               // the one that new lines go into
};

// The names of the files that the save would write over although they no longer hold what was
// read from them (`held`, the files as read): another program wrote, replaced or removed one
// since, or a new one is there now. A file that cannot be read counts as changed.
std::vector<std::string> ChangedOnDisk(const SymbolWrite& plan,
                                       const std::vector<SymbolFile>& held);

// Every label, comment and mark of the tables as one symbol file's text: the files as read
// (`held`, in the order they were read) composed with the tables as a save composes them, what is
// new going into the last, one after the other (a byte-order mark stays only at the start). It
// reads back as the files read together do.
std::string SymbolCopyText(const std::vector<SymbolFile>& held, const LabelTables& labels,
                           const RomMarks& marks, const RomComments& comments);

// Writes the files of the plan (SaveFileSafely) that are to be written, the target first: only
// it gains lines, the others only lose some, so until it is complete nothing has left the disk.
// Afterwards `held` (the files as read, plan.known of them) is the files as they are on disk,
// read again together as a load reads them: the ones written as written, the others as they
// were; a new file only once written. Throws FileError or Failure for the first file that
// cannot be written, the files after it left as they are. `written` gets the name of each file
// written, as it is written.
void WriteSymbolFiles(SymbolWrite plan, std::vector<SymbolFile>& held, uint32_t bankCount,
                      std::vector<std::string>& written);
