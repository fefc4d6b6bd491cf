#include "model/SymbolEdit.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_map>

#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/NumberText.h"
#include "model/PointerTable.h"

namespace {

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

void CheckName(std::string_view name) {
  if (!IsSymbolName(name)) {
    throw ErrorFailure(Quoted(name) +
                       " is not a label name: it starts with a letter or \"_\" and holds only "
                       "letters, digits and _ @ # $ .");
  }
}

std::string RamPlaceText(uint8_t bank, uint16_t address) {
  return IntToHex(bank, 2) + ":" + IntToHex(address, 4);
}

// The entry of the ROM label at the offset with that name: `hint` when it is that label, else
// the first in table order; kNone when there is none.
int32_t FindRomLabel(const LabelTables& labels, uint32_t offset, std::string_view name,
                     int32_t hint) {
  const auto& rom = labels.RomLabels();
  const auto at = static_cast<int32_t>(offset);
  if (hint >= 0 && static_cast<size_t>(hint) < rom.size() && rom[hint].Offset == at &&
      rom[hint].Name == name) {
    return hint;
  }
  for (int32_t e = labels.FirstRomLabelAt(at); e != LabelTables::kNone;
       e = labels.NextRomLabelAt(e)) {
    if (rom[static_cast<size_t>(e)].Name == name) return e;
  }
  return LabelTables::kNone;
}

int32_t FindRamLabel(const LabelTables& labels, uint8_t bank, uint16_t address,
                     std::string_view name, int32_t hint) {
  const auto& ram = labels.RamLabels();
  auto same = [&](const RamLabel& l) {
    return l.Address == address && l.Bank == bank && l.Name == name;
  };
  if (hint >= 0 && static_cast<size_t>(hint) < ram.size() && same(ram[hint])) return hint;
  const auto it = std::find_if(ram.begin(), ram.end(), same);
  return it == ram.end() ? LabelTables::kNone : static_cast<int32_t>(it - ram.begin());
}

void RenameOne(LabelTables& labels, const LabelStep& s, const std::string& from,
               const std::string& to) {
  if (s.Ram) {
    const auto address = static_cast<uint16_t>(s.Where);
    const int32_t entry = from.empty() ? LabelTables::kNone
                                       : FindRamLabel(labels, s.Bank, address, from, s.Entry);
    if (from.empty()) {
      const auto size = static_cast<int32_t>(labels.RamLabels().size());
      labels.InsertRamLabel(std::min(s.Entry, size), {address, s.Bank, to});
    } else if (entry == LabelTables::kNone) {
      return;
    } else if (to.empty()) {
      labels.EraseRamLabel(entry);
    } else {
      labels.RenameRamLabel(entry, to);
    }
    return;
  }
  const int32_t entry =
      from.empty() ? LabelTables::kNone : FindRomLabel(labels, s.Where, from, s.Entry);
  if (from.empty()) {
    const auto size = static_cast<int32_t>(labels.RomLabels().size());
    labels.InsertRomLabel(std::min(s.Entry, size), {static_cast<int32_t>(s.Where), to});
  } else if (entry == LabelTables::kNone) {
    return;
  } else if (to.empty()) {
    labels.EraseRomLabel(entry);
  } else {
    labels.RenameRomLabel(entry, to);
  }
}

// The step's label, then its locals; taken back in the opposite order.
void ApplyLabel(LabelTables& labels, const LabelStep& s, bool forward) {
  const auto local = [&](const LocalRename& l) {
    const LabelStep one{s.Ram, l.Where, s.Bank, l.Entry, l.OldName, l.NewName, {}};
    RenameOne(labels, one, forward ? l.OldName : l.NewName, forward ? l.NewName : l.OldName);
  };
  if (!forward) std::for_each(s.Locals.rbegin(), s.Locals.rend(), local);
  RenameOne(labels, s, forward ? s.OldName : s.NewName, forward ? s.NewName : s.OldName);
  if (forward) std::for_each(s.Locals.begin(), s.Locals.end(), local);
}

// The label's locals (the labels of its bank, `inBank`, named OldName.x) into the rename step,
// refused whole when a new name is taken in the bank once the rename is done. `bank` names the
// bank in the refusal ("bank 01", "RAM bank 00").
template <typename Label, typename InBank, typename WhereOf, typename PlaceOf>
void TakeLocalsAlong(const std::vector<Label>& labels, LabelStep& step, InBank&& inBank,
                     WhereOf&& whereOf, PlaceOf&& placeOf, const std::string& bank) {
  const std::string prefix = step.OldName + ".";
  std::vector<bool> renamed(labels.size());
  renamed[static_cast<size_t>(step.Entry)] = true;
  for (size_t i = 0; i < labels.size(); ++i) {
    const Label& l = labels[i];
    if (!renamed[i] && l.Name.starts_with(prefix) && inBank(l)) {
      step.Locals.push_back({whereOf(l), static_cast<int32_t>(i), l.Name,
                             step.NewName + l.Name.substr(step.OldName.size())});
      renamed[i] = true;
    }
  }
  // The new names, and where a label that keeps its name holds one already.
  std::unordered_map<std::string, std::string> taken{{step.NewName, ""}};
  for (const LocalRename& local : step.Locals) taken.emplace(local.NewName, "");
  for (size_t i = 0; i < labels.size(); ++i) {
    if (renamed[i] || !inBank(labels[i])) continue;
    const auto it = taken.find(labels[i].Name);
    if (it != taken.end() && it->second.empty()) it->second = placeOf(labels[i]);
  }
  if (const std::string& place = taken[step.NewName]; !place.empty()) {
    const std::string capitalized = static_cast<char>(std::toupper(bank[0])) + bank.substr(1);
    throw ErrorFailure(capitalized + " has a label " + step.NewName + " already, at " + place + ".");
  }
  for (const LocalRename& local : step.Locals) {
    if (const std::string& place = taken[local.NewName]; !place.empty()) {
      throw ErrorFailure(local.OldName + " would follow " + step.OldName + " as " +
                         local.NewName + ", but " + bank + " has a label " + local.NewName +
                         " already, at " + place + ".");
    }
  }
}

void ApplyComment(RomComments& comments, uint32_t offset, const std::string& text) {
  if (text.empty()) {
    comments.erase(offset);
  } else {
    comments[offset] = text;
  }
}

struct RamArea {
  uint16_t First;
  uint16_t Last;
  const char* Name;
  uint8_t LastBank;
};

// The GameBoy's RAM areas by the banks each may have: VRAM two on the Color, cartridge RAM as
// many as a cartridge has, WRAM 1-7 at D000 on the Color.
constexpr RamArea kRamAreas[] = {
    {0x8000, 0x9FFF, "VRAM", 0x01},          {0xA000, 0xBFFF, "Cartridge RAM", 0xFF},
    {0xC000, 0xCFFF, "WRAM0", 0x00},         {0xD000, 0xDFFF, "WRAMX", 0x07},
    {0xE000, 0xFFFF, "Echo RAM, OAM, I/O and HRAM", 0x00},
};

bool ParseHexField(std::string_view text, size_t maxDigits, uint32_t& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (char c : text) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return true;
}

}  // namespace

