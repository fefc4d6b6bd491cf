// Velmora: a ROM editor for the GameBoy and GameBoy Color.

#include "ui/Main.h"

#include <QApplication>
#include <QIcon>
#include <filesystem>
#include <system_error>

#include "model/Rom.h"
#include "ui/AppState.h"
#include "ui/Resources.h"

int main(int argc, char* argv[]) {
  AppState state;
  // The symbol files are looked for next to the program itself.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  state.ProgramFolder = ProgramFolderOf(error ? std::string(argv[0]) : self.string());

  QApplication app(argc, argv);
  InitVelmoraResources();
  QApplication::setApplicationName("Velmora");
  QApplication::setDesktopFileName("org.velmora.Velmora");
  QApplication::setWindowIcon(QIcon(":/velmora/velmora.png"));

  TMainForm form(state);
  form.show();
  return QApplication::exec();
}
