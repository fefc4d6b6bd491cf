#include "workspace/Workspace.h"

#include <sys/stat.h>

#include "model/FileRead.h"
#include "run/LogFile.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The ROM's symbol files into the tables (emptied first), each noted as it is looked at: its
// own file (`own`, "" for none), then the file of additions unless the own file is read alone.
// Throws at the first file that cannot be read, after noting it.
std::vector<SymbolFile> ReadSymbolFiles(const std::string& own, bool alone, const Rom& rom,
                                        const std::string& programFolder, SymbolTables into,
                                        std::vector<WorkspaceFile>& notes) {
  into.Labels.Clear();
  into.Marks.Clear();
  into.Comments.clear();
  std::vector<SymbolFile> files;
  const auto read = [&](WorkspacePart part, const std::string& name, auto&& load) {
    notes.push_back({part, name, FileOutcome::Missing, nullptr});
    try {
      files.push_back(load());
    } catch (...) {
      notes.back().Outcome = FileOutcome::Failed;
      notes.back().Error = std::current_exception();
      throw;
    }
    if (alone || Exists(name)) notes.back().Outcome = FileOutcome::Read;
  };
  if (alone) {
    read(WorkspacePart::Symbols, own, [&] {
      return ReadSymbolText(
          ReadRegularFile(own, size_t{256} << 20, "The symbol file is larger than 256 MiB."), own,
          rom.BankCount, into);
    });
    return files;
  }
  if (own.empty()) {
    // None of the places it is looked for holds one: the first is where a new one goes.
    notes.push_back({WorkspacePart::Symbols,
                     SymFileCandidates(rom.RomFileName, programFolder, rom.RomTitle).front(),
                     FileOutcome::Missing, nullptr});
  } else {
    read(WorkspacePart::Symbols, own, [&] { return LoadSymbolFile(own, rom.BankCount, into); });
  }
  const std::string additions = OverlaySymFileName(rom.RomFileName);
  if (additions == own) return files;
  if (!Exists(additions)) {
    notes.push_back({WorkspacePart::Additions, additions, FileOutcome::Missing, nullptr});
  } else {
    read(WorkspacePart::Additions, additions,
         [&] { return LoadSymbolFile(additions, rom.BankCount, into); });
  }
  return files;
}

std::string OwnSymFile(const Workspace& ws, const WorkspaceSources& sources) {
  if (!sources.SymFile.empty()) return sources.SymFile;
  return FindSymFile(ws.rom.RomFileName, sources.ProgramFolder, ws.rom.RomTitle);
}

void ReadTable(Workspace& ws, const WorkspaceSources& sources, WorkspaceLoad& load) {
  const bool chosen = !sources.TableFile.empty();
  const std::string name = chosen ? sources.TableFile : TableFileBeside(ws.rom.RomFileName);
  load.Files.push_back({WorkspacePart::Table, name, FileOutcome::Missing, nullptr});
  WorkspaceFile& note = load.Files.back();
  if (!chosen && !Exists(name)) {
    // A table the user loaded stays for the next ROM; one that came with the last ROM goes.
    if (ws.TableBeside) {
      ws.table = {};
      ws.TableFileName.clear();
      ws.TableBeside = false;
    }
    return;
  }
  try {
    ws.table = LoadTableFile(name, load.TableSkipped);
  } catch (...) {
    note.Outcome = FileOutcome::Failed;
    note.Error = std::current_exception();
    return;
  }
  note.Outcome = FileOutcome::Read;
  ws.TableFileName = name;
  ws.TableBeside = !chosen;
}

}  // namespace

const WorkspaceFile* WorkspaceLoad::Find(WorkspacePart part) const {
  for (const WorkspaceFile& file : Files) {
    if (file.Part == part) return &file;
  }
  return nullptr;
}

WorkspaceLoad LoadWorkspace(Workspace& ws, const std::string& romPath,
                            const WorkspaceSources& sources) {
  LoadRomFile(ws.rom, romPath);
  WorkspaceLoad load;
  load.Files.push_back({WorkspacePart::Rom, romPath, FileOutcome::Read, nullptr});
  if (sources.ReadSymbols) {
    ws.SymFileName = OwnSymFile(ws, sources);
    ws.symbolFiles.clear();
    try {
      ws.symbolFiles = ReadSymbolFiles(ws.SymFileName, sources.SymFileAlone, ws.rom,
                                       sources.ProgramFolder, ws.Symbols(), load.Files);
    } catch (...) {
      // Noted with its file; the other parts are read all the same.
    }
  }
  if (sources.ReadTable) ReadTable(ws, sources, load);
  if (sources.ReadLog) {
    ws.log = {};
    const std::string name = LogFileName(romPath);
    load.Files.push_back({WorkspacePart::Log, name, FileOutcome::Missing, nullptr});
    try {
      ws.log = ReadRomLog(ws.rom);
      if (!ws.log.Empty()) load.Files.back().Outcome = FileOutcome::Read;
    } catch (...) {
      load.Files.back().Outcome = FileOutcome::Failed;
      load.Files.back().Error = std::current_exception();
    }
  }
  return load;
}

WorkspaceSymbols ReadWorkspaceSymbols(const Workspace& ws, const std::string& symFile) {
  WorkspaceSymbols read;
  std::vector<WorkspaceFile> notes;
  read.files = ReadSymbolFiles(symFile, false, ws.rom, {}, {read.labels, read.marks, read.comments},
                               notes);
  return read;
}

Trace AnalyseWorkspace(const Workspace& ws) {
  return TraceRom(ws.rom, ws.labels, ws.marks, &ws.log);
}
