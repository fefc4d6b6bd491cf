#pragma once
// The commands of velmora-cli, each a function of its parsed arguments that returns the exit
// status: 0 done, 1 the operation failed, 2 bad usage. A failure prints one line on `err`
// naming the file it concerns ("game.gb: File not found.", "hack.asm:12: message"), and no
// file is written then.

#include <cstdio>
#include <string>

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct CliIo {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  // Where the window would look for a symbol file under the ROM's header title.
  std::string programFolder;
};

struct DisasmOptions {
  std::string rom, sym, format = "hex", from, to;
};
struct AsmOptions {
  std::string rom, source, sym, out;
};
struct SearchOptions {
  std::string rom, bytes, inst, text, tbl, sym;
  bool all = false;
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
};
struct ExportOptions {
  std::string rom, out, sym;
  bool replace = false;
};

int Disasm(const CliIo& io, const DisasmOptions& o);
int Asm(const CliIo& io, const AsmOptions& o);
int Search(const CliIo& io, const SearchOptions& o);
// The game text of [from, to] through a table, a row per string (or per 32 characters).
int Text(const CliIo& io, const TextOptions& o);
int Info(const CliIo& io, const RomOptions& o);
int FixChecksumsCommand(const CliIo& io, const RomOptions& o);
int PatchMake(const CliIo& io, const PatchMakeOptions& o);
int PatchApply(const CliIo& io, const PatchApplyOptions& o);
// The references to a place (a ROM or RAM label, a bank address or a file offset) that the
// traced code makes, one line each; exit 1 when there are none.
int Xrefs(const CliIo& io, const XrefsOptions& o);
// The share of code, data, text and unknown bytes of each bank.
int Map(const CliIo& io, const MapOptions& o);
int Export(const CliIo& io, const ExportOptions& o);
