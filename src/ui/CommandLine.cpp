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
  // Bad usage ends with 2, as it does for velmora-cli.
  constexpr int kBadUsage = 2;
  StartRequest request;
  if (!parser.parse(arguments)) {
    request = {true, kBadUsage, parser.errorText() + "\n\n" + helpText, {}};
  } else if (parser.isSet(help)) {
    request = {true, 0, helpText, {}};
  } else if (parser.isSet(version)) {
    request = {true, 0,
               QCoreApplication::applicationName() + " " +
                   QCoreApplication::applicationVersion() + "\n",
               {}};
  } else if (parser.positionalArguments().size() > 1) {
    request = {true, kBadUsage, "Give one ROM file at most.\n\n" + helpText, {}};
  } else if (parser.positionalArguments().value(0, "-").isEmpty()) {  // `velmora ""`
    request = {true, kBadUsage, "The ROM file name is empty.\n\n" + helpText, {}};
  } else if (!parser.positionalArguments().isEmpty()) {
    // Made absolute here, while the working folder is the one the name was typed in.
    request.romFileName = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
  }
  return request;
}

QStringList WithoutToolkitOptions(const QStringList& arguments) {
  // With one dash or two; X11's options are read by the xcb platform alone.
  static const QStringList withValue =
      QString("platform platformpluginpath platformtheme plugin qmljsdebugger qwindowgeometry "
              "qwindowicon qwindowtitle session style stylesheet display geometry title name "
              "visual")
          .split(' ');
  static const QStringList flags{"reverse", "widgetcount", "testability", "nograb", "dograb"};
  static const QStringList withEquals{"style", "stylesheet", "qmljsdebugger"};
  QStringList kept;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (i > 0 && arg.startsWith('-') && arg != "-" && arg != "--") {
      const QString name = arg.mid(arg.startsWith("--") ? 2 : 1);
      if (flags.contains(name)) continue;
      // A value option as the last argument has no value to take and stays.
      if (withValue.contains(name) && i + 1 < arguments.size()) {
        ++i;
        continue;
      }
      if (withEquals.contains(name.section('=', 0, 0)) && name.contains('=')) continue;
    }
    kept << arg;
  }
  return kept;
}
