#include "workspace/Workspace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "TestRom.h"
#include "model/Failure.h"
#include "model/FileRead.h"
#include "run/LogFile.h"

namespace fs = std::filesystem;

namespace {

// A folder of its own under the temporary folder, removed with everything in it. Its "prog"
// folder stands for the program's folder.
struct TempFolder {
  fs::path path;
  TempFolder() {
    std::string tmpl = (fs::temp_directory_path() / "velmora-workspace-XXXXXX").string();
    path = ::mkdtemp(tmpl.data());
    fs::create_directory(path / "prog");
  }
  ~TempFolder() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  // "<folder>" and "<fifo>" put something there that is no regular file.
  void Put(const std::string& name, const std::string& content) const {
    if (content == "<folder>") {
      fs::create_directory(path / name);
    } else if (content == "<fifo>") {
      ASSERT_EQ(::mkfifo((path / name).c_str(), 0600), 0);
    } else {
      std::ofstream(path / name, std::ios::binary) << content;
    }
  }
  // Two banks, titled EUROPA: the program folder's symbol file for it is "Europa.sym".
  static std::string RomBytes() {
    std::string bytes(0x8000, '\0');
    bytes.replace(0x134, 6, "EUROPA");
    return bytes;
  }
  std::string PutRom(const std::string& name) const {
    Put(name, RomBytes());
    return *this / name;
  }
};

// A Mesen2 log of that ROM (or, with `other`, of another), every byte code.
std::string LogFile(bool other) {
  const std::string rom = TempFolder::RomBytes();
  const uint32_t crc = RomCrc32(reinterpret_cast<const uint8_t*>(rom.data()), 0x8000) + other;
  CodeDataLog log;
  log.Flags.assign(0x8000, kLogCode);
  return WriteMesenLog(log, crc);
}

std::string Describe(const TempFolder& dir, const std::vector<WorkspaceFile>& files) {
  static const char* const kParts[] = {"rom", "sym", "additions", "table", "log"};
  static const char* const kOutcomes[] = {"read", "missing", "failed", "written", "left"};
  std::string out;
  for (const WorkspaceFile& f : files) {
    // Most ROMs have no log: said only when there is one.
    if (f.Part == WorkspacePart::Log && f.Outcome == FileOutcome::Missing) continue;
    out += std::string(kParts[static_cast<int>(f.Part)]) + " " +
           fs::relative(f.Name, dir.path).string() + " " +
           kOutcomes[static_cast<int>(f.Outcome)] + "; ";
  }
  return out;
}

// The labels in the order they were read, then the table's first entry.
std::string Held(const Workspace& ws) {
  std::string out;
  for (const RomLabel& l : ws.labels.RomLabels()) out += l.Name + " ";
  for (const SymbolFile& f : ws.symbolFiles) out += "[" + BaseName(f.Name) + "] ";
  if (!ws.table.Empty()) out += "tbl:" + ws.table.Entries().front().Text;
  return out;
}

}  // namespace

