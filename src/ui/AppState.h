#pragma once
// The program's state for the whole run, created once in main and handed to the windows: the
// loaded ROM's workspace (the ROM, its labels, marks, comments, table and log, and the files
// they came from), and what the program keeps around it.

#include <cstdint>
#include <map>
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
  // Why the symbols were not read whole at the last load ("" when they were): such a set is never
  // saved over its files.
  std::string SymbolsNotRead;
  // The user's answer, per file, to whether a file that rgblink wrote is saved into (true) or
  // left as it is: asked once while the program runs.
  std::map<std::string, bool> LinkerFileAnswers;
  // The listing's text rows found so far: dropped from a changed byte on, and whole when the
  // table or the ROM changes.
  TextRowStarts textRows;
  // The ROM's bytes as the last load read them: what an exported patch starts from.
  std::vector<uint8_t> LoadedRom;
};
