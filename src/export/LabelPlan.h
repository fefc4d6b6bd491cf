#pragma once
// The names an exported source defines: every label of the symbol file, spelled so that rgbasm
// takes it (one definition per name, locals under their parents where they can be), plus a
// generated name for each traced jump, call or branch target that has none.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "export/RgbdsSyntax.h"
#include "model/Labels.h"

// The sections of an exported source: bank 0 as its vectors (0000-00FF), its entry point and
// header (0100-014F) and the rest; every other bank whole. A local label's scope ends with its
// section. Returns the first offset of the section holding `offset`.
uint32_t ExportSectionStart(uint32_t offset);

// A ROM place that code reaches and that may need a generated name.
struct FlowTarget {
  uint32_t Offset;
  RgbdsFlow Flow;  // Call, Jump or Branch; None for data that code reads
  std::string_view Name = {};  // a global name of its own ("VBlank"), else one made of its place
};

// Where the plan takes a symbol-file label of the ROM for a number: a constant of that value
// (DEF name EQU value) rather than a place in the bytes.
using ConstantRule = std::function<bool(uint32_t offset, std::string_view name)>;

struct PlannedLabel {
  uint32_t Offset = 0;
  std::string Global;  // the global part as written, "#ld" or "Init"
  std::string Local;   // the part after the dot, "" for a global label
  bool Generated = false;
  std::string Original;  // the symbol file's name where it is spelled otherwise, else ""

  bool IsLocal() const { return !Local.empty(); }
  std::string FullName() const { return IsLocal() ? Global + "." + Local : Global; }
};

// A name with a value rather than a place in the ROM's bytes: RAM and registers (8000-FFFF),
// and ROM labels past the end of the ROM.
struct PlannedConstant {
  uint32_t Value = 0;
  std::string Name;
  std::string Original;  // as the symbol file wrote it
  std::string Where;     // "01:D000" as the symbol file placed it
};

class LabelPlan {
 public:
  // Plans the names of the symbol file's labels in [0, romSize) and of the targets that none of
  // them names. Targets outside the ROM are ignored. Labels that `asConstant` picks become
  // constants; `reserved` names (the hardware registers') are never given to a label, and a RAM
  // label that has one at the same address is left to its definition elsewhere.
  LabelPlan(const LabelTables& labels, uint32_t romSize, const std::vector<FlowTarget>& targets,
            const ConstantRule& asConstant = {},
            const std::function<bool(std::string_view name, uint16_t address)>& reserved = {});

  // Every label with a place, ascending by offset; at one offset the symbol file's globals, then
  // its locals (each in file order), then a generated name.
  const std::vector<PlannedLabel>& Labels() const { return labels_; }
  const std::vector<PlannedConstant>& Constants() const { return constants_; }

  // The label an operand names for a ROM offset (the first of the symbol file's there, else the
  // generated one), or nullptr.
  const PlannedLabel* LabelAt(uint32_t offset) const;
  // The constant an operand names for a RAM address (the first in file order), or nullptr.
  const PlannedConstant* ConstantAt(uint16_t address) const;

  size_t SymbolLabelCount() const { return labels_.size() - generatedCount_; }
  size_t GeneratedCount() const { return generatedCount_; }

 private:
  std::vector<PlannedLabel> labels_;
  std::vector<PlannedConstant> constants_;
  // (index into labels_, offset) of the label operands use, ascending by offset.
  std::vector<std::pair<uint32_t, uint32_t>> operand_;
  std::unordered_map<uint16_t, uint32_t> constantAt_;
  size_t generatedCount_ = 0;
};

// A symbol-file name spelled as an rgbasm global: characters rgbasm refuses become "_", a name
// that does not start with a letter or "_" gets "_" in front, a keyword gets the raw-name "#".
std::string SpellGlobalName(std::string_view name);
// The part after a local's dot: refused characters become "_".
std::string SpellLocalName(std::string_view name);
