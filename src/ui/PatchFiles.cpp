#include "ui/PatchFiles.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

#include "model/FileWrite.h"
#include "patch/Patch.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/FileDialogs.h"
#include "ui/Latin1.h"

namespace {

const char* const kBpsFilter = "BPS patches [*.bps] (*.bps)";
const char* const kIpsFilter = "IPS patches [*.ips] (*.ips)";

// The chosen file, or "" on cancel. Qt's own dialog, as for ROMs; a new one each time.
QString AskName(QWidget* parent, QFileDialog::AcceptMode mode, const QString& caption) {
  QFileDialog dialog(parent, caption);
  dialog.setObjectName(mode == QFileDialog::AcceptSave ? "ExportPatchDlg" : "ApplyPatchDlg");
  dialog.setAcceptMode(mode);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (mode == QFileDialog::AcceptSave) {
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({kBpsFilter, kIpsFilter});
    // A name typed without an extension gets the one of the format shown.
    dialog.setDefaultSuffix("bps");
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
      dialog.setDefaultSuffix(f == kIpsFilter ? "ips" : "bps");
    });
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({"Patches [*.ips; *.bps] (*.ips *.bps)", "All Files [*.*] (*)"});
  }
  KeepCompletionInDialog(&dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

std::string FileNameBytes(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

}  // namespace

QString ExportPatch(const AppState& state, QWidget* parent) {
  const std::span<const uint8_t> now = RomBytes(state.rom);
  if (std::equal(now.begin(), now.end(), state.LoadedRom.begin(), state.LoadedRom.end())) {
    return "No changes since the ROM was loaded: no patch written";
  }
  const QString name = AskName(parent, QFileDialog::AcceptSave, "Export Patch");
  if (name.isEmpty()) return {};
  if (QFileInfo::exists(name) &&
      !AskYesNo(FileNameBytes(QFileInfo(name).fileName()) + " exists already. Replace it?",
                parent)) {
    return {};
  }
  QString report;
  RunCommand(
      [&] {
        const std::string file = FileNameBytes(name);
        const PatchFormat format = PatchFormatOfName(file);
        size_t records = 0;
        const std::vector<uint8_t> patch =
            MakePatch(format, state.LoadedRom, now, &records);
        SaveFileSafely(file, patch.data(), patch.size());
        report = Latin1(PatchWrittenText(records, patch.size()));
      },
      parent);
  return report;
}

std::optional<std::string> AskPatchFile(QWidget* parent) {
  const QString name = AskName(parent, QFileDialog::AcceptOpen, "Apply Patch");
  if (name.isEmpty()) return std::nullopt;
  return FileNameBytes(name);
}
