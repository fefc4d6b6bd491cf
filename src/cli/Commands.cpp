#include "cli/Commands.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>

#include "analysis/References.h"
#include "analysis/RomMap.h"
#include "analysis/Trace.h"
#include "asm/BlockAssembler.h"
#include "export/ExportFolder.h"
#include "export/Sha1.h"
#include "export/SourceExport.h"
#include "gfx/ImageBlock.h"
#include "gfx/Png.h"
#include "gfx/TileImage.h"
#include "isa/Listing.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/FileWrite.h"
#include "model/Header.h"
#include "model/Labels.h"
#include "model/SymbolFile.h"
#include "model/NumberText.h"
#include "model/Rom.h"
#include "model/RomChange.h"
#include "model/SourceFile.h"
#include "model/TextRows.h"
#include "model/TextTable.h"
#include "patch/Patch.h"
#include "run/Emulator.h"
#include "run/LogFile.h"
#include "run/RunInput.h"
#include "search/ByteSearch.h"
#include "search/Goto.h"
#include "search/InstructionSearch.h"
#include "workspace/Workspace.h"

namespace {

constexpr char kProgram[] = "velmora-cli";

// What ends a command: the line to print ("where: message") and the exit status.
struct CliError {
  std::string where;
  std::string message;
  int code = kExitError;
};

// Runs one step on a file: whatever the core refuses there becomes that file's error line.
template <typename F>
auto OnFile(const std::string& file, F&& step) -> decltype(step()) {
  try {
    return step();
  } catch (const Failure& e) {
    throw CliError{file, e.text};
  } catch (const RunTimeError& e) {
    // The window's box says "I/O error 21"; in a terminal the cause is worth a word.
    const auto* fileError = dynamic_cast<const FileError*>(&e);
    const std::string text = fileError != nullptr && fileError->errorNumber == EISDIR
                                 ? "Is a folder, not a file."
                                 : DefaultErrorBoxText(e.what());
    // The line names the file already; a note (where a file's old content was kept) follows.
    throw CliError{file, text + (e.note.empty() ? "" : "\n" + e.note)};
  }
}

// Runs a step that reads a text file line by line, `line` being the number of the line it has
// come to: its error line names that line ("hack.asm:12: message").
template <typename F>
void OnLines(const std::string& file, const size_t& line, F&& step) {
  try {
    OnFile(file, step);
  } catch (CliError& e) {
    e.where += ":" + std::to_string(line);
    throw;
  }
}

int Run(const CliIo& io, const std::function<void()>& command) {
  try {
    command();
    return kExitOk;
  } catch (const CliError& e) {
    // One line: a message of several lines (a symbol file's failing line) is joined.
    std::string message = e.message;
    for (size_t at = message.find('\n'); at != std::string::npos; at = message.find('\n', at)) {
      message.replace(at, 1, "; ");
    }
    std::fprintf(io.err, "%s: %s\n", e.where.c_str(), message.c_str());
    return e.code;
  } catch (const std::bad_alloc&) {
    std::fprintf(io.err, "%s: out of memory\n", kProgram);
    return kExitError;
  }
}

// The ROM and, as a command asks, the files that belong to it, found and read as the window
// finds and reads them: its symbol files (those found for it, or the one --sym names, which
// must exist, alone) and its table (the one --tbl names, else the one beside it). A symbol file
// that cannot be read ends the command; lines that could not be read are said on stderr, once
// per file. The table's outcome waits for the command to ask (RequireTable, OptionalTable).
struct Loaded {
  std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
  WorkspaceLoad load;
  Rom& rom() const { return ws->rom; }
};

struct LoadParts {
  bool symbols = false;
  std::string sym = {};
  bool table = false;
  std::string tbl = {};
};

Loaded Load(const CliIo& io, const std::string& name, const LoadParts& parts = {}) {
  Loaded loaded;
  WorkspaceSources sources;
  sources.ProgramFolder = io.programFolder;
  sources.SymFile = parts.sym;
  sources.SymFileAlone = !parts.sym.empty();
  sources.TableFile = parts.tbl;
  sources.ReadSymbols = parts.symbols;
  sources.ReadTable = parts.table;
  // The commands that read the symbols trace the code, which the log of the game's runs helps.
  sources.ReadLog = parts.symbols;
  loaded.load = OnFile(name, [&] { return LoadWorkspace(*loaded.ws, name, sources); });
  for (const WorkspaceFile& file : loaded.load.Files) {
    if (file.IsSymbols()) OnFile(file.Name, [&] { file.Rethrow(); });
    // A log of another ROM is said and left out; the command goes on without it.
    if (file.Part == WorkspacePart::Log && file.Outcome == FileOutcome::Failed) {
      try {
        OnFile(file.Name, [&] { file.Rethrow(); });
      } catch (const CliError& e) {
        std::fprintf(io.err, "%s: %s Not used.\n", e.where.c_str(), e.message.c_str());
      }
    }
  }
  for (const SymbolFile& file : loaded.ws->symbolFiles) {
    if (file.SkippedCount != 0) {
      std::fprintf(io.err, "%s: %s\n", kProgram, SkippedLinesText(file).c_str());
    }
  }
  return loaded;
}

// A file is written only into a folder that is there: a mistyped -o folder is named as such
// rather than reported as a file that is not found.
void RequireFolderOf(const std::string& fileName) {
  const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
  if (folder.empty()) return;
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return;  // the save itself reports the cause
    throw CliError{fileName, "The folder " + folder.string() + " does not exist."};
  }
  if (!S_ISDIR(st.st_mode)) {
    throw CliError{fileName, folder.string() + " is not a folder."};
  }
}

