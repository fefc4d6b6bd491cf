#include "ui/AnnotateCommands.h"

#include <QAction>
#include <QMainWindow>
#include <QUndoStack>

#include "model/BankAddress.h"
#include "model/PointerTable.h"
#include "ui/AppState.h"
#include "ui/AskForm.h"
#include "ui/CommandHost.h"
#include "ui/Latin1.h"
#include "ui/SymbolSteps.h"

namespace {

// The name of the label that the selected line shows ("@Name:"), else of the first label of
// the line's offset; "" for a line without one.
std::string SelectedLabel(TCommandHost& main) {
  const Listing& listing = main.CurrentListing();
  const int index = main.CurrentPlace().SelectedLine;
  if (index >= 0 && static_cast<size_t>(index) < listing.Lines.size()) {
    const ListingLine& line = listing.Lines[static_cast<size_t>(index)];
    if (line.IsLabel && line.Text.size() >= 2) return line.Text.substr(1, line.Text.size() - 2);
  }
  // The line's first label that names a place: a number's name (a GBDK bank number at 0001) has
  // no line of its own, and renaming it by mistake would lose it.
  const LabelTables& labels = main.State().labels;
  for (int32_t entry = labels.FirstRomLabelAt(main.SelectedOffset()); entry != LabelTables::kNone;
       entry = labels.NextRomLabelAt(entry)) {
    const auto& label = labels.RomLabels()[static_cast<size_t>(entry)];
    if (!IsConstantLabel(label.Offset, label.Name)) return label.Name;
  }
  return "";
}

QString PlaceText(uint32_t offset) {
  return Latin1(OffsetToBankAddress(offset));
}

}  // namespace

TAnnotateCommands::TAnnotateCommands(TCommandHost* host, QUndoStack* stack, const Items& items)
    : QObject(host->Window()), main_(host), stack_(stack), items_(items) {
  setObjectName("AnnotateCommands");
  connect(items.Label, &QAction::triggered, this, &TAnnotateCommands::Label1Click);
  connect(items.Comment, &QAction::triggered, this, &TAnnotateCommands::Comment1Click);
  connect(items.MarkCode, &QAction::triggered, this, [this] { MarkClick(MarkKind::Code); });
  connect(items.MarkData, &QAction::triggered, this, [this] { MarkClick(MarkKind::Data); });
  connect(items.MarkText, &QAction::triggered, this, [this] { MarkClick(MarkKind::Text); });
  connect(items.MarkPointers, &QAction::triggered, this, &TAnnotateCommands::MarkPointersClick);
}

void TAnnotateCommands::Enable(bool enabled) {
  for (QAction* item :
       {items_.Label, items_.Comment, items_.MarkCode, items_.MarkData, items_.MarkText,
        items_.MarkPointers}) {
    item->setEnabled(enabled);
  }
}

void TAnnotateCommands::Push(const std::optional<SymbolStep>& step) {
  if (!step) return;
  stack_->push(new TSymbolCommand(main_->State().Symbols(), *step,
                                  [this](const SymbolStep& s, bool again) { Shown(s, again); }));
}

void TAnnotateCommands::Shown(const SymbolStep& step, bool again) {
  // The trace follows the stack's every move by itself (labels are entry points, marked data
  // and text are kept out of it); the listing is shown at once.
  const std::optional<uint32_t> offset = StepOffset(step);
  if (again && offset) {
    main_->JumpTo(static_cast<int32_t>(*offset));
  } else {
    main_->UpdateList();
  }
}

void TAnnotateCommands::Label1Click() {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  const auto offset = static_cast<uint32_t>(main_->SelectedOffset());
  const std::string old = SelectedLabel(*main_);
  const QString caption = old.empty() ? "Label for " + PlaceText(offset) + ":"
                                       : "New name for " + Utf8(old) + " at " + PlaceText(offset) +
                                             " (empty deletes it):";
  Ask(old.empty() ? "Label" : "Rename Label", {{caption, old}},
      [&](const std::vector<std::string>& texts) {
        Push(RomLabelStep(state.labels, offset, old, texts[0]));
      },
      main_->Window());
}

void TAnnotateCommands::Comment1Click() {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  const auto offset = static_cast<uint32_t>(main_->SelectedOffset());
  const auto it = state.comments.find(offset);
  Ask("Comment", {{"Comment on " + PlaceText(offset) + " (empty: none):",
                   it == state.comments.end() ? "" : it->second}},
      [&](const std::vector<std::string>& texts) {
        Push(CommentEditStep(state.comments, offset, texts[0]));
      },
      main_->Window());
}

void TAnnotateCommands::MarkClick(MarkKind kind) {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  const auto offset = static_cast<uint32_t>(main_->SelectedOffset());
  static constexpr const char* kTitles[] = {"Mark as Code", "Mark as Data", "Mark as Text"};
  const auto length = [&](const std::vector<std::string>& texts) {
    return ParseRangeLength(texts[0], offset, state.rom.RomSize, state.labels);
  };
  Ask(kTitles[static_cast<int>(kind)],
      {{"From " + PlaceText(offset) + " to (last byte's place, or +length):", ""}},
      [&](const std::vector<std::string>& texts) {
        Push(MarkEditStep(state.marks, offset, length(texts), kind));
      },
      main_->Window(),
      [&](const std::vector<std::string>& texts) { return RangeText(offset, length(texts)); });
}

void TAnnotateCommands::MarkPointersClick() {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  const auto offset = static_cast<uint32_t>(main_->SelectedOffset());
  Ask("Mark as Pointer Table",
      {{"Entries (words, bank+word or word+bank):", "words"},
       {"How many, or the address of the last byte (" + PlaceText(offset) + "):", "1"}},
      [&](const std::vector<std::string>& texts) {
        const PointerForm form = ParsePointerForm(texts[0]);
        const uint32_t length = ParsePointerTableLength(texts[1], offset, form, state.rom.RomSize,
                                                        state.rom.BankCount);
        Push(PointerTableStep(state.rom.RomImage.data(), state.rom.RomSize, state.labels,
                              state.marks, offset, length, form));
      },
      main_->Window());
}
