#include "ui/Main.h"

#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QUndoStack>
#include <QUrl>
#include <algorithm>

#include "analysis/RomMap.h"
#include "isa/Follow.h"
#include "model/Header.h"
#include "patch/Patch.h"
#include "search/Search.h"
#include "ui/AnnotateCommands.h"
#include "ui/AppState.h"
#include "ui/ByteSearch.h"
#include "ui/ChnageInst.h"
#include "ui/CodeEditor.h"
#include "ui/CoolMsg.h"
#include "ui/FileWatch.h"
#include "ui/FindAll.h"
#include "ui/Go.h"
#include "ui/InstSearch.h"
#include "ui/LabelEditor.h"
#include "ui/Latin1.h"
#include "ui/ExportSource.h"
#include "ui/PatchFiles.h"
#include "ui/RecentRoms.h"
#include "ui/RomDrop.h"
#include "ui/RomInfo.h"
#include "ui/RunCommands.h"
#include "ui/Splash.h"
#include "ui/StatusReport.h"
#include "ui/TextCommands.h"
#include "ui/TileCommands.h"
#include "ui/TraceRunner.h"
#include "ui/UndoSteps.h"

namespace {

// The default window has room for 19 lines of 16 pixels.
constexpr int kDefaultListHeight = 313;
constexpr int kStatusHeight = 19;

// Enables a menu together with every item in it, so that their shortcuts follow the menu.
void SetMenuEnabled(QMenu* menu, bool enabled) {
  menu->menuAction()->setEnabled(enabled);
  for (QAction* action : menu->actions()) {
    if (action->menu()) {
      SetMenuEnabled(action->menu(), enabled);
    } else {
      action->setEnabled(enabled);
    }
  }
}

}  // namespace

