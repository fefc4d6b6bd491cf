// Velmora: a ROM editor for the GameBoy and GameBoy Color.

#include "ui/Main.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "model/Rom.h"
#include "ui/AppState.h"
#include "ui/CommandLine.h"
#include "ui/Resources.h"

namespace {

int Print(const StartRequest& start) {
  const QByteArray text = start.output.toLocal8Bit();
  std::fwrite(text.data(), 1, static_cast<size_t>(text.size()), start.exitCode ? stderr : stdout);
  return start.exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
  AppState state;
  // The symbol files are looked for next to the program itself.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  state.ProgramFolder = ProgramFolderOf(error ? std::string(argv[0]) : self.string());

  QApplication::setApplicationName("Velmora");
  QApplication::setApplicationVersion(VELMORA_VERSION);
  // --help, --version and bad usage are answered before the window system is opened, so that
  // they work in a terminal without a display. The toolkit's own options (-platform, -style,
  // ...) are left to the application object.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
  const StartRequest start = ReadCommandLine(WithoutToolkitOptions(arguments));
  if (start.exit) return Print(start);

  QApplication app(argc, argv);
  InitVelmoraResources();
  QApplication::setDesktopFileName("org.velmora.Velmora");
  QApplication::setWindowIcon(QIcon(":/velmora/velmora.png"));

  TMainForm form(state);  // plays the splash
  form.show();
  if (!start.romFileName.isEmpty()) {
    QTimer::singleShot(0, &form, [&] { form.LoadRomNamed(start.romFileName); });
  }
  return QApplication::exec();
}
