#include "export/DebuggerSymbols.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <vector>

std::string DebuggerSymText(const LabelTables& labels) {
  struct Line {
    int space;  // 0 ROM, 1 RAM
    uint32_t bank, address;
    const std::string* name;
  };
  std::vector<Line> lines;
  for (const RomLabel& l : labels.RomLabels()) {
    if (l.Offset < 0) continue;
    const uint32_t offset = static_cast<uint32_t>(l.Offset);
    const uint32_t bank = offset >> 14;
    lines.push_back({0, bank, bank == 0 ? offset : 0x4000 | (offset & 0x3FFF), &l.Name});
  }
  for (const RamLabel& l : labels.RamLabels()) lines.push_back({1, l.Bank, l.Address, &l.Name});
  // Stable: of several names at one place the first in the tables stays.
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
    return std::tie(a.space, a.bank, a.address) < std::tie(b.space, b.bank, b.address);
  });
  std::string out;
  char place[24];
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    if (i > 0 && std::tie(l.space, l.bank, l.address) ==
                     std::tie(lines[i - 1].space, lines[i - 1].bank, lines[i - 1].address)) {
      continue;
    }
    std::snprintf(place, sizeof place, "%02x:%04x ", l.bank, l.address);
    out += place;
    out += *l.name;
    out += '\n';
  }
  return out;
}

CodeDataLog KnownCodeData(const Trace& trace, const CodeDataLog& runs) {
  CodeDataLog log;
  log.Flags.assign(trace.Classes.size(), 0);
  for (size_t i = 0; i < trace.Classes.size(); ++i) {
    switch (trace.Classes[i]) {
      case ByteClass::Code:
      case ByteClass::Operand:
        log.Flags[i] = kLogCode;
        break;
      case ByteClass::Data:
      case ByteClass::Text:
      case ByteClass::Image:
      case ByteClass::Pointers:
        log.Flags[i] = kLogData;
        break;
      case ByteClass::Unknown:
        break;
    }
    if (i < runs.Flags.size()) log.Flags[i] |= runs.Flags[i] & kLogFileFlags;
  }
  return log;
}