TMainForm::TMainForm(AppState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
  ui.setupUi(this);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  QFont windowFont("MS Sans Serif");
  windowFont.setPixelSize(11);
  setFont(windowFont);
  codeFont_ = QFont("Courier New");
  codeFont_.setPixelSize(13);
  codeFont_.setStyleHint(QFont::TypeWriter);

  QPalette black = ui.Client->palette();
  black.setColor(QPalette::Window, Qt::black);
  ui.Client->setPalette(black);
  ui.List->setFont(codeFont_);
  ui.List->DrawItem = [this](QPainter& p, int i, const QRect& r, bool s) {
    ListDrawItem(p, i, r, s);
  };

  Panel0 = new QLabel("000000", ui.Status);
  Panel0->setObjectName("Panel0");
  Panel0->setFixedWidth(55);
  Panel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // Panel 1 says "Modified" while there are unsaved changes, panel 2 "Read-only" while the
  // loaded file may not be written; each as wide as its word.
  const QFontMetrics codeMetrics(codeFont_);
  Panel1 = new QLabel(ui.Status);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedWidth(std::max(50, codeMetrics.horizontalAdvance("Modified") + 8));
  Panel2 = new QLabel(ui.Status);
  Panel2->setObjectName("Panel2");
  Panel2->setFixedWidth(codeMetrics.horizontalAdvance("Read-only") + 8);
  ui.Status->addWidget(Panel0);
  ui.Status->addWidget(Panel1);
  ui.Status->addWidget(Panel2);
  // Why the selected line is what it is, as the trace found it: "code, traced from 00:0150".
  PanelWhy = new QLabel(ui.Status);
  PanelWhy->setObjectName("PanelWhy");
  ui.Status->addPermanentWidget(PanelWhy);
  report_ = new TStatusReport(ui.Status);
  ui.Status->setFont(codeFont_);
  ui.Status->setFixedHeight(kStatusHeight);

  Pop = new QMenu(this);
  Pop->setObjectName("Pop");
  Pop->addAction(ui.ChangeInstruction1);
  Pop->addAction(ui.CodeEditor1);
  Pop->addAction(ui.Label1);
  Pop->addAction(ui.Comment1);
  Pop->addSeparator();
  Pop->addActions({ui.MarkCode1, ui.MarkData1, ui.MarkText1, ui.MarkPointers1});

  // Enter (either key) changes the selected line's instruction; the menu shows "Enter".
  ui.ChangeInstruction2->setShortcuts({QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)});

  auto* formats = new QActionGroup(this);
  for (QAction* item : {ui.Dec1, ui.Hex1, ui.Bin1}) formats->addAction(item);

  undoStack_ = new QUndoStack(this);
  ConnectUndoActions(undoStack_, ui.Undo1, ui.Redo1);
  connect(undoStack_, &QUndoStack::cleanChanged, this, &TMainForm::ShowFileState);
  // A label, comment or mark step changes what the symbol files would hold.
  connect(undoStack_, &QUndoStack::indexChanged, this, &TMainForm::ShowFileState);

  // File > Recent ROMs goes below Save As; a dropped file and a recent one load as Load Rom does.
  const QList<QAction*> fileItems = ui.File1->actions();
  recent_ = new TRecentRoms(ui.File1, fileItems.value(fileItems.indexOf(ui.SaveAs1) + 1),
                            [this](const QString& name) {
                              // After its "File not found." box, a file that is gone leaves
                              // the list.
                              if (!LoadRomNamed(name) && !QFileInfo::exists(name))
                                recent_->Remove(name);
                            });
  new TRomDrop(this, [this](const QString& name) { OpenDropped(name); });
  watch_ = new TFileWatch(this);
  connect(watch_, &TFileWatch::RomChanged, this, &TMainForm::RomFileChanged);
  connect(watch_, &TFileWatch::SymChanged, this, &TMainForm::SymFileChanged);

  connect(ui.LoadRom1, &QAction::triggered, this, &TMainForm::LoadRom1Click);
  connect(ui.Save1, &QAction::triggered, this, &TMainForm::Save1Click);
  connect(ui.SaveAs1, &QAction::triggered, this, &TMainForm::SaveAs1Click);
  connect(ui.SaveSymbols1, &QAction::triggered, this, &TMainForm::SaveSymbols1Click);
  AddSymbolFileItems();
  connect(ui.ExportPatch1, &QAction::triggered, this, &TMainForm::ExportPatch1Click);
  connect(ui.ApplyPatch1, &QAction::triggered, this, &TMainForm::ApplyPatch1Click);
  connect(ui.ExportSource1, &QAction::triggered, this, &TMainForm::ExportSource1Click);
  connect(ui.Quit1, &QAction::triggered, this, &TMainForm::Quit1Click);
  connect(ui.Goto1, &QAction::triggered, this, &TMainForm::Goto1Click);
  connect(ui.Bytes1, &QAction::triggered, this, &TMainForm::Bytes1Click);
  connect(ui.Instruction1, &QAction::triggered, this, &TMainForm::Instruction1Click);
  connect(ui.Again1, &QAction::triggered, this, &TMainForm::Again1Click);
  connect(ui.Follow1, &QAction::triggered, this, &TMainForm::Follow1Click);
  connect(ui.Back1, &QAction::triggered, this, &TMainForm::Back1Click);
  connect(ui.Forward1, &QAction::triggered, this, &TMainForm::Forward1Click);
  connect(ui.Dec1, &QAction::triggered, this, [this] { Bin1Click(0); });
  connect(ui.Hex1, &QAction::triggered, this, [this] { Bin1Click(1); });
  connect(ui.Bin1, &QAction::triggered, this, [this] { Bin1Click(2); });
  connect(ui.Labels1, &QAction::triggered, this, &TMainForm::Labels1Click);
  connect(ui.CodeEditor1, &QAction::triggered, this, &TMainForm::CodeEditor1Click);
  connect(ui.CodeEditor2, &QAction::triggered, this, &TMainForm::CodeEditor1Click);
  connect(ui.ChangeInstruction1, &QAction::triggered, this, &TMainForm::ChangeInstruction1Click);
  connect(ui.ChangeInstruction2, &QAction::triggered, this, &TMainForm::ChangeInstruction1Click);
  connect(ui.RomInfo1, &QAction::triggered, this, &TMainForm::RomInfo1Click);
  connect(ui.FixChecksums1, &QAction::triggered, this, &TMainForm::FixChecksums1Click);
  connect(ui.RomExtender1, &QAction::triggered, this, &TMainForm::RomExtender1Click);
  connect(ui.Z80ProgrammingTutorial1, &QAction::triggered, this,
          &TMainForm::Z80ProgrammingTutorial1Click);
  connect(ui.AsmSchool1, &QAction::triggered, this, &TMainForm::AsmSchool1Click);
  connect(ui.Z80Instructionsetsummary1, &QAction::triggered, this,
          &TMainForm::Z80Instructionsetsummary1Click);
  connect(ui.About1, &QAction::triggered, this, &TMainForm::About1Click);

  connect(ui.Scroller, &QScrollBar::valueChanged, this, &TMainForm::ScrollerScroll);
  connect(ui.List, &TListingBox::KeyDown, this, &TMainForm::ListKeyDown);
  connect(ui.List, &TListingBox::Clicked, this, &TMainForm::ListClick);
  // The status panel shows the selected line's offset whatever set the selection: a click, a
  // key, a jump, a search, a load, a rebuild.
  connect(ui.List, &TListingBox::ItemIndexSet, this, &TMainForm::ShowSelectedOffset);
  connect(ui.List, &TListingBox::Resized, this, &TMainForm::FormResize);
  connect(ui.List, &QWidget::customContextMenuRequested, this, &TMainForm::ListContextPopup);
  connect(ui.List, &TListingBox::WheelNotches, this, &TMainForm::ListWheel);
  connect(ui.List, &TListingBox::CtrlClicked, this, &TMainForm::Follow1Click);
  connect(ui.List, &TListingBox::DoubleClicked, this, &TMainForm::ChangeInstruction1Click);
  SetUpAnalysis();

  text_ = new TTextCommands(
      this,
      {ui.File1, ui.ApplyPatch1, ui.Search1, ui.Again1, ui.View1, ui.ChangeInstruction1,
       ui.ChangeInstruction2},
      {[this](const QString& text) { report_->Show(text); },
       [this](FindAllResult result) { ShowFindAll(std::move(result)); },
       [this](const SearchOutcome& outcome) { ShowSearchOutcome(outcome); }});

  annotate_ = new TAnnotateCommands(
      this, undoStack_,
      {ui.Label1, ui.Comment1, ui.MarkCode1, ui.MarkData1, ui.MarkText1, ui.MarkPointers1});
  run_ = new TRunCommands(
      this, {ui.Run1, ui.ImportLog1, ui.ExportDebugSymbols1},
      {[this](const QString& text) { report_->Show(text); },
       [this](const std::optional<SymbolStep>& step) { annotate_->Push(step); },
       [this] { Retrace(); }});
  tiles_ = new TTileCommands(this, {ui.Edit1, ui.MarkText1, ui.View1, ui.Tools1},
                             [this](const std::optional<SymbolStep>& step) { annotate_->Push(step); });
  // ";" comments the listing's line, and is typed as itself anywhere else; Shift+C, D and T mark
  // from it as code, data or text the same way (plain letters are the popup menu's access keys).
  ui.List->addAction(ui.Comment1);
  for (const auto& [item, key] : {std::pair{ui.MarkCode1, Qt::Key_C},
                                  std::pair{ui.MarkData1, Qt::Key_D},
                                  std::pair{ui.MarkText1, Qt::Key_T}}) {
    item->setShortcut(QKeySequence(Qt::SHIFT | key));
    item->setShortcutContext(Qt::WidgetShortcut);
    ui.List->addAction(item);
  }

  EnableMenus(false);
  // The client area that leaves the list 313 pixels high under this menu bar.
  resize(width(), ui.Menu->sizeHint().height() + kDefaultListHeight + kStatusHeight);
  move(276, 144);

  TSplashForm::Play(this);
}

