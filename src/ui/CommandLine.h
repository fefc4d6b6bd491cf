#pragma once
// The program's command line: `velmora [ROM]`, --help and --version.

#include <QString>
#include <QStringList>

struct StartRequest {
  // When set, the program prints `output` (to the error stream when exitCode is not 0) and ends
  // with exitCode instead of opening its window.
  bool exit = false;
  int exitCode = 0;
  QString output;
  // The ROM to load once the window is up, as an absolute file name; empty for none.
  QString romFileName;
};

// Reads the arguments, the program's own name first. Needs no application object, so that
// --help and --version work without a display; the application's name and version are read
// from QCoreApplication's static settings. The toolkit's own options (-platform, -style) are
// unknown here: read the arguments again once the application object has taken them out.
StartRequest ReadCommandLine(const QStringList& arguments);
