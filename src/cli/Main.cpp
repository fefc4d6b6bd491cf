// velmora-cli: the editor's core from the command line. The arguments are read in Arguments.cpp;
// each command is a function in Commands.cpp.

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "model/Rom.h"

int main(int argc, char** argv) {
  CliIo io;
  // Symbol files under a ROM's header title are looked for beside the program, as the window does.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  io.programFolder = ProgramFolderOf(error ? std::string(argv[0]) : self.string());

  const CliParse parse = ParseCliArguments(std::vector<std::string>(argv, argv + argc));
  switch (parse.command) {
    case CliCommand::None:
      std::fwrite(parse.out.data(), 1, parse.out.size(), stdout);
      std::fwrite(parse.err.data(), 1, parse.err.size(), stderr);
      return parse.exitCode;
    case CliCommand::Disasm: return Disasm(io, parse.disasm);
    case CliCommand::Asm: return Asm(io, parse.assemble);
    case CliCommand::Search: return Search(io, parse.search);
    case CliCommand::Info: return Info(io, parse.info);
    case CliCommand::FixChecksums: return FixChecksumsCommand(io, parse.fix);
    case CliCommand::PatchMake: return PatchMake(io, parse.make);
    case CliCommand::PatchApply: return PatchApply(io, parse.apply);
    case CliCommand::Xrefs: return Xrefs(io, parse.xrefs);
    case CliCommand::Map: return Map(io, parse.map);
    case CliCommand::Text: return Text(io, parse.text);
    case CliCommand::Export: return Export(io, parse.exportSource);
    case CliCommand::Tiles: return Tiles(io, parse.tiles);
    case CliCommand::Run: return RunGame(io, parse.run);
  }
  return kExitUsage;
}