TMainForm::~TMainForm() {
  // The stack outlives the panels it reports to while the window's children are deleted, and
  // empties itself then.
  undoStack_->disconnect(this);
  // A trace thread may still read the ROM, which goes with the window's members, before the
  // children: the runner waits for it now.
  delete trace_;
  trace_ = nullptr;
}

// ---- Menus ----

void TMainForm::EnableMenus(bool enabled) {
  for (QMenu* menu : {ui.Search1, ui.View1, ui.Tools1}) SetMenuEnabled(menu, enabled);
  // Undo and Redo follow the stack.
  ui.Edit1->menuAction()->setEnabled(enabled);
  annotate_->Enable(enabled);
  tiles_->Enable(enabled);
  run_->Enable(enabled);
}

void TMainForm::SetScrollRange() {
  // The last byte can stand at the top of the listing, so that every byte can be selected.
  const int64_t top = int64_t{state_.rom.RomSize} - 1;
  ui.Scroller->setRange(0, static_cast<int>(std::max<int64_t>(top, 0)));
}

// ---- Undo ----

bool TMainForm::RunEdit(const QString& caption, const std::function<void()>& command,
                        const std::function<void(const EditStep&)>& made) {
  EditStep step;
  if (!RunCommand([&] { step = RecordEdit(state_.rom, command); }, this)) return false;
  if (made) made(step);
  PushEdit(caption, std::move(step));
  return true;
}

