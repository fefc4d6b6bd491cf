#pragma once
// velmora-cli's command line read into the options of one command. Nothing runs and no file is
// touched here, so any list of arguments can be tried.

#include <string>
#include <vector>

#include "cli/Commands.h"

enum class CliCommand { None, Disasm, Asm, Search, Info, FixChecksums, PatchMake, PatchApply, Xrefs,
                        Map, Export, Text, Tiles, Run };

struct CliParse {
  // None: the program prints `out` and `err` and ends with `exitCode` (0 after --help or
  // --version, 2 for bad usage). Otherwise the options of that command are filled in.
  CliCommand command = CliCommand::None;
  int exitCode = kExitOk;
  std::string out, err;
  DisasmOptions disasm;
  AsmOptions assemble;
  SearchOptions search;
  InfoOptions info;
  RomOptions fix;
  PatchMakeOptions make;
  PatchApplyOptions apply;
  XrefsOptions xrefs;
  MapOptions map;
  TextOptions text;
  ExportOptions exportSource;
  TilesOptions tiles;
  RunOptions run;
};

// `args` as main() gets them, the program's name first. A chosen command has its required
// arguments (empty only when given as empty texts), and a search exactly one of bytes, inst and text.
CliParse ParseCliArguments(const std::vector<std::string>& args);