std::string TypedLabelName(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  // The listing writes a name as "@Name"; typed so, it is the same name.
  if (text.size() > 1 && text[0] == '@') text.remove_prefix(1);
  return std::string(text);
}

std::optional<SymbolStep> RomLabelStep(const LabelTables& labels, uint32_t offset,
                                       std::string_view oldName, std::string_view typedName) {
  const std::string name = TypedLabelName(typedName);
  const std::string_view newName = name;
  if (oldName == newName) return std::nullopt;
  LabelStep step{false, offset, 0, static_cast<int32_t>(labels.RomLabels().size()),
                 std::string(oldName), std::string(newName), {}};
  if (!oldName.empty()) {
    step.Entry = FindRomLabel(labels, offset, oldName, LabelTables::kNone);
    if (step.Entry == LabelTables::kNone) {
      throw ErrorFailure("There is no label " + std::string(oldName) + " at " +
                         OffsetToBankAddress(offset) + ".");
    }
  }
  if (newName.empty()) return step;
  CheckName(newName);
  const uint32_t bank = BankOf(offset);
  const auto inBank = [bank](const RomLabel& l) {
    return l.Offset >= 0 && BankOf(static_cast<uint32_t>(l.Offset)) == bank;
  };
  const auto where = [](const RomLabel& l) { return static_cast<uint32_t>(l.Offset); };
  const auto place = [](const RomLabel& l) {
    return OffsetToBankAddress(static_cast<uint32_t>(l.Offset));
  };
  if (oldName.empty()) {
    // A new label has no locals: only its own name can be taken.
    for (int32_t e = labels.FirstRomLabelNamed(newName); e != LabelTables::kNone;
         e = labels.NextRomLabelNamed(e)) {
      const RomLabel& other = labels.RomLabels()[static_cast<size_t>(e)];
      if (inBank(other)) {
        throw ErrorFailure("Bank " + IntToHex(bank, 2) + " has a label " +
                           std::string(newName) + " already, at " + place(other) + ".");
      }
    }
  } else {
    TakeLocalsAlong(labels.RomLabels(), step, inBank, where, place, "bank " + IntToHex(bank, 2));
  }
  return step;
}

