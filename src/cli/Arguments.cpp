#include "cli/Arguments.h"

#include <CLI/CLI.hpp>
#include <sstream>

CliParse ParseCliArguments(const std::vector<std::string>& args) {
  CliParse r;
  CLI::App app("Disassemble, assemble, search, trace, check and patch GameBoy ROMs.", "velmora-cli");
  app.set_version_flag("--version", "velmora-cli " VELMORA_VERSION);
  app.require_subcommand(1);
  const std::string addressHelp = "a bank address (01:4000) or a file offset ($4000, 16384)";

  CLI::App* d = app.add_subcommand("disasm", "Print the listing, from offset 0 to the ROM's end");
  d->add_option("ROM", r.disasm.rom, "ROM file")->required();
  d->add_option("--sym", r.disasm.sym, "symbol file (else the one the editor would find)");
  d->add_option("--format", r.disasm.format, "value format")
      ->check(CLI::IsMember({"dec", "hex", "bin"}));
  d->add_option("--from", r.disasm.from, "first offset: " + addressHelp);
  d->add_option("--to", r.disasm.to, "last offset: " + addressHelp);

  CLI::App* a = app.add_subcommand("asm", "Assemble a code-editor source file into the ROM");
  a->add_option("ROM", r.assemble.rom, "ROM file")->required();
  a->add_option("SOURCE", r.assemble.source, "source file (org lines, @labels, db/dw, //)")
      ->required();
  a->add_option("-o", r.assemble.out, "write the result here instead of over ROM");
  a->add_option("--sym", r.assemble.sym, "symbol file (else the one the editor would find)");

  CLI::App* s = app.add_subcommand("search", "Print the bank address of the first match");
  s->add_option("ROM", r.search.rom, "ROM file")->required();
  CLI::Option* bytes =
      s->add_option("--bytes", r.search.bytes, "bytes: \"$C3 50 01\", \"195 80 1\"");
  CLI::Option* inst = s->add_option("--inst", r.search.inst, "instruction as listed: \"ld a,$3E\"");
  CLI::Option* text = s->add_option("--text", r.search.text, "game text, through the table");
  bytes->excludes(inst);
  inst->excludes(bytes);
  text->excludes(bytes);
  text->excludes(inst);
  s->add_option("--tbl", r.search.tbl, "table file or charmap (else game.tbl beside the ROM)");
  s->add_option("--sym", r.search.sym, "symbol file (else the one the editor would find)");
  s->add_flag("--all", r.search.all, "print every match");

  CLI::App* i = app.add_subcommand("info", "Print the header fields and both checksums");
  i->add_option("ROM", r.info.rom, "ROM file")->required();

  CLI::App* f = app.add_subcommand("fix-checksums", "Write the header and global checksums");
  f->add_option("ROM", r.fix.rom, "ROM file")->required();
  f->add_option("-o", r.fix.out, "write the result here instead of over ROM");

  CLI::App* p = app.add_subcommand("patch", "Make or apply an IPS or BPS patch");
  p->require_subcommand(1);
  CLI::App* pm = p->add_subcommand("make", "Write a patch that turns ORIGINAL into MODIFIED");
  pm->add_option("ORIGINAL", r.make.original, "ROM as it was")->required();
  pm->add_option("MODIFIED", r.make.modified, "ROM as it is now")->required();
  pm->add_option("-o", r.make.out, "patch file, .ips or .bps")->required();
  CLI::App* pa = p->add_subcommand("apply", "Apply an IPS or BPS patch to ROM");
  pa->add_option("ROM", r.apply.rom, "ROM file")->required();
  pa->add_option("PATCH", r.apply.patch, "patch file")->required();
  pa->add_option("-o", r.apply.out, "write the result here instead of over ROM");

  CLI::App* x = app.add_subcommand("xrefs", "Print every place that calls, jumps to, reads or "
                                              "writes an address (traced code only)");
  x->add_option("ROM", r.xrefs.rom, "ROM file")->required();
  x->add_option("PLACE", r.xrefs.place, "a ROM or RAM label, or " + addressHelp)->required();
  x->add_option("--sym", r.xrefs.sym, "symbol file (else the one the editor would find)");

  CLI::App* m = app.add_subcommand("map", "Print how much of each bank is code, data, text and "
                                            "unknown");
  m->add_option("ROM", r.map.rom, "ROM file")->required();
  m->add_option("--sym", r.map.sym, "symbol file (else the one the editor would find)");

  CLI::App* t = app.add_subcommand("text", "Print the game text through a table, a string a line");
  t->add_option("ROM", r.text.rom, "ROM file")->required();
  t->add_option("--tbl", r.text.tbl, "table file or charmap (else game.tbl beside the ROM)");
  t->add_option("--from", r.text.from, "first offset: " + addressHelp);
  t->add_option("--to", r.text.to, "last offset: " + addressHelp);
  CLI::App* e = app.add_subcommand("export", "Write a source project that RGBDS rebuilds into ROM");
  e->add_option("ROM", r.exportSource.rom, "ROM file")->required();
  e->add_option("-o", r.exportSource.out, "folder for the project (made if missing)")->required();
  e->add_option("--sym", r.exportSource.sym, "symbol file (else the one the editor would find)");
  e->add_flag("--replace", r.exportSource.replace, "replace the files of an earlier export");

  // A first word that names no command is reported as such, not as CLI11's extra argument.
  const std::string first = args.size() > 1 ? args[1] : std::string();
  const auto known =
      app.get_subcommands([&](CLI::App* c) { return args.size() > 1 && c->check_name(first); });
  if (args.size() > 1 && first[0] != '-' && known.empty()) {
    r.exitCode = kExitUsage;
    r.err = "velmora-cli: unknown command '" + std::string(first.c_str()) + "' (see --help)\n";
    return r;
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  if (argv.empty()) argv.push_back("velmora-cli");
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::Success& e) {  // --help, --version
    std::ostringstream out, err;
    r.exitCode = app.exit(e, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  } catch (const CLI::ParseError& e) {
    r.exitCode = kExitUsage;
    r.err = std::string("velmora-cli: ") + e.what() + " (see --help)\n";
    return r;
  }

  if (s->parsed() &&
      int{!r.search.bytes.empty()} + !r.search.inst.empty() + !r.search.text.empty() != 1) {
    r.exitCode = kExitUsage;
    r.err = "velmora-cli: search needs one of --bytes, --inst and --text.\n";
    return r;
  }
  if (d->parsed()) r.command = CliCommand::Disasm;
  else if (a->parsed()) r.command = CliCommand::Asm;
  else if (s->parsed()) r.command = CliCommand::Search;
  else if (i->parsed()) r.command = CliCommand::Info;
  else if (f->parsed()) r.command = CliCommand::FixChecksums;
  else if (pm->parsed()) r.command = CliCommand::PatchMake;
  else if (x->parsed()) r.command = CliCommand::Xrefs;
  else if (m->parsed()) r.command = CliCommand::Map;
  else if (t->parsed()) r.command = CliCommand::Text;
  else if (e->parsed()) r.command = CliCommand::Export;
  else r.command = CliCommand::PatchApply;
  return r;
}
