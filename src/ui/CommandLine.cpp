#include "ui/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

StartRequest ReadCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription("Browse, patch and save GameBoy and GameBoy Color ROM files.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument("rom", "The ROM file to load at start.", "[ROM]");

  // Without an application object the parser cannot name the program itself.
  const QString helpText = parser.helpText().replace(
      "<executable_name>", QFileInfo(arguments.value(0, "velmora")).fileName());
  StartRequest request;
  if (!parser.parse(arguments)) {
    request = {true, 1, parser.errorText() + "\n\n" + helpText, {}};
  } else if (parser.isSet(help)) {
    request = {true, 0, helpText, {}};
  } else if (parser.isSet(version)) {
    request = {true, 0,
               QCoreApplication::applicationName() + " " +
                   QCoreApplication::applicationVersion() + "\n",
               {}};
  } else if (parser.positionalArguments().size() > 1) {
    request = {true, 1, "Give one ROM file at most.\n\n" + helpText, {}};
  } else if (!parser.positionalArguments().isEmpty()) {
    // Made absolute here, while the working folder is the one the name was typed in.
    request.romFileName = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
  }
  return request;
}