std::optional<SymbolStep> RamLabelStep(const LabelTables& labels, uint8_t bank, uint16_t address,
                                       std::string_view oldName, std::string_view typedName) {
  const std::string name = TypedLabelName(typedName);
  const std::string_view newName = name;
  if (oldName == newName) return std::nullopt;
  LabelStep step{true, address, bank, static_cast<int32_t>(labels.RamLabels().size()),
                 std::string(oldName), std::string(newName), {}};
  if (!oldName.empty()) {
    step.Entry = FindRamLabel(labels, bank, address, oldName, LabelTables::kNone);
    if (step.Entry == LabelTables::kNone) {
      throw ErrorFailure("There is no label " + std::string(oldName) + " at " +
                         RamPlaceText(bank, address) + ".");
    }
  }
  if (newName.empty()) return step;
  CheckName(newName);
  const auto inBank = [bank](const RamLabel& l) { return l.Bank == bank; };
  const auto where = [](const RamLabel& l) { return uint32_t{l.Address}; };
  const auto place = [](const RamLabel& l) { return RamPlaceText(l.Bank, l.Address); };
  if (oldName.empty()) {
    for (const RamLabel& l : labels.RamLabels()) {
      if (inBank(l) && l.Name == newName) {
        throw ErrorFailure("RAM bank " + IntToHex(bank, 2) + " has a label " +
                           std::string(newName) + " already, at " + place(l) + ".");
      }
    }
  } else {
    TakeLocalsAlong(labels.RamLabels(), step, inBank, where, place,
                    "RAM bank " + IntToHex(bank, 2));
  }
  return step;
}

std::optional<SymbolStep> CommentEditStep(const RomComments& comments, uint32_t offset,
                                          std::string_view text) {
  if (text.find_first_not_of(" \t") == std::string_view::npos) text = {};
  const auto it = comments.find(offset);
  const std::string old = it == comments.end() ? std::string() : it->second;
  if (old == text) return std::nullopt;
  return CommentStep{offset, old, std::string(text)};
}

std::optional<SymbolStep> MarkEditStep(const RomMarks& marks, uint32_t offset, uint32_t length,
                                       MarkKind kind, const ImageShape& image) {
  if (length == 0) return std::nullopt;
  const uint32_t end = offset + length;
  MarkStep step;
  step.Kind = kind;
  step.Offset = offset;
  step.Length = length;
  step.OldBlocks = marks.BlocksIn(offset, end);
  step.From = step.OldBlocks.empty() ? offset : std::min(offset, step.OldBlocks.front().Offset);
  step.To = step.OldBlocks.empty() ? end : std::max(end, step.OldBlocks.back().End());
  // What sticks out of the range on either side stays as it was marked.
  for (const MarkBlock& b : step.OldBlocks) {
    if (b.Offset >= offset) continue;
    step.NewBlocks.push_back(b);
    step.NewBlocks.back().Length = offset - b.Offset;
  }
  step.NewBlocks.push_back({offset, length, kind, kind == MarkKind::Image ? image : ImageShape{}});
  for (const MarkBlock& b : step.OldBlocks) {
    if (b.End() <= end) continue;
    step.NewBlocks.push_back(b);
    step.NewBlocks.back().Offset = end;
    step.NewBlocks.back().Length = b.End() - end;
  }
  if (step.NewBlocks == step.OldBlocks) return std::nullopt;
  return step;
}

