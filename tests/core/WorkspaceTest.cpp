#include "workspace/Workspace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

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

std::string Describe(const TempFolder& dir, const WorkspaceLoad& load) {
  static const char* const kParts[] = {"rom", "sym", "additions", "table", "log"};
  static const char* const kOutcomes[] = {"read", "missing", "failed"};
  std::string out;
  for (const WorkspaceFile& f : load.Files) {
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
    EXPECT_EQ(Describe(dir, load), row.loaded);
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
