#include "workspace/Workspace.h"

#include <sys/stat.h>

#include "model/FileRead.h"
#include "run/LogFile.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The ROM's symbol files into the tables (emptied first) and `files`, each noted as it was
// looked at: its own file (`own`, "" for none), then the file of additions unless the own file
// is read alone. Throws at the first file that cannot be read, after noting it; `files` then
// holds the files read before it, and the files after it are not looked at.
void ReadSymbolFiles(const std::string& own, bool alone, const Rom& rom,
                     const std::string& programFolder, SymbolTables into,
                     std::vector<SymbolFile>& files, std::vector<WorkspaceFile>& notes) {
  const auto note = [&](WorkspacePart part, const std::string& name) {
    notes.push_back({part, name, Exists(name) ? FileOutcome::Read : FileOutcome::Missing, nullptr});
  };
  const auto noteOwn = [&] {
    if (!own.empty()) return note(WorkspacePart::Symbols, own);
    // None of the places it is looked for holds one: the first is where a new one goes.
    notes.push_back({WorkspacePart::Symbols,
                     SymFileCandidates(rom.RomFileName, programFolder, rom.RomTitle).front(),
                     FileOutcome::Missing, nullptr});
  };
  const std::string additions = OverlaySymFileName(rom.RomFileName);
  try {
    if (alone) {
      into.Labels.Clear();
      into.Marks.Clear();
      into.Comments.clear();
      files.clear();
      files.push_back(ReadSymbolText(
          ReadRegularFile(own, size_t{256} << 20, "The symbol file is larger than 256 MiB."), own,
          rom.BankCount, into));
    } else {
      LoadRomSymbols(own, rom.RomFileName, rom.BankCount, into, files);
    }
  } catch (...) {
    // The own file comes first: when it was read (or there is none), the additions failed.
    const bool ownFailed = !own.empty() && files.empty();
    if (!ownFailed) noteOwn();
    notes.push_back({ownFailed ? WorkspacePart::Symbols : WorkspacePart::Additions,
                     ownFailed ? own : additions, FileOutcome::Failed, std::current_exception()});
    throw;
  }
  noteOwn();
  if (!alone && additions != own) note(WorkspacePart::Additions, additions);
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
    std::vector<WorkspaceFile> notes = ReadWorkspaceSymbols(ws, sources);
    load.Files.insert(load.Files.end(), notes.begin(), notes.end());
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

std::vector<WorkspaceFile> ReadWorkspaceSymbols(Workspace& ws, const WorkspaceSources& sources) {
  std::vector<WorkspaceFile> notes;
  ws.SymFileName = OwnSymFile(ws, sources);
  try {
    ReadSymbolFiles(ws.SymFileName, sources.SymFileAlone, ws.rom, sources.ProgramFolder,
                    ws.Symbols(), ws.symbolFiles, notes);
  } catch (...) {
    // Noted with its file.
  }
  return notes;
}

WorkspaceSymbols ReadSymbolsAgain(const Workspace& ws, const WorkspaceSources& sources) {
  WorkspaceSymbols read;
  read.SymFileName = OwnSymFile(ws, sources);
  std::vector<WorkspaceFile> notes;
  ReadSymbolFiles(read.SymFileName, sources.SymFileAlone, ws.rom, sources.ProgramFolder,
                  {read.labels, read.marks, read.comments}, read.files, notes);
  return read;
}

Trace AnalyseWorkspace(const Workspace& ws) {
  return TraceRom(ws.rom, ws.labels, ws.marks, &ws.log);
}
