#pragma once
// Workspace: one loaded ROM with everything the program knows about it - its labels, marks and
// comments, the game's text table, the code/data log of its runs - and the files each part came
// from. The window and velmora-cli both load a ROM through LoadWorkspace, so that both find the
// same files and read them in the same order:
//
//   game.gbc            the ROM (a failure here stops the load and changes nothing)
//   game.sym            its symbol file: beside it, else <program folder>/<Title>.sym
//   game.velmora.sym    the program's file of the user's additions, read after it
//   game.tbl            the game's text table
//   game.cdl            the code/data log of its runs (one of another ROM is not used)
//
// A part that is missing is no failure; one that cannot be read is noted with its error and
// the load goes on, so that the ROM is shown with whatever else could be read.

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "analysis/Trace.h"
#include "model/CodeDataLog.h"
#include "model/Labels.h"
#include "model/Marks.h"
#include "model/Rom.h"
#include "model/SymbolFile.h"
#include "model/TextTable.h"

struct Workspace {
  Rom rom;
  LabelTables labels;
  // The user's code/data/text blocks and line comments, kept in the symbol file with the labels.
  RomMarks marks;
  RomComments comments;
  // The symbol file read at the last load, "" when the ROM has none.
  std::string SymFileName;
  // The symbol files read at the last load, as read (or last saved): the ROM's own, then the
  // program's file of additions beside the ROM when there is one. Saving writes into them.
  std::vector<SymbolFile> symbolFiles;
  // The game's text encoding: the table file beside the ROM, or the one the user loaded.
  TextTable table;
  std::string TableFileName;  // "" when no table is loaded
  bool TableBeside = false;   // it came from beside the ROM, and goes when another ROM comes
  // What the game's runs did with its bytes: the log beside the ROM, the imported ones and the
  // runs in the run window; empty when there is none.
  CodeDataLog log;

  SymbolTables Symbols() { return {labels, marks, comments}; }
};

enum class WorkspacePart : uint8_t { Rom, Symbols, Additions, Table, Log };

enum class FileOutcome : uint8_t {
  Read,
  Missing,  // no such file: nothing to read, no failure
  Failed,   // there, but could not be read (a folder, a FIFO, no permission, too large)
};

// One file that belongs to the ROM, and what became of it.
struct WorkspaceFile {
  WorkspacePart Part = WorkspacePart::Rom;
  std::string Name;  // its path
  FileOutcome Outcome = FileOutcome::Missing;
  std::exception_ptr Error;  // Failed: what reading it threw (a Failure or a FileError)
  void Rethrow() const {
    if (Error) std::rethrow_exception(Error);
  }
  // One of the symbol files: the ROM's own or the file of additions.
  bool IsSymbols() const {
    return Part == WorkspacePart::Symbols || Part == WorkspacePart::Additions;
  }
};

// Where the parts come from when they do not come from their usual places.
struct WorkspaceSources {
  // Where a symbol file named after the header title is looked for.
  std::string ProgramFolder = {};
  // A symbol file the user chose in place of the one found for the ROM ("" to look for one).
  std::string SymFile = {};
  // The chosen symbol file is read alone, without the file of additions, and must be there.
  bool SymFileAlone = false;
  // A table the user chose in place of the one beside the ROM ("" for that one).
  std::string TableFile = {};
  // The parts to read besides the ROM; the others are left as they are.
  bool ReadSymbols = true;
  bool ReadTable = true;
  bool ReadLog = true;
};

struct WorkspaceLoad {
  // The files in the order they were looked at.
  std::vector<WorkspaceFile> Files;
  // The lines of the table file that did not read.
  TableSkips TableSkipped;

  // The file of a part; nullptr when the part was not looked for.
  const WorkspaceFile* Find(WorkspacePart part) const;
};

// Loads the ROM at `romPath` into the workspace, then the files that belong to it, in the order
// above. The ROM file's failure throws (a Failure or a FileError) and changes nothing. The
// symbol tables are emptied and refilled from the symbol files; one that fails leaves what was
// read before it, with the files it came from. A table that fails leaves the table before it; a table that
// came from beside another ROM goes when this ROM has none. A log that is missing or fails
// (one of another ROM) leaves none.
WorkspaceLoad LoadWorkspace(Workspace& ws, const std::string& romPath,
                            const WorkspaceSources& sources);

// Reads the loaded ROM's symbol files into the workspace as LoadWorkspace does (a symbol file
// dropped on the window comes here), noting each file as it is looked at.
std::vector<WorkspaceFile> ReadWorkspaceSymbols(Workspace& ws, const WorkspaceSources& sources);

// The loaded ROM's symbol files read again into tables of their own, the workspace left alone
// (a file that a build is still writing may not read yet). Throws as LoadSymbolFile does.
struct WorkspaceSymbols {
  std::string SymFileName;
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  std::vector<SymbolFile> files;
};
WorkspaceSymbols ReadSymbolsAgain(const Workspace& ws, const WorkspaceSources& sources);

// The analysis of the workspace's ROM: its trace from the labels and marks.
Trace AnalyseWorkspace(const Workspace& ws);
