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
// --help, --version and bad usage (exit code 2) are answered without a display; the
// application's name and version are read from QCoreApplication's static settings. The
// toolkit's own options (-platform, -style) are unknown here: take them out first.
StartRequest ReadCommandLine(const QStringList& arguments);

// The arguments without the options that the application object reads for itself (-platform
// NAME, --style NAME, -reverse, X11's -display NAME, ...), as it takes them out.
QStringList WithoutToolkitOptions(const QStringList& arguments);