void TMainForm::PushEdit(const QString& caption, EditStep step) {
  state_.textRows.DropFrom(step.FirstOffset());
  if (step.OldSize != step.NewSize) SetScrollRange();
  if (!step.Empty()) {
    undoStack_->push(new TEditCommand(caption, state_.rom, std::move(step),
                                      [this](const EditStep& s) { ShowEdit(s); }));
    RomChanged();
  }
  UpdateList();
}

void TMainForm::ShowEdit(const EditStep& step) {
  state_.textRows.DropFrom(step.FirstOffset());
  if (step.OldSize != step.NewSize) SetScrollRange();
  JumpTo(static_cast<int32_t>(step.FirstOffset()));
  ShowSelectedOffset();
  RomChanged();
}

void TMainForm::RomChanged() {
  setWindowTitle("Velmora - " + Latin1(HeaderTitle(state_.rom)));
  // What the last command reported may no longer hold; a command reports after its change.
  report_->clear();
}

void TMainForm::ExportPatch1Click() {
  if (state_.rom.RomSize == 0) return;
  const QString report = ExportPatch(state_, this);
  if (!report.isEmpty()) report_->Show(report);
}

void TMainForm::ExportSource1Click() {
  ExportSourceProject(state_, this);
}

void TMainForm::ApplyPatch1Click() {
  if (state_.rom.RomSize == 0) return;
  if (auto file = AskPatchFile(this)) ApplyPatchFile(*file);
}

void TMainForm::ApplyPatchFile(const std::string& file) {
  Rom& rom = state_.rom;
  // What the patch did is told from its step, which has counted the changed bytes already.
  std::string report;
  if (RunEdit(
          "Apply Patch", [&] { ApplyPatchToRom(rom, ReadPatchFile(file)); },
          [&](const EditStep& step) { report = PatchAppliedText(step); })) {
    report_->Show(Latin1(report));
  }
}

void TMainForm::Quit1Click() {
  close();
}

void TMainForm::mousePressEvent(QMouseEvent* event) {
  QAction* item = event->button() == Qt::BackButton      ? ui.Back1
                  : event->button() == Qt::ForwardButton ? ui.Forward1
                                                         : nullptr;
  if (item == nullptr) return QMainWindow::mousePressEvent(event);
  if (item->isEnabled()) item->trigger();
}

// ---- Search, View, Tools ----

void TMainForm::Goto1Click() {
  TGotoForm form(state_, this);
  if (form.exec() == QDialog::Accepted) JumpTo(form.Target());
}

void TMainForm::ShowSearchOutcome(const SearchOutcome& outcome) {
  if (outcome.Offset) {
    JumpTo(*outcome.Offset);
  } else {
    ShowInfo(outcome.Info, this);
  }
}

void TMainForm::Bytes1Click() {
  TSearchByteForm form(state_, static_cast<uint32_t>(SelectedOffset()), this);
  if (form.exec() != QDialog::Accepted) return;
  if (form.AllMatches()) return ShowFindAll(*form.AllMatches());
  ShowSearchOutcome(form.Outcome());
  UpdateList();
}

void TMainForm::Instruction1Click() {
  TSearchInstForm form(state_, static_cast<uint32_t>(SelectedOffset()), this);
  if (form.exec() != QDialog::Accepted) return;
  if (form.AllMatches()) return ShowFindAll(*form.AllMatches());
  ShowSearchOutcome(form.Outcome());
  UpdateList();
}

void TMainForm::Again1Click() {
  RunCommand(
      [this] {
        ShowSearchOutcome(
            SearchAgain(state_.rom, state_.labels, state_.lastSearch, SelectedOffset(),
                        &state_.table));
      },
      this);
  // The listing is refilled whatever the search found.
  UpdateList();
}

void TMainForm::Labels1Click() {
  TLabelEditorForm form(state_.labels, state_.SymFileName, this,
                        [this](const std::optional<SymbolStep>& step) { annotate_->Push(step); });
  // Undo and Redo reach into the browser, and its trees follow every step.
  form.addActions({ui.Undo1, ui.Redo1});
  form.ShowClasses([this](uint32_t offset) {
    const Trace* trace = trace_->Latest();
    return trace ? ClassAndReason(*trace, offset) : std::string();
  });
  connect(undoStack_, &QUndoStack::indexChanged, &form, &TLabelEditorForm::Reload);
  form.exec();
  if (auto target = form.ShowTarget()) JumpTo(*target);
  if (auto place = form.ReferencesTarget()) ShowReferences(*place);
}

