#pragma once
// The user's own changes to the labels, marks and comments, one step each, as the undo stack
// keeps them. A step holds what was there before and what is there after, and finds what it
// changes by its place and name rather than by a position in a table, so that it can be taken
// back and put in again any number of times.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/Labels.h"
#include "model/Marks.h"
#include "model/SymbolFile.h"

// A label of the same bank named after a renamed one ("Init.loop" of "Init"): renamed with it.
struct LocalRename {
  uint32_t Where = 0;
  int32_t Entry = 0;
  std::string OldName;
  std::string NewName;
  bool operator==(const LocalRename&) const = default;
};

// A label added (OldName ""), renamed, or deleted (NewName "").
struct LabelStep {
  bool Ram = false;
  uint32_t Where = 0;  // the ROM offset, or the RAM address
  uint8_t Bank = 0;    // RAM labels
  int32_t Entry = 0;   // its place in its table: where an added label goes, a deleted one stood
  std::string OldName;
  std::string NewName;
  // A rename's locals, in table order: OldName.x becomes NewName.x in the same step.
  std::vector<LocalRename> Locals;
  bool operator==(const LabelStep&) const = default;
};

// The comment of the line at Offset set, changed or cleared ("" for none).
struct CommentStep {
  uint32_t Offset = 0;
  std::string OldText;
  std::string NewText;
  bool operator==(const CommentStep&) const = default;
};

// The blocks that shared a byte with [From, To), before and after a range was marked.
struct MarkStep {
  uint32_t From = 0;
  uint32_t To = 0;
  std::vector<MarkBlock> OldBlocks;
  std::vector<MarkBlock> NewBlocks;
  MarkKind Kind = MarkKind::Code;  // what the range was marked as
  uint32_t Offset = 0;             // and where it starts
  uint32_t Length = 0;
  // Labels added with a pointer table, for its targets that had none, in the order they go in.
  std::vector<LabelStep> Labels;
  bool operator==(const MarkStep&) const = default;
};

using SymbolStep = std::variant<LabelStep, CommentStep, MarkStep>;

// Steps against the tables as they are now; nullopt when the step would change nothing. A new
// name must keep the name rule (IsSymbolName) and must not be taken by another label of the
// same bank (a ROM bank; for RAM labels the bank they are written with); either fault is an
// error Failure that names it. oldName "" adds a label, newName "" deletes the one named. A
// rename takes the label's locals along (every "oldName.x" of the bank becomes "newName.x"),
// refused whole when one of their new names is taken.
// A name as the user typed it: blanks around it go, and a leading "@" (the listing writes
// "@Name") is no part of it.
std::string TypedLabelName(std::string_view text);
// The new name is read by TypedLabelName.
std::optional<SymbolStep> RomLabelStep(const LabelTables& labels, uint32_t offset,
                                       std::string_view oldName, std::string_view newName);
std::optional<SymbolStep> RamLabelStep(const LabelTables& labels, uint8_t bank, uint16_t address,
                                       std::string_view oldName, std::string_view newName);
// A text of blanks alone clears the comment, as the empty text does.
std::optional<SymbolStep> CommentEditStep(const RomComments& comments, uint32_t offset,
                                          std::string_view text);
std::optional<SymbolStep> MarkEditStep(const RomMarks& marks, uint32_t offset, uint32_t length,
                                       MarkKind kind, const ImageShape& image = {});
// Marks [offset, offset + length) as a pointer table of `form`, and names each ROM target of its
// entries that has no label yet (PointerLabelName), in one step. `image` holds romSize bytes.
std::optional<SymbolStep> PointerTableStep(const uint8_t* image, uint32_t romSize,
                                           const LabelTables& labels, const RomMarks& marks,
                                           uint32_t offset, uint32_t length, PointerForm form);

// Puts the step's change in (redo) or takes it back (undo).
void ApplySymbolStep(SymbolTables tables, const SymbolStep& step);
void RevertSymbolStep(SymbolTables tables, const SymbolStep& step);

// The undo stack's caption: "Label DrawHud at 01:4150", "Rename DrawHud to Hud",
// "Delete Label DrawHud", "Comment at 01:4150", "Mark as Data 0D:4800-0D:49FF".
std::string SymbolStepCaption(const SymbolStep& step);
// Whether the step changes what the trace starts from or keeps out (labels and marks).
bool StepChangesTrace(const SymbolStep& step);
// The ROM offset the step is about; nullopt for a RAM label.
std::optional<uint32_t> StepOffset(const SymbolStep& step);

// A RAM place as typed for a new RAM label: "02:a010" (bank, address), or a bare address
// ("c0a0", "$FF80") where the GameBoy has no banks: C000-CFFF, E000-FFFF. Error Failure for a
// ROM address, a banked address without its bank, a bank the area does not have.
struct RamPlace {
  uint8_t Bank = 0;
  uint16_t Address = 0;
};
RamPlace ParseRamPlace(std::string_view text);

// The length of a range from `from` to the end the user typed: the last byte's place as a bank
// address ("0D:49FF"), a file offset ("$349FF", "215551") or a ROM label ("@Name"), or a length
// after "+" ("+$200", "+512"). Error Failure, quoting the text, for anything else, a range that
// ends before it starts, and one that runs past the end of the ROM (romSize bytes).
uint32_t ParseRangeLength(std::string_view text, uint32_t from, uint32_t romSize,
                          const LabelTables& labels);
// The range as the mark dialog shows it: "01:4068-01:4FFF, 3,992 bytes".
std::string RangeText(uint32_t from, uint32_t length);
