#pragma once
// The commands of velmora-cli, each a function of its parsed arguments that returns the exit
// status. An error prints one line on `err` naming the file or the argument it concerns
// ("game.gb: File not found.", "hack.asm:12: message"), and no file is written then.

#include <cstdio>
#include <string>

// Exit statuses a script can branch on, as grep and cmp give them.
constexpr int kExitOk = 0;        // done; found; the checksums are right
constexpr int kExitNotFound = 1;  // nothing found; a checksum is wrong (info --check)
constexpr int kExitError = 2;     // any error: bad usage, a file, a refused source or patch
// Bad usage is an error like any other; the name says why at the places that refuse it.
constexpr int kExitUsage = kExitError;

struct CliIo {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  // Where the window would look for a symbol file under the ROM's header title.
  std::string programFolder;
};

struct DisasmOptions {
  std::string rom, sym, format = "hex", from, to, tbl;
};
struct AsmOptions {
  std::string rom, source, sym, out;
};
struct SearchOptions {
  std::string rom, bytes, inst, text, tbl, sym;
  bool all = false;
};
struct InfoOptions {
  std::string rom;
  bool check = false;  // exit with kExitNotFound when a checksum is wrong
};
struct TextOptions {
  std::string rom, tbl, from, to;
};
struct RomOptions {
  std::string rom, out;
};
struct PatchMakeOptions {
  std::string original, modified, out;
};
struct PatchApplyOptions {
  std::string rom, patch, out;
};
struct XrefsOptions {
  std::string rom, place, sym;
};
struct MapOptions {
  std::string rom, sym;
  bool ranges = false;  // a line per run of one class instead of the table
};
struct ExportOptions {
  std::string rom, out, sym, tbl;
  bool replace = false;
  bool addresses = false;
};

struct TilesOptions {
  std::string rom, from, to, palette = "$E4", out, import, at;
  int width = 0;  // tiles a row; 0: 16, or an imported picture's width
  bool oneBit = false, tall = false;
};

struct RunOptions {
  std::string rom, input, log, screenshot;
  bool logBeside = false;  // --log without a name: the log file beside the ROM
  uint32_t frames = 3600;  // a minute of play
  bool hash = false;
  uint32_t hashEvery = 0;  // 0: only at the last frame, when hash is set
};

int Disasm(const CliIo& io, const DisasmOptions& o);
int Asm(const CliIo& io, const AsmOptions& o);
int Search(const CliIo& io, const SearchOptions& o);
// The game text of [from, to] through a table, a row per string (or per 32 characters).
int Text(const CliIo& io, const TextOptions& o);
int Info(const CliIo& io, const InfoOptions& o);
int FixChecksumsCommand(const CliIo& io, const RomOptions& o);
int PatchMake(const CliIo& io, const PatchMakeOptions& o);
int PatchApply(const CliIo& io, const PatchApplyOptions& o);
// The references to a place (a ROM or RAM label, a bank address or a file offset) that the
// traced code makes, one line each; exit 1 when there are none.
int Xrefs(const CliIo& io, const XrefsOptions& o);
// The share of code, data, text and unknown bytes of each bank.
int Map(const CliIo& io, const MapOptions& o);
int Export(const CliIo& io, const ExportOptions& o);
// The tiles of [from, to] as a PNG picture, or (with import) a picture's tiles written into the
// ROM at `at`.
int Tiles(const CliIo& io, const TilesOptions& o);
// Runs the game headless for a number of frames with scripted or random buttons; prints the
// screen's SHA-1, writes the last screen as a PNG and the code/data log (merged into the file).
int RunGame(const CliIo& io, const RunOptions& o);
