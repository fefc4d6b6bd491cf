#include "ui/TextCommands.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>

#include "model/BankAddress.h"
#include "model/FileRead.h"
#include "model/TextChange.h"
#include "search/TextSearch.h"
#include "ui/AppState.h"
#include "ui/ChangeText.h"
#include "ui/CommandHost.h"
#include "ui/CoolMsg.h"
#include "ui/TextPane.h"
#include "ui/TextSearch.h"
#include "workspace/Workspace.h"

namespace {

QString FromBytes(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TTextCommands::TTextCommands(TCommandHost* host, const Menus& menus, Hooks hooks)
    : QObject(host->Window()),
      main_(host),
      hooks_(std::move(hooks)),
      changeInstruction_{menus.ChangeInstruction1, menus.ChangeInstruction2} {
  setObjectName("TextCommands");
  QMainWindow* main = host->Window();
  LoadTable1 = new QAction("Load &Table...", main);
  LoadTable1->setObjectName("LoadTable1");
  menus.File->insertAction(menus.FileBefore, LoadTable1);
  connect(LoadTable1, &QAction::triggered, this, &TTextCommands::LoadTable1Click);

  Text1 = new QAction("&Text...", main);
  Text1->setObjectName("Text1");
  Text1->setShortcut(QKeySequence("Ctrl+T"));
  menus.Search->insertAction(menus.SearchBefore, Text1);
  connect(Text1, &QAction::triggered, this, &TTextCommands::Text1Click);

  pane_ = new TTextPane(host->State(), main);
  main->addDockWidget(Qt::RightDockWidgetArea, pane_);
  pane_->hide();
  TextView1 = pane_->toggleViewAction();
  TextView1->setObjectName("TextView1");
  TextView1->setText("&Text");
  TextView1->setShortcut(QKeySequence("Ctrl+Shift+T"));
  menus.View->addAction(TextView1);
  connect(pane_, &TTextPane::RowClicked, this,
          [this](uint32_t offset) { main_->JumpTo(static_cast<int32_t>(offset)); });
  connect(pane_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) pane_->ShowRegion(static_cast<uint32_t>(main_->SelectedOffset()));
  });
}

void TTextCommands::RomLoaded(const WorkspaceLoad& load) {
  // Another ROM, and maybe another table: the pane decodes anew.
  pane_->Invalidate();
  const WorkspaceFile* file = load.Find(WorkspacePart::Table);
  if (file != nullptr && file->Outcome == FileOutcome::Failed) {
    RunCommand([&] { file->Rethrow(); }, main_->Window());
  } else if (file != nullptr && file->Outcome == FileOutcome::Read) {
    TableRead(load.TableSkipped);
  }
  SelectionChanged(static_cast<uint32_t>(main_->SelectedOffset()));
}

bool TTextCommands::LoadTableNamed(const QString& fileName) {
  AppState& state = main_->State();
  const std::string name = QFile::encodeName(fileName).toStdString();
  TableSkips skips;
  TextTable table;
  if (!RunCommand([&] { table = LoadTableFile(name, skips); }, main_->Window())) return false;
  state.table = std::move(table);
  state.textRows.Drop();
  pane_->Invalidate();
  state.TableFileName = name;
  state.TableBeside = false;
  TableRead(skips);
  return true;
}

void TTextCommands::TableRead(const TableSkips& skips) {
  const AppState& state = main_->State();
  const std::string& name = state.TableFileName;
  const std::string skipped = TableSkipsText(skips, BaseName(name));
  hooks_.Report(skipped.empty() ? "Table " + FromBytes(BaseName(name)) + ": " +
                                      QString::number(state.table.Entries().size()) + " entries"
                                : FromBytes(skipped));
  SelectionChanged(static_cast<uint32_t>(main_->SelectedOffset()));
  main_->UpdateList();
}

void TTextCommands::SelectionChanged(uint32_t offset) {
  pane_->ShowRegion(offset);
  const bool text = IsTextLine(offset);
  changeInstruction_[0]->setText(text ? "&Change Text..." : "&Change Instruction...");
  changeInstruction_[1]->setText(text ? "Change &Text..." : "Change &Instruction...");
}

bool TTextCommands::IsTextLine(uint32_t offset) const {
  const AppState& state = main_->State();
  const MarkBlock* block = state.marks.BlockAt(offset);
  return block != nullptr && block->Kind == MarkKind::Text && !state.table.Empty();
}

bool TTextCommands::ChangeText(uint32_t offset) {
  if (!IsTextLine(offset)) return false;
  AppState& state = main_->State();
  const GameString old =
      StringAt(state.rom, state.table, offset, state.marks.BlockAt(offset)->End());
  TChangeTextForm form(state, old, main_->Window());
  if (form.exec() != QDialog::Accepted) return true;
  const QString where = QString::fromStdString(OffsetToBankAddress(offset));
  main_->RunEdit("Change Text at " + where, [&] { ApplyStringChange(state.rom, form.Change()); });
  return true;
}

void TTextCommands::LoadTable1Click() {
  QFileDialog dialog(main_->Window(), "Load Table");
  dialog.setObjectName("TableDlg");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(
      {"Table files (*.tbl)", "Charmaps (*.inc *.asm *.charmap)", "All Files (*)"});
  const std::string& rom = main_->State().rom.RomFileName;
  if (!rom.empty()) dialog.setDirectory(QFileInfo(QFile::decodeName(rom.c_str())).absolutePath());
  if (dialog.exec() != QDialog::Accepted) return;
  LoadTableNamed(dialog.selectedFiles().value(0));
}

void TTextCommands::Text1Click() {
  AppState& state = main_->State();
  // Without a table there is nothing to encode with: say so before the dialog.
  if (!RunCommand([&] { TableToSearch(&state.table); }, main_->Window())) return;
  TSearchTextForm form(state, static_cast<uint32_t>(main_->SelectedOffset()), main_->Window());
  if (form.exec() != QDialog::Accepted) return;
  if (form.AllMatches()) return hooks_.ShowFindAll(*form.AllMatches());
  hooks_.ShowSearchOutcome(form.Outcome());
  main_->UpdateList();
}
