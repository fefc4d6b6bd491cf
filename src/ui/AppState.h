#pragma once
// The program's state for the whole run, created once in main and handed to the windows: the
// loaded ROM's workspace (the ROM, its labels, marks, comments, table and log, and the files
// they came from), and what the program keeps around it.

#include <cstdint>
#include <string>
#include <vector>

#include "isa/Decoder.h"
#include "model/TextRows.h"
#include "search/LastSearch.h"
#include "workspace/Workspace.h"

struct AppState : Workspace {
  ValueFormat format = ValueFormat::Hex;
  LastSearch lastSearch;
  std::string ProgramFolder;
  // The listing's text rows found so far: dropped from a changed byte on, and whole when the
  // table or the ROM changes.
  TextRowStarts textRows;
  // The ROM's bytes as the last load read them: what an exported patch starts from.
  std::vector<uint8_t> LoadedRom;
};
