#include "ui/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must stand outside any namespace; one line per .qrc file in resources/.
void InitResources() {
  Q_INIT_RESOURCE(velmora);
}
