#pragma once
// The program's state for the whole run, created once in main and handed to the windows.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "isa/Decoder.h"
#include "model/CodeDataLog.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/Rom.h"
#include "model/SymbolFile.h"
#include "model/TextRows.h"
#include "model/TextTable.h"
#include "search/LastSearch.h"

struct AppState {
  Rom rom;
  LabelTables labels;
  // The user's code/data/text blocks and line comments, kept in the symbol file with the labels.
  RomMarks marks;
  RomComments comments;
  ValueFormat format = ValueFormat::Hex;
  LastSearch lastSearch;
  std::string ProgramFolder;
  // The symbol file read at the last load, "" when the ROM has none.
  std::string SymFileName;
  // The symbol files read at the last load, as read (or last saved): the ROM's own, then the
  // program's file of additions beside the ROM when there is one. Save Symbols writes into them.
  std::vector<SymbolFile> symbolFiles;
  // Why the symbols were not read whole at the last load ("" when they were): such a set is never
  // saved over its files.
  std::string SymbolsNotRead;
  // The user's answer, per file, to whether a file that rgblink wrote is saved into (true) or
  // left as it is: asked once while the program runs.
  std::map<std::string, bool> LinkerFileAnswers;
  SymbolTables Symbols() { return {labels, marks, comments}; }
  // The game's text encoding: the table file beside the ROM, or the one the user loaded.
  TextTable table;
  std::string TableFileName;  // "" when no table is loaded
  // The listing's text rows found so far: dropped from a changed byte on, and whole when the
  // table or the ROM changes.
  TextRowStarts textRows;
  // The ROM's bytes as the last load read them: what an exported patch starts from.
  std::vector<uint8_t> LoadedRom;
  // What the game's runs did with its bytes: the log beside the ROM, the imported ones and the
  // runs in the run window; empty when there is none.
  CodeDataLog log;
};