std::optional<SymbolStep> PointerTableStep(const uint8_t* image, uint32_t romSize,
                                           const LabelTables& labels, const RomMarks& marks,
                                           uint32_t offset, uint32_t length, PointerForm form) {
  std::optional<SymbolStep> made = MarkEditStep(marks, offset, length, MarkKind::Pointers);
  MarkStep step;
  if (made) {
    step = std::get<MarkStep>(*made);
  } else {
    // The same range marked again, perhaps with another form.
    step.Kind = MarkKind::Pointers;
    step.Offset = step.From = offset;
    step.Length = length;
    step.To = offset + length;
    step.OldBlocks = step.NewBlocks = marks.BlocksIn(offset, offset + length);
  }
  MarkBlock* table = nullptr;
  for (MarkBlock& b : step.NewBlocks)
    if (b.Offset == offset) table = &b;
  table->Form = form;
  // Labels go in at the end of the table, one after the other.
  auto entry = static_cast<int32_t>(labels.RomLabels().size());
  for (const PointerEntry& e : PointerEntries(image, romSize, *table)) {
    if (e.Target < 0) continue;
    const auto target = static_cast<uint32_t>(e.Target);
    const std::string name = PointerLabelName(target);
    const bool named = std::any_of(step.Labels.begin(), step.Labels.end(),
                                   [&](const LabelStep& l) { return l.Where == target; });
    if (named || labels.FirstRomLabelAt(static_cast<int32_t>(target)) != LabelTables::kNone) {
      continue;
    }
    step.Labels.push_back({false, target, 0, entry++, "", name, {}});
  }
  if (step.NewBlocks == step.OldBlocks && step.Labels.empty()) return std::nullopt;
  return step;
}

namespace {

// The step's change put in (forward) or taken back.
void TakeStep(SymbolTables tables, const SymbolStep& step, bool forward) {
  if (const auto* label = std::get_if<LabelStep>(&step)) {
    ApplyLabel(tables.Labels, *label, forward);
  } else if (const auto* comment = std::get_if<CommentStep>(&step)) {
    ApplyComment(tables.Comments, comment->Offset, forward ? comment->NewText : comment->OldText);
  } else {
    const auto& mark = std::get<MarkStep>(step);
    tables.Marks.Replace(mark.From, mark.To, forward ? mark.NewBlocks : mark.OldBlocks);
    const auto label = [&](const LabelStep& l) { ApplyLabel(tables.Labels, l, forward); };
    if (forward) {
      std::for_each(mark.Labels.begin(), mark.Labels.end(), label);
    } else {
      std::for_each(mark.Labels.rbegin(), mark.Labels.rend(), label);
    }
  }
}

}  // namespace

void ApplySymbolStep(SymbolTables tables, const SymbolStep& step) {
  TakeStep(tables, step, true);
}

void RevertSymbolStep(SymbolTables tables, const SymbolStep& step) {
  TakeStep(tables, step, false);
}

std::string SymbolStepCaption(const SymbolStep& step) {
  if (const auto* label = std::get_if<LabelStep>(&step)) {
    if (label->OldName.empty()) {
      const std::string place = label->Ram
                                    ? RamPlaceText(label->Bank, static_cast<uint16_t>(label->Where))
                                    : OffsetToBankAddress(label->Where);
      return "Label " + label->NewName + " at " + place;
    }
    if (label->NewName.empty()) return "Delete Label " + label->OldName;
    return "Rename " + label->OldName + " to " + label->NewName;
  }
  if (const auto* comment = std::get_if<CommentStep>(&step)) {
    return "Comment at " + OffsetToBankAddress(comment->Offset);
  }
  const auto& mark = std::get<MarkStep>(step);
  static constexpr const char* kKinds[] = {"Code", "Data", "Text", "Pointer Table", "Image"};
  return std::string("Mark as ") + kKinds[static_cast<int>(mark.Kind)] + " " +
         OffsetToBankAddress(mark.Offset) + "-" +
         OffsetToBankAddress(mark.Offset + mark.Length - 1);
}

bool StepChangesTrace(const SymbolStep& step) {
  return !std::holds_alternative<CommentStep>(step);
}

std::optional<uint32_t> StepOffset(const SymbolStep& step) {
  if (const auto* label = std::get_if<LabelStep>(&step)) {
    if (label->Ram) return std::nullopt;
    return label->Where;
  }
  if (const auto* comment = std::get_if<CommentStep>(&step)) return comment->Offset;
  return std::get<MarkStep>(step).Offset;
}

