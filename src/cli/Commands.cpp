#include "cli/Commands.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>

#include "analysis/References.h"
#include "analysis/RomMap.h"
#include "analysis/Trace.h"
#include "asm/BlockAssembler.h"
#include "export/ExportFolder.h"
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
#include "search/ByteSearch.h"
#include "search/Goto.h"
#include "search/InstructionSearch.h"

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

// The ROM file, read without asking for write access: a command that writes names its target
// separately and saves it as a whole.
std::unique_ptr<Rom> LoadRom(const std::string& name) {
  auto rom = std::make_unique<Rom>();
  OnFile(name, [&] {
    const std::string bytes = ReadRegularFile(name, kRomCapacity, "File is larger than 16 MiB.");
    if (bytes.empty()) throw ErrorFailure("File is empty.");
    std::memcpy(rom->RomImage.data(), bytes.data(), bytes.size());
    rom->RomSize = static_cast<uint32_t>(bytes.size());
    rom->BankCount = rom->RomSize >> 14;
    rom->RomTitle = HeaderTitle(*rom);
    rom->RomFileName = name;
  });
  return rom;
}

// What the symbol files say about the ROM.
struct Symbols {
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
};

// The symbol file named by --sym (which must exist), else the ones the window would read. Lines
// that could not be read are said on stderr, once per file.
Symbols LoadLabels(const CliIo& io, const Rom& rom, const std::string& sym) {
  Symbols symbols;
  SymbolTables into{symbols.labels, symbols.marks, symbols.comments};
  std::vector<SymbolFile> files;
  if (!sym.empty()) {
    OnFile(sym, [&] {
      files.push_back(ReadSymbolText(
          ReadRegularFile(sym, size_t{256} << 20, "The symbol file is larger than 256 MiB."),
          sym, rom.BankCount, into));
    });
  } else {
    const std::string found = FindSymFile(rom.RomFileName, io.programFolder, rom.RomTitle);
    OnFile(found.empty() ? OverlaySymFileName(rom.RomFileName) : found, [&] {
      files = LoadRomSymbols(found, rom.RomFileName, rom.BankCount, into);
    });
  }
  for (const SymbolFile& file : files) {
    if (file.SkippedCount != 0) {
      std::fprintf(io.err, "%s: %s\n", kProgram, SkippedLinesText(file).c_str());
    }
  }
  return symbols;
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
TextTable LoadTable(const CliIo& io, const Rom& rom, const std::string& tbl) {
  const std::string name = tbl.empty() ? TableFileBeside(rom.RomFileName) : tbl;
  struct stat st {};
  if (tbl.empty() && ::stat(name.c_str(), &st) != 0) {
    throw CliError{kProgram, "no table: give one with --tbl (or put " + BaseName(name) +
                                 " beside the ROM).", kExitUsage};
  }
  TableSkips skips;
  TextTable table = OnFile(name, [&] { return LoadTableFile(name, skips); });
  if (skips.Count > 0) {
    std::fprintf(io.err, "%s: %s\n", name.c_str(), TableSkipsText(skips, BaseName(name)).c_str());
  }
  if (table.Empty()) throw CliError{name, "The table has no entries."};
  return table;
}

// For commands that show text blocks as text when there is a table: the one --tbl names, else
// game.tbl beside the ROM when there is one, else none (an empty table).
TextTable OptionalTable(const CliIo& io, const Rom& rom, const std::string& tbl) {
  struct stat st {};
  if (tbl.empty() && ::stat(TableFileBeside(rom.RomFileName).c_str(), &st) != 0) return {};
  return LoadTable(io, rom, tbl);
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
    const auto rom = LoadRom(o.rom);
    Symbols symbols = LoadLabels(io, *rom, o.sym);
    const LabelTables& labels = symbols.labels;
    const ValueFormat format = o.format == "dec"   ? ValueFormat::Dec
                               : o.format == "bin" ? ValueFormat::Bin
                                                   : ValueFormat::Hex;
    const uint32_t from = o.from.empty() ? 0 : AddressArgument(*rom, "--from", o.from);
    const uint32_t to = o.to.empty() ? rom->RomSize - 1 : AddressArgument(*rom, "--to", o.to);
    if (from > to) {
      throw CliError{std::string(kProgram) + ": --from " + (o.from.empty() ? "0" : o.from),
                     "lies after --to " + o.to + "."};
    }
    const TextTable table = OptionalTable(io, *rom, o.tbl);
    StreamListing(
        *rom, labels, format, from, to,
        [&](std::string_view chunk) { std::fwrite(chunk.data(), 1, chunk.size(), io.out); },
        {&symbols.marks, &symbols.comments, &table});
    Flush(io);
  });
}

int Asm(const CliIo& io, const AsmOptions& o) {
  return Run(io, [&] {
    const auto rom = LoadRom(o.rom);
    Symbols symbols = LoadLabels(io, *rom, o.sym);
    LabelTables& labels = symbols.labels;
    const std::vector<std::string> lines = OnFile(o.source, [&] {
      return SplitLines(
          ReadRegularFile(o.source, size_t{64} << 20, "The source file is larger than 64 MiB."));
    });
    size_t line = 0;
    OnLines(o.source, line,
            [&] { AssembleBlock(*rom, labels, lines, [&](size_t i) { line = i + 1; }); });
    Save(*rom, o.out.empty() ? o.rom : o.out);
  });
}

