// velmora-cli: the editor's core from the command line. Only the arguments are read here; each
// command is a function in Commands.cpp.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <system_error>

#include "cli/Commands.h"
#include "model/Rom.h"

int main(int argc, char** argv) {
  CliIo io;
  // Symbol files under a ROM's header title are looked for beside the program, as the window does.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  io.programFolder = ProgramFolderOf(error ? std::string(argv[0]) : self.string());

  CLI::App app("Disassemble, assemble, search, check and patch GameBoy ROMs.", "velmora-cli");
  app.set_version_flag("--version", "velmora-cli " VELMORA_VERSION);
  app.require_subcommand(1);
  const std::string addressHelp = "a bank address (01:4000) or a file offset ($4000, 16384)";

  DisasmOptions disasm;
  CLI::App* d = app.add_subcommand("disasm", "Print the listing, from offset 0 to the ROM's end");
  d->add_option("ROM", disasm.rom, "ROM file")->required();
  d->add_option("--sym", disasm.sym, "symbol file (else the one the editor would find)");
  d->add_option("--format", disasm.format, "value format")
      ->check(CLI::IsMember({"dec", "hex", "bin"}));
  d->add_option("--from", disasm.from, "first offset: " + addressHelp);
  d->add_option("--to", disasm.to, "last offset: " + addressHelp);

  AsmOptions assemble;
  CLI::App* a = app.add_subcommand("asm", "Assemble a code-editor source file into the ROM");
  a->add_option("ROM", assemble.rom, "ROM file")->required();
  a->add_option("SOURCE", assemble.source, "source file (org lines, @labels, db/dw, //)")
      ->required();
  a->add_option("-o", assemble.out, "write the result here instead of over ROM");
  a->add_option("--sym", assemble.sym, "symbol file (else the one the editor would find)");

  SearchOptions search;
  CLI::App* s = app.add_subcommand("search", "Print the bank address of the first match");
  s->add_option("ROM", search.rom, "ROM file")->required();
  CLI::Option* bytes = s->add_option("--bytes", search.bytes, "bytes: \"$C3 50 01\", \"195 80 1\"");
  CLI::Option* inst = s->add_option("--inst", search.inst, "instruction as listed: \"ld a,$3E\"");
  bytes->excludes(inst);
  inst->excludes(bytes);
  s->add_option("--sym", search.sym, "symbol file (else the one the editor would find)");
  s->add_flag("--all", search.all, "print every match");

  RomOptions info;
  CLI::App* i = app.add_subcommand("info", "Print the header fields and both checksums");
  i->add_option("ROM", info.rom, "ROM file")->required();

  RomOptions fix;
  CLI::App* f = app.add_subcommand("fix-checksums", "Write the header and global checksums");
  f->add_option("ROM", fix.rom, "ROM file")->required();
  f->add_option("-o", fix.out, "write the result here instead of over ROM");

  CLI::App* p = app.add_subcommand("patch", "Make or apply an IPS or BPS patch");
  p->require_subcommand(1);
  PatchMakeOptions make;
  CLI::App* pm = p->add_subcommand("make", "Write a patch that turns ORIGINAL into MODIFIED");
  pm->add_option("ORIGINAL", make.original, "ROM as it was")->required();
  pm->add_option("MODIFIED", make.modified, "ROM as it is now")->required();
  pm->add_option("-o", make.out, "patch file, .ips or .bps")->required();
  PatchApplyOptions apply;
  CLI::App* pa = p->add_subcommand("apply", "Apply an IPS or BPS patch to ROM");
  pa->add_option("ROM", apply.rom, "ROM file")->required();
  pa->add_option("PATCH", apply.patch, "patch file")->required();
  pa->add_option("-o", apply.out, "write the result here instead of over ROM");

  const auto known =
      app.get_subcommands([&](CLI::App* c) { return argc > 1 && c->check_name(argv[1]); });
  if (argc > 1 && argv[1][0] != '-' && known.empty()) {
    std::fprintf(stderr, "velmora-cli: unknown command '%s' (see --help)\n", argv[1]);
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "velmora-cli: %s (see --help)\n", e.what());
    return kExitUsage;
  }

  if (d->parsed()) return Disasm(io, disasm);
  if (a->parsed()) return Asm(io, assemble);
  if (s->parsed()) return Search(io, search);
  if (i->parsed()) return Info(io, info);
  if (f->parsed()) return FixChecksumsCommand(io, fix);
  if (pm->parsed()) return PatchMake(io, make);
  return PatchApply(io, apply);
}
