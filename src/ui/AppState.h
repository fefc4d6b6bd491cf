#pragma once
// The program's state for the whole run, created once in main and handed to the windows.

#include <string>

#include "isa/Decoder.h"
#include "model/Labels.h"
#include "model/Rom.h"
#include "search/LastSearch.h"

struct AppState {
  Rom rom;
  LabelTables labels;
  ValueFormat format = ValueFormat::Hex;
  LastSearch lastSearch;
  std::string ProgramFolder;
  // The symbol file read at the last load, "" when the ROM has none.
  std::string SymFileName;
};