// The table named by --tbl, else game.tbl beside the ROM; what it skipped is said on `err`.
const TextTable& RequireTable(const CliIo& io, const Loaded& loaded) {
  const WorkspaceFile& file = *loaded.load.Find(WorkspacePart::Table);
  if (file.Outcome == FileOutcome::Missing) {
    throw CliError{kProgram, "no table: give one with --tbl (or put " + BaseName(file.Name) +
                                 " beside the ROM).", kExitUsage};
  }
  OnFile(file.Name, [&] { file.Rethrow(); });
  const TableSkips& skips = loaded.load.TableSkipped;
  if (skips.Count > 0) {
    std::fprintf(io.err, "%s: %s\n", file.Name.c_str(),
                 TableSkipsText(skips, BaseName(file.Name)).c_str());
  }
  if (loaded.ws->table.Empty()) throw CliError{file.Name, "The table has no entries."};
  return loaded.ws->table;
}

// For commands that show text blocks as text when there is a table: the one --tbl names, else
// game.tbl beside the ROM when there is one, else none (an empty table).
const TextTable& OptionalTable(const CliIo& io, const Loaded& loaded) {
  if (loaded.load.Find(WorkspacePart::Table)->Outcome == FileOutcome::Missing) {
    return loaded.ws->table;
  }
  return RequireTable(io, loaded);
}

void Save(const Rom& rom, const std::string& fileName) {
  RequireFolderOf(fileName);
  OnFile(fileName, [&] { SaveRomFile(rom, fileName); });
}

// Any bytes, of any size, through the ROM's safe save (temporary file, sync, rename).
void SaveBytes(const std::string& fileName, const std::vector<uint8_t>& bytes) {
  RequireFolderOf(fileName);
  OnFile(fileName, [&] { SaveFileSafely(fileName, bytes.data(), bytes.size()); });
}

// ADDR: a bank address ("01:4000") or a file offset ("$4000", "16384") within the ROM.
uint32_t AddressArgument(const Rom& rom, const char* option, const std::string& text) {
  const std::string where = std::string(kProgram) + ": " + option + " " + text;
  const int64_t offset = OnFile(where, [&]() -> int64_t {
    return IsGameBoyAddressText(text) ? int64_t{BankAddressToOffset(text, rom.BankCount)}
                                      : int64_t{StrToInt(text)};
  });
  if (offset < 0 || offset >= rom.RomSize) {
    throw CliError{where, "lies outside the ROM (" + ByteCountText(rom.RomSize) + ")."};
  }
  return static_cast<uint32_t>(offset);
}

bool IsNumberText(std::string_view text) {
  try {
    StrToInt(text);
    return true;
  } catch (const ConversionError&) {
    return false;
  }
}

