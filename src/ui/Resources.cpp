#include "ui/Resources.h"

#include <QString>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterVelmoraResources() {
  Q_INIT_RESOURCE(velmora);
}

void InitVelmoraResources() {
  static const bool registered = (RegisterVelmoraResources(), true);
  (void)registered;
}

QImage LoadPicture(Picture picture) {
  InitVelmoraResources();
  const char* name = "LOGO";
  switch (picture) {
    case Picture::Logo:
      name = "LOGO";
      break;
    case Picture::Info:
      name = "INFO";
      break;
    case Picture::Err:
      name = "ERR";
      break;
    case Picture::Warn:
      name = "WARN";
      break;
  }
  return QImage(QStringLiteral(":/velmora/%1.bmp").arg(QLatin1String(name)));
}
