// The source export: the input is a symbol file and a ROM (up to 64 KiB), part of it marked code.
// Whatever the names and bytes, every name defined is one rgbasm takes and is defined once, and
// no more bytes are written as instructions than the ROM holds.

#include <set>

#include "FuzzCommon.h"
#include "export/SourceExport.h"
#include "model/Failure.h"
#include "model/SymbolFile.h"

namespace {

bool NameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '#' || c == '$' || c == '@';
}

// "Name", "#ld", "Parent.child": a first part of a letter or "_" (after an optional "#"), then
// name characters, and at most one dot followed by one or more of them.
bool RgbdsName(std::string_view name) {
  if (name.starts_with('#')) name.remove_prefix(1);
  if (name.empty() || !((name[0] >= 'A' && name[0] <= 'Z') ||
                        (name[0] >= 'a' && name[0] <= 'z') || name[0] == '_')) {
    return false;
  }
  const size_t dot = name.find('.');
  for (size_t i = 0; i < name.size(); ++i) {
    if (i != dot && !NameChar(name[i])) return false;
  }
  return dot == std::string_view::npos || dot + 1 < name.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = AsText(data, size);
  const uint32_t symSize = TakeNumber(input, 2) % (input.size() + 1);
  const std::string_view sym = input.substr(0, symSize);
  std::string_view bytes = input.substr(symSize);
  if (bytes.size() > 0x10000) bytes = bytes.substr(0, 0x10000);
  if (bytes.empty()) return 0;
  Rom& rom = ReusedRom(bytes, 0, static_cast<uint32_t>(bytes.size() >> 14), 0x10000);
  LabelTables labels;
  ReadSymbolLabels(labels, sym, rom.BankCount);
  RomMarks marks;
  marks.Mark(0, rom.RomSize / 2 + 1, MarkKind::Code);
  RomComments comments{{rom.RomSize / 3, "a\nb"}};
  const ExportCode code;
  const ExportedSource source =
      ExportSource({rom, labels, marks, comments, code, "fuzz.gb"});

  std::set<std::string> defined;
  for (const ExportFile& file : source.Files) {
    if (!file.Name.starts_with("bank_")) continue;
    std::string scope;
    for (size_t at = 0; at < file.Text.size();) {
      const size_t end = file.Text.find('\n', at);
      const std::string_view line(file.Text.data() + at, end - at);
      at = end + 1;
      if (!line.empty() && line[0] != ';' && line[0] != '\t' &&
                 line.substr(0, line.find(" ;")).ends_with(':')) {
        // A label line, perhaps with the symbol file's own spelling in a comment after it.
        const std::string_view label = line.substr(0, line.find(" ;"));
        std::string name(label.substr(0, label.size() - 1));
        if (name[0] == '.') name = scope + name;
        FUZZ_CHECK(RgbdsName(name));
        FUZZ_CHECK(defined.insert(name).second);
        if (name.find('.') == std::string::npos) scope = name;
      }
    }
  }
  // The bytes themselves are checked where the export is rebuilt with RGBDS (data is written as
  // db, dw, strings, ds fills and pictures, too many forms to count here).
  FUZZ_CHECK(source.Summary.InstructionBytes <= rom.RomSize);
  return 0;
}
