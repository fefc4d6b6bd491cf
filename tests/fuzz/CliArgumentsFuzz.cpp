// velmora-cli's command line: the input split at NUL bytes is the argument list after the
// program's name. Without a command the program prints help, its version or one usage line and
// ends with 0 or 2; with one, the command gets its required file names (none of them empty), and
// a search gets exactly one of --bytes and --inst, not blank.

#include <algorithm>
#include <string>
#include <vector>

#include "FuzzCommon.h"
#include "cli/Arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  std::vector<std::string> args{"velmora-cli"};
  if (size > 0) {
    for (size_t start = 0;;) {
      const size_t end = std::min(text.find('\0', start), text.size());
      args.emplace_back(text.substr(start, end - start));
      if (end == text.size()) break;
      start = end + 1;
    }
  }
  // A file name is never empty, and the optional ones are empty only when not given.
  const auto given = [](const std::string& name) { return !name.empty(); };
  const auto blank = [](const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
  };

  const CliParse r = ParseCliArguments(args);
  switch (r.command) {
    case CliCommand::None:
      FUZZ_CHECK(r.exitCode == kExitOk || r.exitCode == kExitUsage);
      if (r.exitCode == kExitUsage) {
        // The usage line (more than one when an argument it quotes holds a line break).
        FUZZ_CHECK(r.out.empty() && r.err.rfind("velmora-cli: ", 0) == 0 && r.err.back() == '\n');
      } else {
        FUZZ_CHECK(!r.out.empty() && r.err.empty());
      }
      break;
    case CliCommand::Disasm:
      FUZZ_CHECK(given(r.disasm.rom));
      FUZZ_CHECK(r.disasm.format == "dec" || r.disasm.format == "hex" || r.disasm.format == "bin");
      break;
    case CliCommand::Asm:
      FUZZ_CHECK(given(r.assemble.rom) && given(r.assemble.source));
      break;
    case CliCommand::Search:
      FUZZ_CHECK(given(r.search.rom));
      FUZZ_CHECK(!blank(r.search.bytes) + !blank(r.search.inst) + !blank(r.search.text) == 1);
      break;
    case CliCommand::Info:
      FUZZ_CHECK(given(r.info.rom));
      break;
    case CliCommand::FixChecksums:
      FUZZ_CHECK(given(r.fix.rom));
      break;
    case CliCommand::PatchMake:
      FUZZ_CHECK(given(r.make.original) && given(r.make.modified) && given(r.make.out));
      break;
    case CliCommand::PatchApply:
      FUZZ_CHECK(given(r.apply.rom) && given(r.apply.patch));
      break;
    case CliCommand::Xrefs:
      FUZZ_CHECK(given(r.xrefs.rom));
      break;
    case CliCommand::Text:
      FUZZ_CHECK(given(r.text.rom));
      break;
    case CliCommand::Map:
      FUZZ_CHECK(given(r.map.rom));
      break;
    case CliCommand::Export:
      FUZZ_CHECK(given(r.exportSource.rom) && given(r.exportSource.out));
      break;
  }
  return 0;
}