void TMainForm::ShowFindAll(FindAllResult result) {
  // Nothing found: the search's own message, and the results open before stay.
  if (result.Offsets.empty()) return ShowInfo(result.MissText, this);
  if (findAll_) findAll_->close();
  findAll_ = new TFindAllForm(state_, std::move(result), this);
  connect(findAll_, &TFindAllForm::ShowRequested, this, &TMainForm::JumpTo);
  // Every step of bytes, labels, comments or marks, its undo and redo: the search runs again.
  connect(undoStack_, &QUndoStack::indexChanged, findAll_, &TFindAllForm::SearchAgain);
  findAll_->PlaceBeside(this);
  findAll_->show();
}

void TMainForm::Follow1Click() {
  if (auto target =
          FollowTarget(state_.rom, state_.labels, static_cast<uint32_t>(SelectedOffset()))) {
    JumpTo(static_cast<int32_t>(*target));
  } else {
    QApplication::beep();
  }
}

void TMainForm::Back1Click() {
  if (auto place = history_.Back(CurrentPlace())) {
    ShowPlace(*place);
  } else {
    QApplication::beep();
  }
}

void TMainForm::Forward1Click() {
  if (auto place = history_.Forward(CurrentPlace())) {
    ShowPlace(*place);
  } else {
    QApplication::beep();
  }
}

void TMainForm::CodeEditor1Click() {
  TCodeEditorForm form(state_, static_cast<uint32_t>(SelectedOffset()), this);
  if (form.exec() != QDialog::Accepted) return;
  EditStep step = form.TakeStep();
  const QString caption = CodeEditorCaption(step);
  PushEdit(caption, std::move(step));
}

void TMainForm::ChangeInstruction1Click() {
  const auto offset = static_cast<uint32_t>(SelectedOffset());
  if (text_->ChangeText(offset)) return;  // a text line changes its text instead
  TInstForm form(state_, offset, this);
  if (form.exec() != QDialog::Accepted) return;
  PushEdit(ChangeInstructionCaption(offset), form.TakeStep());
}

void TMainForm::RomInfo1Click() {
  ShowRomInfo(state_.rom, this);
}

void TMainForm::FixChecksums1Click() {
  if (ChecksumsRight(state_.rom)) return report_->Show("Checksums were already right");
  if (RunEdit("Fix Checksums", [this] { ApplyRomChange(state_.rom, FixChecksums(state_.rom)); })) {
    report_->Show("Checksums fixed: " + Latin1(StoredChecksumsText(state_.rom)));
  }
}

void TMainForm::RomExtender1Click() {
  TRomExtenderForm form(state_.rom, this);
  if (form.exec() == QDialog::Accepted) ExtendRomBy(form.TakeChange());
}

void TMainForm::ExtendRomBy(RomChange extension) {
  // The extender sets the checksums only where they were right before.
  const bool fixed = ExtensionSetsChecksums(extension);
  if (!RunEdit("Rom Extender", [&] { ApplyRomChange(state_.rom, std::move(extension)); })) return;
  report_->Show("Extended to " + Latin1(SizeText(state_.rom.RomSize)) +
                (fixed ? "; checksums fixed: " + Latin1(StoredChecksumsText(state_.rom))
                       : QString("; the checksums stay wrong")));
}

void TMainForm::Bin1Click(int tag) {
  state_.format = static_cast<ValueFormat>(tag);
  QAction* items[] = {ui.Dec1, ui.Hex1, ui.Bin1};
  for (int i = 0; i < 3; ++i) items[i]->setChecked(i == tag);
  UpdateList();
}

// ---- Help ----

void TMainForm::Z80ProgrammingTutorial1Click() {
  QDesktopServices::openUrl(QUrl("https://www.chibiakumas.com/z80/"));
}
void TMainForm::AsmSchool1Click() {
  QDesktopServices::openUrl(QUrl("https://www.plantation-productions.com/Webster/"));
}
void TMainForm::Z80Instructionsetsummary1Click() {
  QDesktopServices::openUrl(QUrl("http://www.z80.info/z80code.txt"));
}

void TMainForm::About1Click() {
  TSplashForm::Play(this);
}