// Which files belong to a ROM, the order they are read in, and what a missing or unreadable
// one does to the others.
TEST(Workspace, LoadsTheFilesThatBelongToTheRom) {
  struct Row {
    const char* what;
    std::map<std::string, std::string> files;
    WorkspaceSources sources;
    const char* loaded;
    const char* held;
  };
  const Row rows[] = {
      {"the ROM alone",
       {},
       {},
       "rom game.gb read; sym game.sym missing; additions game.velmora.sym missing; "
       "table game.tbl missing; ",
       ""},
      {"everything beside it, the ROM's own file first",
       {{"game.sym", "00:0150 Main\n"},
        {"game.velmora.sym", "00:0150 Mine\n"},
        {"game.tbl", "80=A\n"}},
       {},
       "rom game.gb read; sym game.sym read; additions game.velmora.sym read; "
       "table game.tbl read; ",
       "Main Mine [game.sym] [game.velmora.sym] tbl:A"},
      {"the program folder's file under the header title",
       {{"prog/Europa.sym", "00:0150 Shared\n"}},
       {},
       "rom game.gb read; sym prog/Europa.sym read; additions game.velmora.sym missing; "
       "table game.tbl missing; ",
       "Shared [Europa.sym] "},
      {"the file beside the ROM before the program folder's",
       {{"prog/Europa.sym", "00:0150 Shared\n"}, {"game.sym", "00:0150 Own\n"}},
       {},
       "rom game.gb read; sym game.sym read; additions game.velmora.sym missing; "
       "table game.tbl missing; ",
       "Own [game.sym] "},
      {"an own file that is a folder: no additions after it, the table still read",
       {{"game.sym", "<folder>"}, {"game.velmora.sym", "00:0150 Mine\n"}, {"game.tbl", "80=A\n"}},
       {},
       "rom game.gb read; sym game.sym failed; table game.tbl read; ",
       "tbl:A"},
      {"additions that are a FIFO: the own file's labels, with its file",
       {{"game.sym", "00:0150 Main\n"}, {"game.velmora.sym", "<fifo>"}},
       {},
       "rom game.gb read; sym game.sym read; additions game.velmora.sym failed; "
       "table game.tbl missing; ",
       "Main [game.sym] "},
      {"a table that is a folder",
       {{"game.tbl", "<folder>"}},
       {},
       "rom game.gb read; sym game.sym missing; additions game.velmora.sym missing; "
       "table game.tbl failed; ",
       ""},
      {"a chosen symbol file, then the additions",
       {{"mine.sym", "00:0150 Chosen\n"},
        {"game.sym", "00:0150 Main\n"},
        {"game.velmora.sym", "00:0150 Mine\n"}},
       {.SymFile = "mine.sym"},
       "rom game.gb read; sym mine.sym read; additions game.velmora.sym read; "
       "table game.tbl missing; ",
       "Chosen Mine [mine.sym] [game.velmora.sym] "},
      {"a chosen symbol file read alone must be there",
       {{"game.velmora.sym", "00:0150 Mine\n"}},
       {.SymFile = "gone.sym", .SymFileAlone = true},
       "rom game.gb read; sym gone.sym failed; table game.tbl missing; ",
       ""},
      {"a chosen table in place of the one beside",
       {{"game.tbl", "80=A\n"}, {"other.tbl", "80=B\n"}},
       {.TableFile = "other.tbl"},
       "rom game.gb read; sym game.sym missing; additions game.velmora.sym missing; "
       "table other.tbl read; ",
       "tbl:B"},
      {"only the parts asked for",
       {{"game.sym", "00:0150 Main\n"}, {"game.tbl", "80=A\n"}},
       {.ReadSymbols = false, .ReadTable = false},
       "rom game.gb read; ",
       ""},
      {"the code/data log of its runs",
       {{"game.cdl", LogFile(false)}},
       {.ReadSymbols = false, .ReadTable = false},
       "rom game.gb read; log game.cdl read; ",
       ""},
      {"a log of another ROM",
       {{"game.cdl", LogFile(true)}},
       {.ReadSymbols = false, .ReadTable = false},
       "rom game.gb read; log game.cdl failed; ",
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder dir;
    const std::string rom = dir.PutRom("game.gb");
    for (const auto& [name, content] : row.files) dir.Put(name, content);
    WorkspaceSources sources = row.sources;
    sources.ProgramFolder = dir / "prog/";
    if (!sources.SymFile.empty()) sources.SymFile = dir / sources.SymFile;
    if (!sources.TableFile.empty()) sources.TableFile = dir / sources.TableFile;
    auto ws = std::make_unique<Workspace>();
    const WorkspaceLoad load = LoadWorkspace(*ws, rom, sources);
    EXPECT_EQ(Describe(dir, load.Files), row.loaded);
    EXPECT_EQ(Held(*ws), row.held);
  }
}

TEST(Workspace, AFailedFileKeepsItsError) {
  TempFolder dir;
  const std::string rom = dir.PutRom("game.gb");
  dir.Put("game.sym", "<fifo>");
  auto ws = std::make_unique<Workspace>();
  const WorkspaceLoad load = LoadWorkspace(*ws, rom, {});
  EXPECT_EQ(FailureText([&] { load.Find(WorkspacePart::Symbols)->Rethrow(); }),
            "'" + (dir / "game.sym") + "' is not a regular file.");
}

// A ROM that cannot be read leaves the workspace as it was; a table that came with the last ROM
// goes with it, one the user chose stays.
TEST(Workspace, AnotherRomReplacesWhatCameWithTheLast) {
  TempFolder dir;
  const std::string first = dir.PutRom("first.gb");
  const std::string second = dir.PutRom("second.gb");
  dir.Put("first.sym", "00:0150 First\n");
  dir.Put("first.tbl", "80=A\n");
  dir.Put("chosen.tbl", "80=C\n");
  auto ws = std::make_unique<Workspace>();
  LoadWorkspace(*ws, first, {});
  ASSERT_EQ(Held(*ws), "First [first.sym] tbl:A");

  EXPECT_THROW(LoadWorkspace(*ws, dir / "none.gb", {}), FileError);
  EXPECT_EQ(ws->rom.RomFileName, first);
  EXPECT_EQ(Held(*ws), "First [first.sym] tbl:A");

  LoadWorkspace(*ws, second, {});
  EXPECT_EQ(Held(*ws), "");
  EXPECT_EQ(ws->TableFileName, "");

  LoadWorkspace(*ws, first, {.TableFile = dir / "chosen.tbl"});
  LoadWorkspace(*ws, second, {});
  EXPECT_EQ(Held(*ws), "tbl:C");
}

namespace {

// A plan that writes new symbol files; the target is the one named with a '*' before, else the
// first.
SymbolWrite NewSymbolFiles(const TempFolder& dir, const std::vector<std::string>& names) {
  SymbolWrite plan;
  for (const std::string& name : names) {
    SymbolFile file;
    if (name.starts_with('*')) plan.target = plan.files.size();
    file.Name = dir / (name.starts_with('*') ? name.substr(1) : name);
    plan.files.push_back(std::move(file));
    plan.texts.push_back("00:0150 Main\n");
    plan.write.push_back(true);
  }
  return plan;
}

// The files in the folder, sorted; a ROM that holds the image's changed byte marked with '+'.
std::string OnDisk(const TempFolder& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path)) {
    if (!entry.is_regular_file()) continue;
    std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".gb" &&
        ReadRegularFile(entry.path().string(), 0x10000, "").at(0x150) == 'x') {
      name += "+";
    }
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& name : names) out += name + " ";
  return out;
}

}  // namespace