int Search(const CliIo& io, const SearchOptions& o) {
  bool found = false;
  const int status = Run(io, [&] {
    if (int{!o.bytes.empty()} + !o.inst.empty() + !o.text.empty() != 1) {
      throw CliError{kProgram, "search needs one of --bytes, --inst and --text.", kExitUsage};
    }
    const auto rom = LoadRom(o.rom);
    Symbols symbols = LoadLabels(io, *rom, o.sym);
    LabelTables& labels = symbols.labels;
    std::function<int32_t(int32_t)> next;
    std::vector<uint8_t> pattern;
    if (!o.bytes.empty()) {
      const std::string where = std::string(kProgram) + ": --bytes " + o.bytes;
      pattern = OnFile(where, [&] { return ParseBytePattern(o.bytes); });
      if (pattern.empty()) throw CliError{where, "gives no byte to look for.", kExitUsage};
      next = [&](int32_t start) { return FindBytes(*rom, start, pattern); };
    } else if (!o.text.empty()) {
      const TextTable table = LoadTable(io, *rom, o.tbl);
      pattern = OnFile(std::string(kProgram) + ": --text " + o.text,
                       [&] { return table.Encode(o.text); });
      next = [&](int32_t start) { return FindBytes(*rom, start, pattern); };
    } else {
      if (o.inst.find('?') != std::string::npos) {
        throw CliError{std::string(kProgram) + ": --inst " + o.inst,
                       "Please replace question marks with a value.", kExitUsage};
      }
      next = [&](int32_t start) { return SearchInstruction(*rom, labels, start, o.inst); };
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
    const auto rom = LoadRom(o.rom);
    const TextTable table = LoadTable(io, *rom, o.tbl);
    const uint32_t from = o.from.empty() ? 0 : AddressArgument(*rom, "--from", o.from);
    const uint32_t to = o.to.empty() ? rom->RomSize - 1 : AddressArgument(*rom, "--to", o.to);
    // Some rows at a time: a whole 8 MiB ROM makes a few million.
    for (uint32_t at = from; at <= to;) {
      const std::vector<TextRow> rows = TextRows(*rom, table, at, to + 1, kTextRowWidth, 4096);
      for (const TextRow& row : rows) std::fprintf(io.out, "%s\n", TextRowLine(row).c_str());
      at = rows.back().Offset + rows.back().Length;
    }
    Flush(io);
  });
}

int Info(const CliIo& io, const InfoOptions& o) {
  bool right = true;
  const int status = Run(io, [&] {
    const auto rom = LoadRom(o.rom);
    const RomHeader header = OnFile(o.rom, [&] { return ReadHeader(*rom); });
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
    const auto rom = LoadRom(o.rom);
    const bool right = OnFile(o.rom, [&] { return ChecksumsAreRight(ReadHeader(*rom)); });
    const std::string target = o.out.empty() ? o.rom : o.out;
    std::error_code error;
    // A ROM that is right already keeps its file (and its time, which make and friends read).
    if (right && (target == o.rom || std::filesystem::equivalent(target, o.rom, error))) {
      std::fprintf(io.out, "%s: the checksums are right already; the file is left unchanged\n",
                   o.rom.c_str());
      Flush(io);
      return;
    }
    ApplyRomChange(*rom, FixChecksums(*rom));
    Save(*rom, target);
    const RomHeader h = ReadHeader(*rom);
    std::fprintf(io.out, "%s: header checksum $%s, global checksum $%s\n", target.c_str(),
                 IntToHex(h.HeaderChecksum, 2).c_str(), IntToHex(h.GlobalChecksum, 4).c_str());
    Flush(io);
  });
}

int PatchMake(const CliIo& io, const PatchMakeOptions& o) {
  return Run(io, [&] {
    const PatchFormat format = OnFile(o.out, [&] { return PatchFormatOfName(o.out); });
    const auto original = LoadRom(o.original);
    const auto modified = LoadRom(o.modified);
    SaveBytes(o.out, MakePatch(format, RomBytes(*original), RomBytes(*modified)));
  });
}

int PatchApply(const CliIo& io, const PatchApplyOptions& o) {
  return Run(io, [&] {
    const auto rom = LoadRom(o.rom);
    const std::vector<uint8_t> patch = OnFile(o.patch, [&] { return ReadPatchFile(o.patch); });
    OnFile(o.patch, [&] { ApplyPatchToRom(*rom, patch); });
    Save(*rom, o.out.empty() ? o.rom : o.out);
  });
}

int Xrefs(const CliIo& io, const XrefsOptions& o) {
  bool found = false;
  const int status = Run(io, [&] {
    const auto rom = LoadRom(o.rom);
    Symbols symbols = LoadLabels(io, *rom, o.sym);
    const LabelTables& labels = symbols.labels;
    // A label by its name (with or without its "@"), else an address.
    const std::string name = !o.place.empty() && o.place[0] == '@' ? o.place.substr(1) : o.place;
    uint32_t target = 0;
    RefSpace space = RefSpace::Rom;
    const int32_t romLabel = labels.FirstRomLabelNamed(name);
    const int32_t ramLabel = labels.FirstRamLabelNamed(name);
    if (romLabel != LabelTables::kNone) {
      target = static_cast<uint32_t>(labels.RomLabels()[romLabel].Offset);
    } else if (ramLabel != LabelTables::kNone) {
      target = labels.RamLabels()[ramLabel].Address;
      space = RefSpace::Ram;
    } else if (name != o.place) {
      throw CliError{std::string(kProgram) + ": " + o.place, "no such label.", kExitUsage};
    } else {
      target = AddressArgument(*rom, "xrefs", o.place);
    }
    const Trace trace = TraceRom(*rom, labels, symbols.marks);
    for (const Reference& ref : ReferencesTo(trace.Refs, target, space)) {
      found = true;
      const std::string line = ReferenceLine(*rom, labels, ValueFormat::Hex, ref);
      std::fprintf(io.out, "%s\n", line.c_str());
    }
    Flush(io);
  });
  return status == kExitOk && !found ? kExitNotFound : status;
}

int Map(const CliIo& io, const MapOptions& o) {
  return Run(io, [&] {
    const auto rom = LoadRom(o.rom);
    Symbols symbols = LoadLabels(io, *rom, o.sym);
    const std::string table =
        CoverageTable(CoverageByBank(TraceRom(*rom, symbols.labels, symbols.marks)));
    std::fwrite(table.data(), 1, table.size(), io.out);
    Flush(io);
  });
}

int Export(const CliIo& io, const ExportOptions& o) {
  return Run(io, [&] {
    const auto rom = LoadRom(o.rom);
    const Symbols symbols = LoadLabels(io, *rom, o.sym);
    const ExportCode code = ExportCodeOf(TraceRom(*rom, symbols.labels, symbols.marks));
    const TextTable table = OptionalTable(io, *rom, o.tbl);
    const ExportedSource source = OnFile(o.rom, [&] {
      return ExportSource({*rom, symbols.labels, symbols.marks, symbols.comments, code,
                           BaseName(o.rom), &table});
    });
    OnFile(o.out, [&] { WriteExportFolder(o.out, source.Files, o.replace); });
    std::fprintf(io.out, "%s: %s\n", o.out.c_str(),
                 ExportSummaryText(source.Summary, rom->RomSize).c_str());
    Flush(io);
  });
}

int Tiles(const CliIo& io, const TilesOptions& o) {
  return Run(io, [&] {
    const std::string where = std::string(kProgram) + ": --palette " + o.palette;
    const uint8_t palette = OnFile(where, [&] { return ParsePalette(o.palette); });
    const auto rom = LoadRom(o.rom);
    TileLayout layout{static_cast<uint32_t>(o.width == 0 ? 16 : o.width), static_cast<uint8_t>(o.oneBit ? 1 : 2), o.tall};
    if (o.import.empty()) {
      const uint32_t from = AddressArgument(*rom, "--from", o.from);
      const uint32_t to = AddressArgument(*rom, "--to", o.to);
      if (to < from || to - from + 1 < layout.TileBytes()) {
        throw CliError{std::string(kProgram) + ": --from " + o.from + " --to " + o.to,
                       "hold no whole tile (" + std::to_string(layout.TileBytes()) + " bytes).",
                       kExitUsage};
      }
      const RgbImage image = TilesToImage(rom->RomImage.data() + from, to - from + 1, layout,
                                          palette);
      RequireFolderOf(o.out);
      OnFile(o.out, [&] { WritePngFile(o.out, image); });
      return;
    }
    const uint32_t at = AddressArgument(*rom, "--at", o.at);
    const RgbImage image = OnFile(o.import, [&] { return ReadPngFile(o.import); });
    // The picture's size gives the tiles, unless --to bounds them; the width of the picture
    // gives the row, unless --width was given.
    uint32_t tiles = 0;
    if (!o.to.empty()) {
      const uint32_t to = AddressArgument(*rom, "--to", o.to);
      tiles = to < at ? 0 : (to - at + 1) / layout.TileBytes();
    } else {
      if (o.width == 0 && image.Width >= 8) layout.WidthTiles = image.Width / 8;
      tiles = layout.WidthTiles * (image.Height / 8);
    }
    const std::vector<uint8_t> bytes =
        OnFile(o.import, [&] { return ImageToTiles(image, tiles, layout, palette); });
    if (bytes.empty() || uint64_t{at} + bytes.size() > rom->RomSize) {
      throw CliError{o.import, "its " + std::to_string(tiles) + " tiles (" +
                                   ByteCountText(bytes.size()) + ") do not fit the ROM at " +
                                   OffsetToBankAddress(at) + "."};
    }
    std::memcpy(rom->RomImage.data() + at, bytes.data(), bytes.size());
    Save(*rom, o.out.empty() ? o.rom : o.out);
  });
}