// A RAM or register address as xrefs takes it: from 8000 up, typed as a number ("$FF80",
// "49152"), as four hexadecimal digits ("C000") or with a bank ("00:C000", the bank ignored:
// references name CPU addresses). nullopt for anything else.
std::optional<uint16_t> RamAddressText(std::string_view text) {
  const auto isHex = [](std::string_view t) {
    return std::all_of(t.begin(), t.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
  };
  const size_t colon = text.find(':');
  const std::string_view bank = colon == std::string_view::npos ? "" : text.substr(0, colon);
  const std::string_view address = colon == std::string_view::npos ? text : text.substr(colon + 1);
  int64_t value = -1;
  if (address.size() == 4 && isHex(address) && bank.size() <= 3 && isHex(bank)) {
    value = std::stoll(std::string(address), nullptr, 16);
  } else if (colon == std::string_view::npos && IsNumberText(address)) {
    value = StrToInt(address);
  }
  if (value < 0x8000 || value > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(value);
}

bool ChecksumsAreRight(const RomHeader& h) {
  return h.HeaderChecksum == h.ComputedHeaderChecksum &&
         h.GlobalChecksum == h.ComputedGlobalChecksum;
}

void Flush(const CliIo& io) {
  if (std::fflush(io.out) != 0 || std::ferror(io.out)) {
    throw CliError{"standard output", std::strerror(errno)};
  }
}

}  // namespace

int Disasm(const CliIo& io, const DisasmOptions& o) {
  return Run(io, [&] {
    const Loaded loaded =
        Load(io, o.rom, {.symbols = true, .sym = o.sym, .table = true, .tbl = o.tbl});
    const Workspace& ws = *loaded.ws;
    const Rom& rom = ws.rom;
    const LabelTables& labels = ws.labels;
    const ValueFormat format = o.format == "dec"   ? ValueFormat::Dec
                               : o.format == "bin" ? ValueFormat::Bin
                                                   : ValueFormat::Hex;
    const uint32_t from = o.from.empty() ? 0 : AddressArgument(rom, "--from", o.from);
    const uint32_t to = o.to.empty() ? rom.RomSize - 1 : AddressArgument(rom, "--to", o.to);
    if (from > to) {
      throw CliError{std::string(kProgram) + ": --from " + (o.from.empty() ? "0" : o.from),
                     "lies after --to " + o.to + "."};
    }
    const TextTable& table = OptionalTable(io, loaded);
    StreamListing(
        rom, labels, format, from, to,
        [&](std::string_view chunk) { std::fwrite(chunk.data(), 1, chunk.size(), io.out); },
        {&ws.marks, &ws.comments, &table});
    Flush(io);
  });
}

int Asm(const CliIo& io, const AsmOptions& o) {
  return Run(io, [&] {
    const Loaded loaded = Load(io, o.rom, {.symbols = true, .sym = o.sym});
    Rom& rom = loaded.rom();
    LabelTables& labels = loaded.ws->labels;
    const std::vector<std::string> lines = OnFile(o.source, [&] {
      return SplitLines(
          ReadRegularFile(o.source, size_t{64} << 20, "The source file is larger than 64 MiB."));
    });
    size_t line = 0;
    OnLines(o.source, line,
            [&] { AssembleBlock(rom, labels, lines, [&](size_t i) { line = i + 1; }); });
    Save(rom, o.out.empty() ? o.rom : o.out);
  });
}

int Search(const CliIo& io, const SearchOptions& o) {
  bool found = false;
  const int status = Run(io, [&] {
    if (int{!o.bytes.empty()} + !o.inst.empty() + !o.text.empty() != 1) {
      throw CliError{kProgram, "search needs one of --bytes, --inst and --text.", kExitUsage};
    }
    const Loaded loaded = Load(
        io, o.rom, {.symbols = true, .sym = o.sym, .table = !o.text.empty(), .tbl = o.tbl});
    const Rom& rom = loaded.rom();
    const LabelTables& labels = loaded.ws->labels;
    std::function<int32_t(int32_t)> next;
    std::vector<uint8_t> pattern;
    if (!o.bytes.empty()) {
      const std::string where = std::string(kProgram) + ": --bytes " + o.bytes;
      pattern = OnFile(where, [&] { return ParseBytePattern(o.bytes); });
      if (pattern.empty()) throw CliError{where, "gives no byte to look for.", kExitUsage};
      next = [&](int32_t start) { return FindBytes(rom, start, pattern); };
    } else if (!o.text.empty()) {
      const TextTable& table = RequireTable(io, loaded);
      pattern = OnFile(std::string(kProgram) + ": --text " + o.text,
                       [&] { return table.Encode(o.text); });
      next = [&](int32_t start) { return FindBytes(rom, start, pattern); };
    } else {
      if (o.inst.find('?') != std::string::npos) {
        throw CliError{std::string(kProgram) + ": --inst " + o.inst,
                       "Please replace question marks with a value.", kExitUsage};
      }
      next = [&](int32_t start) { return SearchInstruction(rom, labels, start, o.inst); };
    }
    for (int32_t at = next(0); at >= 0; at = next(at + 1)) {
      found = true;
      std::fprintf(io.out, "%s\n", OffsetToBankAddress(static_cast<uint32_t>(at)).c_str());
      if (!o.all) break;
    }
    Flush(io);
  });
  // Like grep: no match is the answer no, without a message.
  return status == kExitOk && !found ? kExitNotFound : status;
}

int Text(const CliIo& io, const TextOptions& o) {
  return Run(io, [&] {
    const Loaded loaded = Load(io, o.rom, {.table = true, .tbl = o.tbl});
    const Rom& rom = loaded.rom();
    const TextTable& table = RequireTable(io, loaded);
    const uint32_t from = o.from.empty() ? 0 : AddressArgument(rom, "--from", o.from);
    const uint32_t to = o.to.empty() ? rom.RomSize - 1 : AddressArgument(rom, "--to", o.to);
    // Some rows at a time: a whole 8 MiB ROM makes a few million.
    for (uint32_t at = from; at <= to;) {
      const std::vector<TextRow> rows = TextRows(rom, table, at, to + 1, kTextRowWidth, 4096);
      for (const TextRow& row : rows) std::fprintf(io.out, "%s\n", TextRowLine(row).c_str());
      at = rows.back().Offset + rows.back().Length;
    }
    Flush(io);
  });
}

int Info(const CliIo& io, const InfoOptions& o) {
  bool right = true;
  const int status = Run(io, [&] {
    const Loaded loaded = Load(io, o.rom);
    const Rom& rom = loaded.rom();
    const RomHeader header = OnFile(o.rom, [&] { return ReadHeader(rom); });
    for (const HeaderField& f : DescribeHeader(header)) {
      std::fprintf(io.out, "%-16s %s%s\n", (f.Name + ":").c_str(), f.Value.c_str(),
                   f.Wrong ? " (wrong)" : "");
    }
    right = ChecksumsAreRight(header);
    Flush(io);
  });
  return status == kExitOk && o.check && !right ? kExitNotFound : status;
}

int FixChecksumsCommand(const CliIo& io, const RomOptions& o) {
  return Run(io, [&] {
    const Loaded loaded = Load(io, o.rom);
    Rom& rom = loaded.rom();
    const bool right = OnFile(o.rom, [&] { return ChecksumsAreRight(ReadHeader(rom)); });
    const std::string target = o.out.empty() ? o.rom : o.out;
    std::error_code error;
    // A ROM that is right already keeps its file (and its time, which make and friends read).
    if (right && (target == o.rom || std::filesystem::equivalent(target, o.rom, error))) {
      std::fprintf(io.out, "%s: the checksums are right already; the file is left unchanged\n",
                   o.rom.c_str());
      Flush(io);
      return;
    }
    ApplyRomChange(rom, FixChecksums(rom));
    Save(rom, target);
    const RomHeader h = ReadHeader(rom);
    std::fprintf(io.out, "%s: header checksum $%s, global checksum $%s\n", target.c_str(),
                 IntToHex(h.HeaderChecksum, 2).c_str(), IntToHex(h.GlobalChecksum, 4).c_str());
    Flush(io);
  });
}

int PatchMake(const CliIo& io, const PatchMakeOptions& o) {
  return Run(io, [&] {
    const PatchFormat format = OnFile(o.out, [&] { return PatchFormatOfName(o.out); });
    const Loaded original = Load(io, o.original);
    const Loaded modified = Load(io, o.modified);
    SaveBytes(o.out, MakePatch(format, RomBytes(original.rom()), RomBytes(modified.rom())));
  });
}

int PatchApply(const CliIo& io, const PatchApplyOptions& o) {
  return Run(io, [&] {
    const Loaded loaded = Load(io, o.rom);
    Rom& rom = loaded.rom();
    const std::vector<uint8_t> patch = OnFile(o.patch, [&] { return ReadPatchFile(o.patch); });
    OnFile(o.patch, [&] { ApplyPatchToRom(rom, patch); });
    Save(rom, o.out.empty() ? o.rom : o.out);
  });
}

int Xrefs(const CliIo& io, const XrefsOptions& o) {
  bool found = false;
  const int status = Run(io, [&] {
    const Loaded loaded = Load(io, o.rom, {.symbols = true, .sym = o.sym});
    const Rom& rom = loaded.rom();
    const LabelTables& labels = loaded.ws->labels;
    // A label by its name (with or without its "@"), else an address.
    const std::string name = !o.place.empty() && o.place[0] == '@' ? o.place.substr(1) : o.place;
    const int32_t romLabel = labels.FirstRomLabelNamed(name);
    const int32_t ramLabel = labels.FirstRamLabelNamed(name);
    RefPlace place;
    if (romLabel != LabelTables::kNone) {
      place = {static_cast<uint32_t>(labels.RomLabels()[romLabel].Offset), RefSpace::Rom};
    } else if (ramLabel != LabelTables::kNone) {
      place = {labels.RamLabels()[ramLabel].Address, RefSpace::Ram};
    } else if (const std::optional<uint16_t> ram = RamAddressText(o.place)) {
      place = {*ram, RefSpace::Ram};
    } else if (name != o.place || (IsSymbolName(name) && !IsNumberText(name))) {
      throw CliError{std::string(kProgram) + ": " + o.place, "no such label.", kExitUsage};
    } else {
      place = {AddressArgument(rom, "xrefs", o.place), RefSpace::Rom};
    }
    const Trace trace = AnalyseWorkspace(*loaded.ws);
    for (const Reference& ref : ReferencesTo(trace.Refs, place.Where, place.Space)) {
      found = true;
      const std::string line = ReferenceLine(rom, labels, ValueFormat::Hex, ref, &loaded.ws->marks);
      std::fprintf(io.out, "%s\n", line.c_str());
    }
    Flush(io);
  });
  return status == kExitOk && !found ? kExitNotFound : status;
}

int Map(const CliIo& io, const MapOptions& o) {
  return Run(io, [&] {
    const Loaded loaded = Load(io, o.rom, {.symbols = true, .sym = o.sym});
    const Trace trace = AnalyseWorkspace(*loaded.ws);
    const std::string table = o.ranges ? ClassRanges(trace) : CoverageTable(CoverageByBank(trace));
    std::fwrite(table.data(), 1, table.size(), io.out);
    Flush(io);
  });
}

int Export(const CliIo& io, const ExportOptions& o) {
  return Run(io, [&] {
    const Loaded loaded =
        Load(io, o.rom, {.symbols = true, .sym = o.sym, .table = true, .tbl = o.tbl});
    const Workspace& ws = *loaded.ws;
    const Rom& rom = ws.rom;
    const ExportCode code = ExportCodeOf(AnalyseWorkspace(ws));
    const TextTable& table = OptionalTable(io, loaded);
    const ExportedSource source = OnFile(o.rom, [&] {
      return ExportSource({rom, ws.labels, ws.marks, ws.comments, code,
                           BaseName(o.rom), &table, o.addresses});
    });
    std::vector<std::string> keep = {o.rom};
    for (const SymbolFile& file : ws.symbolFiles) keep.push_back(file.Name);
    OnFile(o.out, [&] { WriteExportFolder(o.out, source.Files, o.replace, keep); });
    std::fprintf(io.out, "%s: %s\n", o.out.c_str(),
                 ExportSummaryText(source.Summary, rom.RomSize).c_str());
    Flush(io);
  });
}

int Tiles(const CliIo& io, const TilesOptions& o) {
  return Run(io, [&] {
    const std::string where = std::string(kProgram) + ": --palette " + o.palette;
    const uint8_t palette = OnFile(where, [&] { return ParsePalette(o.palette); });
    const Loaded loaded = Load(io, o.rom);
    Rom& rom = loaded.rom();
    TileLayout layout{static_cast<uint32_t>(o.width == 0 ? 16 : o.width), static_cast<uint8_t>(o.oneBit ? 1 : 2), o.tall};
    if (o.import.empty()) {
      const uint32_t from = AddressArgument(rom, "--from", o.from);
      const uint32_t to = AddressArgument(rom, "--to", o.to);
      if (to < from || to - from + 1 < layout.TileBytes()) {
        throw CliError{std::string(kProgram) + ": --from " + o.from + " --to " + o.to,
                       "hold no whole tile (" + std::to_string(layout.TileBytes()) + " bytes).",
                       kExitUsage};
      }
      const RgbImage image = TilesToImage(rom.RomImage.data() + from, to - from + 1, layout,
                                          palette);
      RequireFolderOf(o.out);
      OnFile(o.out, [&] { WritePngFile(o.out, image); });
      return;
    }
    const uint32_t at = AddressArgument(rom, "--at", o.at);
    const RgbImage image = OnFile(o.import, [&] { return ReadPngFile(o.import); });
    // The picture's size gives the tiles, unless --to bounds them; the width of the picture
    // gives the row, unless --width was given.
    uint32_t tiles = 0;
    if (!o.to.empty()) {
      const uint32_t to = AddressArgument(rom, "--to", o.to);
      tiles = to < at ? 0 : (to - at + 1) / layout.TileBytes();
    } else {
      if (o.width == 0 && image.Width >= 8) layout.WidthTiles = image.Width / 8;
      tiles = layout.WidthTiles * (image.Height / 8);
    }
    const std::vector<uint8_t> bytes =
        OnFile(o.import, [&] { return ImageToTiles(image, tiles, layout, palette); });
    if (bytes.empty() || uint64_t{at} + bytes.size() > rom.RomSize) {
      throw CliError{o.import, "its " + std::to_string(tiles) + " tiles (" +
                                   ByteCountText(bytes.size()) + ") do not fit the ROM at " +
                                   OffsetToBankAddress(at) + "."};
    }
    std::memcpy(rom.RomImage.data() + at, bytes.data(), bytes.size());
    Save(rom, o.out.empty() ? o.rom : o.out);
  });
}

int RunGame(const CliIo& io, const RunOptions& o) {
  return Run(io, [&] {
#ifndef VELMORA_HAVE_EMULATOR
    (void)o;
    throw CliError{kProgram, "built without mGBA's core library: run is not available."};
#else
    const std::string where = std::string(kProgram) + ": --input " + o.input;
    RunInput input = [&] {
      if (o.input.rfind("random:", 0) == 0) {
        const std::string seed = o.input.substr(7);
        if (seed.empty() || seed.size() > 9 || seed.find_first_not_of("0123456789") != std::string::npos) {
          throw CliError{where, "the seed is no number (random:1).", kExitUsage};
        }
        return RunInput(static_cast<uint32_t>(std::stoul(seed)));
      }
      if (o.input.empty()) return RunInput(std::vector<InputRange>{});
      return OnFile(o.input, [&] {
        return RunInput(ReadInputScript(ReadRegularFile(
            o.input, size_t{16} << 20, "The input file is larger than 16 MiB.")));
      });
    }();
    const Loaded loaded = Load(io, o.rom);
    const Rom& rom = loaded.rom();
    const std::string logName = o.logBeside ? LogFileName(o.rom) : o.log;
    // The log file is read first: one of another ROM stops the run before it starts.
    const uint32_t crc = RomCrc32(rom.RomImage.data(), rom.RomSize);
    CodeDataLog log;
    if (!logName.empty() && std::filesystem::exists(logName)) {
      log = OnFile(logName, [&] {
        return ReadLogFile(ReadRegularFile(logName, size_t{64} << 20, "The log is larger than 64 MiB."),
                           rom.RomSize, crc).Log;
      });
    }
    Emulator emulator;
    emulator.SetLogging(!logName.empty());
    OnFile(o.rom, [&] { emulator.Load(rom.RomImage.data(), rom.RomSize); });
    const auto printHash = [&](uint32_t frame) {
      const std::vector<uint8_t> screen = emulator.ScreenRgb();
      std::fprintf(io.out, "%u %s\n", frame, Sha1Hex(screen.data(), screen.size()).c_str());
    };
    for (uint32_t frame = 1; frame <= o.frames; ++frame) {
      emulator.SetButtons(input.Next());
      emulator.RunFrame();
      if (o.hashEvery != 0 && frame % o.hashEvery == 0 && frame != o.frames) printHash(frame);
    }
    if (o.hash || o.hashEvery != 0) printHash(o.frames);
    if (!o.screenshot.empty()) {
      RequireFolderOf(o.screenshot);
      const RgbImage image{kScreenWidth, kScreenHeight, emulator.ScreenRgb()};
      OnFile(o.screenshot, [&] { WritePngFile(o.screenshot, image); });
    }
    if (!logName.empty()) {
      const uint32_t before = CountFlag(log, kLogCode);
      MergeLog(log, emulator.Log());
      RequireFolderOf(logName);
      const std::string bytes = WriteMesenLog(log, crc);
      OnFile(logName, [&] { SaveFileSafely(logName, bytes.data(), bytes.size()); });
      const uint32_t code = CountFlag(log, kLogCode);
      std::fprintf(io.out, "%s: %u bytes executed (%u new), %u read as data\n", logName.c_str(), code,
                   code - before, CountFlag(log, kLogData));
    }
    Flush(io);
#endif
  });
}
