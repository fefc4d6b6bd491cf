#include "ui/CoolMsg.h"

#include <QMessageBox>
#include <QString>

#include "model/Failure.h"

// Placeholder look; the boxes of the program's own design replace these.
namespace {
QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

void ShowInfo(const std::string& text, QWidget* parent) {
  QMessageBox::information(parent, "Info", Latin1(text));
}
void ShowError(const std::string& text, QWidget* parent) {
  QMessageBox::critical(parent, "Error", Latin1(text));
}
void ShowWarning(const std::string& text, QWidget* parent) {
  QMessageBox::warning(parent, "Warning", Latin1(text));
}
void ShowDefaultError(const std::string& text, QWidget* parent) {
  QMessageBox::critical(parent, "Velmora", Latin1(DefaultErrorBoxText(text)));
}
SaveAnswer AskSaveChanges(const std::string& fileName, QWidget* parent) {
  auto b = QMessageBox::question(parent, "Velmora", "Save changes to " + Latin1(fileName) + "?",
                                 QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  return b == QMessageBox::Save ? SaveAnswer::Save
         : b == QMessageBox::Discard ? SaveAnswer::DontSave
                                     : SaveAnswer::Cancel;
}

bool RunCommand(const std::function<void()>& command, QWidget* parent) {
  try {
    command();
    return true;
  } catch (const Failure& f) {
    switch (f.kind) {
      case FailureKind::Info: ShowInfo(f.text, parent); break;
      case FailureKind::Warning: ShowWarning(f.text, parent); break;
      case FailureKind::Error: ShowError(f.text, parent); break;
    }
  } catch (const RunTimeError& e) {
    ShowDefaultError(e.what(), parent);
  }
  return false;
}
