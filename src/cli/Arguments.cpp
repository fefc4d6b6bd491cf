#include "cli/Arguments.h"

#include <CLI/CLI.hpp>
#include <sstream>

namespace {

constexpr char kExitStatusHelp[] =
    "Exit status: 0 done or found, 1 nothing found (info --check: a checksum is wrong), 2 an "
    "error: bad usage, a file that cannot be read or written, a refused source or patch.";

// An empty name would mean the current folder or, for -o, the input itself (an unset variable
// in a script): it is refused before any file is opened.
const CLI::Validator kFileName(
    [](const std::string& name) {
      return name.empty() ? std::string("an empty file name is not allowed") : std::string();
    },
    "");

// A file argument of a command: `name` is "ROM", "-o", "--sym", ...
CLI::Option* AddFile(CLI::App* command, const std::string& name, std::string& value,
                     const std::string& help) {
  return command->add_option(name, value, help)->check(kFileName);
}

// The first argument that looks like an option and that no command took, or "".
std::string UnknownOption(const CLI::App& app) {
  for (const std::string& arg : app.remaining(true)) {
    if (arg.size() > 1 && arg[0] == '-') return arg;
  }
  return {};
}

}  // namespace

CliParse ParseCliArguments(const std::vector<std::string>& args) {
  CliParse r;
  CLI::App app("Disassemble, assemble, search, trace, check and patch GameBoy ROMs.",
               "velmora-cli");
  app.set_version_flag("--version", "velmora-cli " VELMORA_VERSION);
  app.require_subcommand(1);
  app.footer(kExitStatusHelp);
  const std::string addressHelp = "a bank address (01:4000) or a file offset ($4000, 16384)";
  const std::string symHelp = "symbol file (else the one the editor would find)";
  const std::string tblHelp =
      "table file or charmap for text blocks (else game.tbl beside the ROM, if any)";

  CLI::App* d = app.add_subcommand("disasm", "Print the listing, from offset 0 to the ROM's end");
  AddFile(d, "ROM", r.disasm.rom, "ROM file")->required();
  AddFile(d, "--sym", r.disasm.sym, symHelp);
  d->add_option("--format", r.disasm.format, "value format")
      ->check(CLI::IsMember({"dec", "hex", "bin"}));
  d->add_option("--from", r.disasm.from, "first offset: " + addressHelp);
  d->add_option("--to", r.disasm.to, "last offset: " + addressHelp);
  AddFile(d, "--tbl", r.disasm.tbl, tblHelp);

  CLI::App* a = app.add_subcommand("asm", "Assemble a code-editor source file into the ROM");
  AddFile(a, "ROM", r.assemble.rom, "ROM file")->required();
  AddFile(a, "SOURCE", r.assemble.source, "source file (org lines, @labels, db/dw, //)")
      ->required();
  AddFile(a, "-o", r.assemble.out, "write the result here instead of over ROM");
  AddFile(a, "--sym", r.assemble.sym, symHelp);

  CLI::App* s = app.add_subcommand("search", "Print the bank address of the first match");
  AddFile(s, "ROM", r.search.rom, "ROM file")->required();
  CLI::Option* bytes =
      s->add_option("--bytes", r.search.bytes, "bytes: \"$C3 50 01\", \"195 80 1\"");
  CLI::Option* inst = s->add_option("--inst", r.search.inst, "instruction as listed: \"ld a,$3E\"");
  CLI::Option* text = s->add_option("--text", r.search.text, "game text, through the table");
  bytes->excludes(inst);
  inst->excludes(bytes);
  text->excludes(bytes);
  text->excludes(inst);
  AddFile(s, "--tbl", r.search.tbl, "table file or charmap (else game.tbl beside the ROM)");
  AddFile(s, "--sym", r.search.sym, symHelp);
  s->add_flag("--all", r.search.all, "print every match");

  CLI::App* i = app.add_subcommand("info", "Print the header fields and both checksums");
  AddFile(i, "ROM", r.info.rom, "ROM file")->required();
  i->add_flag("--check", r.info.check, "exit with 1 when either checksum is wrong");

  CLI::App* f = app.add_subcommand("fix-checksums", "Write the header and global checksums");
  AddFile(f, "ROM", r.fix.rom, "ROM file (left untouched when both are right)")->required();
  AddFile(f, "-o", r.fix.out, "write the result here instead of over ROM");

  CLI::App* p = app.add_subcommand("patch", "Make or apply an IPS or BPS patch");
  p->require_subcommand(1);
  CLI::App* pm = p->add_subcommand("make", "Write a patch that turns ORIGINAL into MODIFIED");
  AddFile(pm, "ORIGINAL", r.make.original, "ROM as it was")->required();
  AddFile(pm, "MODIFIED", r.make.modified, "ROM as it is now")->required();
  AddFile(pm, "-o", r.make.out, "patch file, .ips or .bps")->required();
  CLI::App* pa = p->add_subcommand("apply", "Apply an IPS or BPS patch to ROM");
  AddFile(pa, "ROM", r.apply.rom, "ROM file")->required();
  AddFile(pa, "PATCH", r.apply.patch, "patch file")->required();
  AddFile(pa, "-o", r.apply.out, "write the result here instead of over ROM");

  CLI::App* x = app.add_subcommand("xrefs",
                                   "Print every place that calls, jumps to, reads or "
                                   "writes an address (traced code only)");
  AddFile(x, "ROM", r.xrefs.rom, "ROM file")->required();
  x->add_option("PLACE", r.xrefs.place, "a ROM or RAM label, or " + addressHelp)->required();
  AddFile(x, "--sym", r.xrefs.sym, symHelp);

  CLI::App* m = app.add_subcommand("map",
                                   "Print how much of each bank is code, data, text and "
                                   "unknown");
  AddFile(m, "ROM", r.map.rom, "ROM file")->required();
  AddFile(m, "--sym", r.map.sym, symHelp);
  m->add_flag("--ranges", r.map.ranges,
              "a line per run of one class: first and last byte, class, reason");

  CLI::App* e = app.add_subcommand("export", "Write a source project that RGBDS rebuilds into ROM");
  AddFile(e, "ROM", r.exportSource.rom, "ROM file")->required();
  AddFile(e, "-o", r.exportSource.out, "folder for the project (made if missing)")->required();
  AddFile(e, "--sym", r.exportSource.sym, symHelp);
  AddFile(e, "--tbl", r.exportSource.tbl, tblHelp);
  e->add_flag("--replace", r.exportSource.replace, "replace the files of an earlier export");
  e->add_flag("--addresses", r.exportSource.addresses,
              "end each instruction line with its bank address as a comment");

  CLI::App* t = app.add_subcommand("text", "Print the game text through a table, a string a line");
  AddFile(t, "ROM", r.text.rom, "ROM file")->required();
  AddFile(t, "--tbl", r.text.tbl, "table file or charmap (else game.tbl beside the ROM)");
  t->add_option("--from", r.text.from, "first offset: " + addressHelp);
  t->add_option("--to", r.text.to, "last offset: " + addressHelp);

  CLI::App* g = app.add_subcommand(
      "tiles", "Write the tiles of --from..--to as a PNG picture, or --import one at --at");
  AddFile(g, "ROM", r.tiles.rom, "ROM file")->required();
  g->add_option("--from", r.tiles.from, "first offset: " + addressHelp);
  g->add_option("--to", r.tiles.to, "last offset: " + addressHelp);
  g->add_option("--width", r.tiles.width, "tiles a row (1-32; default 16, or the imported picture's width)")
      ->check(CLI::Range(1, 32));
  g->add_flag("--1bpp", r.tiles.oneBit, "1 bit a pixel (8 bytes a tile) instead of 2");
  g->add_flag("--8x16", r.tiles.tall, "tiles in pairs, one above the other (8x16 sprites)");
  g->add_option("--palette", r.tiles.palette,
                "palette byte as the BGP register holds it (default $E4)");
  CLI::Option* import = AddFile(g, "--import", r.tiles.import,
                                "PNG picture to write into the ROM at --at (grey shades)");
  g->add_option("--at", r.tiles.at, "where --import writes: " + addressHelp);
  AddFile(g, "-o", r.tiles.out,
          "the PNG picture; with --import the new ROM (else written over ROM)");

  CLI::App* rn = app.add_subcommand(
      "run", "Run the game headless: print screen hashes, write a screenshot and the code/data log");
  AddFile(rn, "ROM", r.run.rom, "ROM file")->required();
  rn->add_option("--frames", r.run.frames, "frames to run (default 3600, a minute of play)")
      ->check(CLI::Range(1u, 100000000u));
  rn->add_option("--input", r.run.input,
                 "buttons: a file of lines FIRST-LAST buttons (0-59 start, 60-300 right a; "
                 "a b select start up down left right; frames from 0), or random:SEED");
  CLI::Option* runLog =
      rn->add_option("--log", r.run.log,
                     "write the code/data log (Mesen2 layout), merged into the file when it is "
                     "this ROM's (without a name: the .cdl beside the ROM)")
          ->expected(0, 1);
  AddFile(rn, "--screenshot", r.run.screenshot, "write the last frame's screen as a PNG picture");
  rn->add_flag("--hash", r.run.hash, "print the SHA-1 of the screen at the last frame");
  rn->add_option("--hash-every", r.run.hashEvery,
                 "print the SHA-1 of the screen every K frames too")
      ->check(CLI::Range(1u, 100000000u));

  const auto usage = [&](const std::string& text) {
    r.exitCode = kExitUsage;
    r.err = "velmora-cli: " + text + "\n";
    return r;
  };
  // A first word that names no command is reported as such, not as CLI11's extra argument.
  const std::string first = args.size() > 1 ? args[1] : std::string();
  const auto known =
      app.get_subcommands([&](CLI::App* c) { return args.size() > 1 && c->check_name(first); });
  if (args.size() > 1 && first[0] != '-' && known.empty()) {
    return usage("unknown command '" + std::string(first.c_str()) + "' (see --help)");
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
    // An unknown option is named, whatever CLI11 found missing first (a command, an argument).
    const std::string unknown = UnknownOption(app);
    if (!unknown.empty()) return usage("unknown option " + unknown + " (see --help)");
    return usage(std::string(e.what()) + " (see --help)");
  }

  if (s->parsed()) {
    if (bytes->count() + inst->count() + text->count() == 0) {
      return usage("search needs one of --bytes, --inst and --text.");
    }
    // Blanks alone are no pattern either (an unset variable between quotes and spaces).
    const std::string& pattern = bytes->count()  ? r.search.bytes
                                 : inst->count() ? r.search.inst
                                                 : r.search.text;
    if (pattern.find_first_not_of(" \t") == std::string::npos) {
      return usage(std::string(bytes->count() ? "--bytes" : inst->count() ? "--inst" : "--text") +
                   ": an empty pattern is not allowed.");
    }
  }
  if (g->parsed()) {
    if (import->count() != 0) {
      if (r.tiles.at.empty()) return usage("tiles --import needs --at.");
    } else if (r.tiles.from.empty() || r.tiles.to.empty() || r.tiles.out.empty()) {
      return usage("tiles needs --from, --to and -o (or --import and --at).");
    }
  }
  if (rn->parsed()) r.run.logBeside = runLog->count() != 0 && r.run.log.empty();
  const std::pair<const CLI::App*, CliCommand> commands[] = {
      {d, CliCommand::Disasm},      {a, CliCommand::Asm},          {s, CliCommand::Search},
      {i, CliCommand::Info},        {f, CliCommand::FixChecksums}, {pm, CliCommand::PatchMake},
      {pa, CliCommand::PatchApply}, {x, CliCommand::Xrefs},        {m, CliCommand::Map},
      {e, CliCommand::Export},      {t, CliCommand::Text},         {g, CliCommand::Tiles},
      {rn, CliCommand::Run},
  };
  for (const auto& [command, which] : commands) {
    if (command->parsed()) r.command = which;
  }
  return r;
}
