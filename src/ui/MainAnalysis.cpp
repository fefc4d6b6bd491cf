// TMainForm's use of the trace: keeping it in step with the ROM, Search > References, View > Rom
// Map and the reference counts on the listing's label lines.
#include <QUndoStack>

#include "analysis/Align.h"
#include "analysis/References.h"
#include "model/BankAddress.h"
#include "ui/AppState.h"
#include "ui/Main.h"
#include "ui/References.h"
#include "ui/RomMapView.h"
#include "ui/TraceRunner.h"

void TMainForm::SetUpAnalysis() {
  trace_ = new TTraceRunner(state_, this);
  // Every change of the bytes is an undo step, and every undo and redo moves the index.
  connect(undoStack_, &QUndoStack::indexChanged, trace_, &TTraceRunner::Retrace);
  // The counts on the label lines, and the alignment, follow a trace as it comes in.
  connect(trace_, &TTraceRunner::Traced, this, [this] {
    if (state_.rom.RomSize > 0) {
      UpdateList();
      ShowSelectedOffset();  // why the selected line is code may have changed
    }
    if (romMap_) romMap_->Refresh(trace_->Latest());
    if (references_) references_->Refresh(*trace_->Latest());
  });
  connect(ui.References1, &QAction::triggered, this, &TMainForm::References1Click);
  connect(ui.RomMap1, &QAction::triggered, this, &TMainForm::RomMap1Click);
}

void TMainForm::Retrace() {
  trace_->Retrace();
}

void TMainForm::CloseAnalysisWindows() {
  if (references_) references_->close();
}

void TMainForm::CountLabelReferences() {
  labelCounts_.assign(listing_.Lines.size(), {});
  const Trace* trace = trace_ ? trace_->Latest() : nullptr;
  if (!trace) return;
  for (size_t i = 0; i < listing_.Lines.size(); ++i) {
    // The count goes on the label line right above the instruction.
    const bool lastLabel = i + 1 == listing_.Lines.size() || !listing_.Lines[i + 1].IsLabel;
    if (listing_.Lines[i].IsLabel && lastLabel) {
      const auto offset = static_cast<uint32_t>(listing_.LineOffsets[i]);
      labelCounts_[i] = {trace->Refs.CountTo(offset), trace->Refs.CountMaybeTo(offset)};
    }
  }
}

LabelRefCount TMainForm::LabelReferenceCount(int line) const {
  return line >= 0 && static_cast<size_t>(line) < labelCounts_.size()
             ? labelCounts_[static_cast<size_t>(line)]
             : LabelRefCount{};
}

void TMainForm::References1Click() {
  if (state_.rom.RomSize == 0) return;
  ShowReferences({static_cast<uint32_t>(SelectedOffset()), RefSpace::Rom});
}

void TMainForm::ShowReferences(RefPlace place) {
  if (references_) references_->close();
  references_ = new TReferencesForm(state_, place, this);
  connect(references_, &TReferencesForm::ShowRequested, this, &TMainForm::JumpTo);
  references_->Refresh(trace_->Current());
  references_->PlaceBeside(this);
  references_->show();
}

void TMainForm::RomMap1Click() {
  if (state_.rom.RomSize == 0) return;
  if (!romMap_) {
    romMap_ = new TRomMapForm(this);
    // Inside traced code the listing starts at the instruction that holds the byte, as Back does.
    connect(romMap_, &TRomMapForm::ShowRequested, this, [this](int32_t offset) {
      JumpTo(static_cast<int32_t>(AlignBack(trace_->Current(), static_cast<uint32_t>(offset))));
    });
    romMap_->PlaceBeside(this);
  }
  romMap_->Refresh(&trace_->Current());
  romMap_->show();
  romMap_->raise();
}