// What a save writes, in which order, and what the failure of one file does to the others.
TEST(Workspace, SavesTheRomAndTheFilesThatBelongToIt) {
  struct Row {
    const char* what;
    bool rom;
    const char* romName;  // "" for the loaded file, "<folder>" for it turned into a folder
    std::vector<std::string> symbols;  // the symbol files planned; none: none
    bool log;                          // the ROM has a log of its runs
    const char* saved;
    const char* onDisk;
  };
  const Row rows[] = {
      {"the ROM alone", true, "", {}, false, "rom game.gb written; ", "game.gb+ "},
      {"the ROM, its log and symbols, in that order",
       true, "", {"game.sym"}, true,
       "rom game.gb written; log game.cdl written; sym game.sym written; ",
       "game.cdl game.gb+ game.sym "},
      {"only the symbols changed: the log still goes beside the ROM left as it is",
       false, "", {"game.velmora.sym"}, true,
       "log game.cdl written; additions game.velmora.sym written; ",
       "game.cdl game.gb game.velmora.sym "},
      {"a ROM that cannot be written: no log, the symbols still written",
       true, "<folder>", {"game.sym"}, true,
       "rom game.gb failed; sym game.sym written; ",
       "game.sym "},
      {"a new name the ROM cannot be written under: nothing beside it",
       true, "none/new.gb", {"none/new.sym"}, true,
       "rom none/new.gb failed; ",
       "game.gb "},
      {"under a new name: the log and symbols beside it",
       true, "new.gb", {"new.sym"}, true,
       "rom new.gb written; log new.cdl written; sym new.sym written; ",
       "game.gb new.cdl new.gb+ new.sym "},
      {"the target that fails leaves the others",
       true, "", {"none/game.sym", "game.velmora.sym"}, false,
       "rom game.gb written; sym none/game.sym failed; additions game.velmora.sym left; ",
       "game.gb+ "},
      {"the target is tried first",
       false, "", {"game.sym", "*none/game.sym"}, false,
       "sym game.sym left; sym none/game.sym failed; ",
       "game.gb "},
      {"the second file that fails keeps the target written",
       false, "", {"game.sym", "none/other.sym"}, false,
       "sym game.sym written; sym none/other.sym failed; ",
       "game.gb game.sym "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder dir;
    const std::string rom = dir.PutRom("game.gb");
    if (row.log) dir.Put("game.cdl", LogFile(false));
    auto ws = std::make_unique<Workspace>();
    LoadWorkspace(*ws, rom, {.ProgramFolder = dir / "prog/"});
    ASSERT_EQ(ws->log.Empty(), !row.log);
    // What is on disk afterwards is what the save wrote.
    fs::remove(dir / "game.cdl");
    ws->rom.RomImage[0x150] = 'x';
    WorkspaceSave what{.Rom = row.rom};
    if (std::string(row.romName) == "<folder>") {
      fs::remove(rom);
      dir.Put("game.gb", "<folder>");
    } else if (*row.romName != '\0') {
      what.RomName = dir / row.romName;
    }
    if (!row.symbols.empty()) what.Symbols = NewSymbolFiles(dir, row.symbols);
    const WorkspaceSaved saved = SaveWorkspace(*ws, std::move(what));
    EXPECT_EQ(Describe(dir, saved.Files), row.saved);
    for (const WorkspaceFile& file : saved.Files) {
      EXPECT_EQ(file.Error != nullptr, file.Outcome == FileOutcome::Failed) << file.Name;
    }
    EXPECT_EQ(OnDisk(dir), row.onDisk);
    std::string written;
    for (const std::string& name : saved.SymbolsWritten) written += BaseName(name) + " ";
    std::string held;
    for (const SymbolFile& file : ws->symbolFiles) held += BaseName(file.Name) + " ";
    // The files as read are the ones on disk now.
    EXPECT_EQ(held, written);
    // A ROM written is the workspace's file from then on.
    const WorkspaceFile* romFile = saved.Find(WorkspacePart::Rom);
    EXPECT_EQ(ws->rom.RomFileName, romFile && romFile->Outcome == FileOutcome::Written
                                       ? romFile->Name : rom);
  }
}