RamPlace ParseRamPlace(std::string_view text) {
  const size_t colon = text.find(':');
  const bool banked = colon != std::string_view::npos;
  std::string_view addressText = banked ? text.substr(colon + 1) : text;
  if (!banked && !addressText.empty() && addressText[0] == '$') addressText.remove_prefix(1);
  uint32_t bank = 0;
  uint32_t address = 0;
  if ((banked && !ParseHexField(text.substr(0, colon), 2, bank)) ||
      !ParseHexField(addressText, 4, address)) {
    throw ErrorFailure(Quoted(text) +
                       " is not a RAM place: type it as bank:address (00:C0A0), or as an address "
                       "alone in C000-CFFF or E000-FFFF.");
  }
  if (address < 0x8000) {
    throw ErrorFailure(IntToHex(address, 4) +
                       " is a ROM address: label it on its line in the listing.");
  }
  const RamArea* area = std::find_if(std::begin(kRamAreas), std::end(kRamAreas),
                                     [&](const RamArea& a) { return address <= a.Last; });
  const std::string areaText = std::string(area->Name) + " (" + IntToHex(area->First, 4) + "-" +
                               IntToHex(area->Last, 4) + ")";
  if (!banked && area->LastBank != 0) {
    throw ErrorFailure(areaText + " is banked: type the bank too, as in 00:" +
                       IntToHex(address, 4) + ".");
  }
  if (bank > area->LastBank) {
    throw ErrorFailure(areaText + (area->LastBank == 0
                                       ? std::string(" has bank 00 only")
                                       : " has banks 00-" + IntToHex(area->LastBank, 2)) +
                       ", not " + IntToHex(bank, 2) + ".");
  }
  return {static_cast<uint8_t>(bank), static_cast<uint16_t>(address)};
}

namespace {

// A hexadecimal or decimal number as StrToInt reads it, or nothing.
std::optional<int64_t> NumberOf(std::string_view text) {
  try {
    return StrToInt(text);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The offset of a bank address "BB:AAAA" of the ROM: bank 00 holds 0000-3FFF, every other bank
// 4000-7FFF (its window in the GameBoy's address space); anything else is no place.
std::optional<uint32_t> BankAddressOffset(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == 0 || colon > 3 || text.size() - colon - 1 != 4) return std::nullopt;
  const auto bank = NumberOf("$" + std::string(text.substr(0, colon)));
  const auto address = NumberOf("$" + std::string(text.substr(colon + 1)));
  if (!bank || !address || *bank < 0 || *address < 0) return std::nullopt;
  if (*bank == 0 ? *address > 0x3FFF : *address < 0x4000 || *address > 0x7FFF) return std::nullopt;
  return static_cast<uint32_t>(*bank * 0x4000 + (*address & 0x3FFF));
}

}  // namespace

uint32_t ParseRangeLength(std::string_view text, uint32_t from, uint32_t romSize,
                          const LabelTables& labels) {
  const std::string typed = Quoted(text);
  if (text.empty()) {
    throw ErrorFailure("Type where the range ends: its last byte's bank address (01:4FFF), file "
                       "offset ($4FFF or 20479) or label (@Name), or its length (+$200).");
  }
  int64_t last = 0;
  if (text[0] == '+') {
    const auto length = NumberOf(text.substr(1));
    if (!length) {
      throw ErrorFailure(typed + " is no length: type + and a number of bytes (+$200 or +512).");
    }
    if (*length <= 0) throw ErrorFailure(typed + ": a range is at least 1 byte long.");
    last = int64_t{from} + *length - 1;
  } else if (text[0] == '@') {
    const int32_t entry = labels.FirstRomLabelNamed(text.substr(1));
    if (entry == LabelTables::kNone) throw ErrorFailure(typed + ": no ROM label has that name.");
    last = labels.RomLabels()[static_cast<size_t>(entry)].Offset;
  } else if (text.find(':') != std::string_view::npos) {
    const auto offset = BankAddressOffset(text);
    if (!offset) {
      throw ErrorFailure(typed + " is no place in the ROM: bank 00 holds 00:0000-00:3FFF, every "
                         "other bank 4000-7FFF.");
    }
    last = *offset;
  } else {
    const auto offset = NumberOf(text);
    if (!offset || *offset < 0) {
      throw ErrorFailure(typed + " is no place: type the last byte's bank address (01:4FFF), file "
                         "offset ($4FFF or 20479) or label (@Name), or the length (+$200).");
    }
    last = *offset;
  }
  if (last < from) {
    throw ErrorFailure(typed + " is " + OffsetToBankAddress(static_cast<uint32_t>(last)) +
                       ", before " + OffsetToBankAddress(from) + " where the range starts.");
  }
  if (last >= romSize) {
    throw ErrorFailure(typed + ": the range runs past the end of the ROM, at " +
                       OffsetToBankAddress(romSize - 1) + ".");
  }
  return static_cast<uint32_t>(last - from + 1);
}

std::string RangeText(uint32_t from, uint32_t length) {
  return OffsetToBankAddress(from) + "-" + OffsetToBankAddress(from + length - 1) + ", " +
         (length == 1 ? std::string("1 byte") : GroupedDecimal(length) + " bytes");
}
