#include "ui/ExportSource.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>

#include "export/ExportFolder.h"
#include "export/SourceExport.h"
#include "model/FileRead.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/FileDialogs.h"

namespace {

// Thrown from the progress callback when the user cancels; nothing has been written then.
struct ExportCancelled {};

// A folder dialog that also takes the name of a folder that is not there yet: the export makes
// it, as velmora-cli does.
class FolderDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  QString typed;

  void accept() override {
    auto* edit = findChild<QLineEdit*>("fileNameEdit");
    const QString text = edit != nullptr ? edit->text().trimmed() : QString();
    if (!text.isEmpty()) {
      const QString path = QDir(directory()).absoluteFilePath(text);
      if (!QFileInfo::exists(path)) {
        typed = path;
        done(QDialog::Accepted);
        return;
      }
    }
    QFileDialog::accept();
  }
};

QString AskFolder(const AppState& state, QWidget* parent) {
  FolderDialog dialog(parent, "Export Source");
  dialog.setObjectName("ExportSourceDlg");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setLabelText(QFileDialog::Accept, "Export");
  dialog.setDirectory(QFileInfo(QFile::decodeName(state.rom.RomFileName.c_str())).absolutePath());
  KeepCompletionInDialog(&dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.typed.isEmpty() ? dialog.selectedFiles().value(0) : dialog.typed;
}

}  // namespace

void ExportSourceProject(const AppState& state, QWidget* parent) {
  if (state.rom.RomSize == 0) return;
  const QString folderName = AskFolder(state, parent);
  if (folderName.isEmpty()) return;
  const std::string folder = QFile::encodeName(folderName).toStdString();

  QProgressDialog progress("Exporting the source...", "Cancel", 0, 1, parent);
  progress.setObjectName("ExportProgress");
  progress.setWindowTitle("Export Source");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);  // shown only when it takes a while
  ExportedSource source;
  bool cancelled = false;
  const bool made = RunCommand(
      [&] {
        try {
          const ExportCode code = ExportCodeOf(TraceRom(state.rom, state.labels, state.marks, &state.log));
          source = ExportSource(
              {state.rom, state.labels, state.marks, state.comments, code,
               BaseName(state.rom.RomFileName), &state.table},
              [&](uint32_t done, uint32_t total) {
                progress.setMaximum(static_cast<int>(total));
                progress.setValue(static_cast<int>(done));
                if (progress.wasCanceled()) throw ExportCancelled();
              });
        } catch (const ExportCancelled&) {
          cancelled = true;
        }
      },
      parent);
  progress.reset();
  if (!made || cancelled) return;

  bool replace = false;
  // Only an earlier export is worth the question; anything else in the way is refused below.
  if (QFile::exists(folderName + "/" + kExportManifest)) {
    replace = AskYesNo("'" + folder + "' already holds an exported source. Replace its files?",
                       parent);
    if (!replace) return;
  }
  // The ROM and its symbol files never go into the project folder, where make would write.
  std::vector<std::string> keep = {state.rom.RomFileName};
  for (const SymbolFile& file : state.symbolFiles) keep.push_back(file.Name);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool written =
      RunCommand([&] { WriteExportFolder(folder, source.Files, replace, keep); }, parent);
  QApplication::restoreOverrideCursor();
  if (!written) return;
  ShowInfo("Exported " + std::to_string(source.Files.size()) + " files to '" + folder + "': " +
               ExportSummaryText(source.Summary, state.rom.RomSize) +
               ". Build it there with make (RGBDS: rgbasm and rgblink).",
           parent);
}
