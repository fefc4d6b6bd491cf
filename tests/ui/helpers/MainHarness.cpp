#include "MainHarness.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

MainHarness::MainHarness() {
  // The settings (the recent ROMs) live in the temporary folder, not in the user's own.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  state.ProgramFolder = dir.path().toStdString() + "/";
  form = std::make_unique<TMainForm>(state);
  form->show();
  Activate();
}

void MainHarness::Activate() {
  // The window's own activation is asked for again until the widgets see it: an activation that
  // a dialog asked for while it was shown may still be on its way and arrive after ours.
  const bool active = QTest::qWaitFor([this] {
    if (QApplication::activeWindow() == form.get()) return true;
    form->activateWindow();
    return false;
  });
  if (!active) qWarning("main window not active");
}

QAction* MainHarness::Action(const char* name) const {
  return form->findChild<QAction*>(name);
}
TListingBox* MainHarness::List() const {
  return form->findChild<TListingBox*>("List");
}
TScroller* MainHarness::Scroller() const {
  return form->findChild<TScroller*>("Scroller");
}
QString MainHarness::Panel0() const {
  return form->findChild<QLabel*>("Panel0")->text();
}

bool MainHarness::MenuEnabled(const char* name) const {
  return form->findChild<QMenu*>(name)->menuAction()->isEnabled();
}

QStringList MainHarness::Lines() const {
  QStringList lines;
  for (const ListingLine& line : form->CurrentListing().Lines) {
    lines << QString::fromLatin1(line.Text.data(), static_cast<qsizetype>(line.Text.size()));
  }
  return lines;
}

bool MainHarness::Load(const QString& fileName) {
  auto answer = AnswerNextFileDialog(fileName);
  Action("LoadRom1")->trigger();
  Activate();
  return answer->seen;
}

bool MainHarness::LoadNew(const QString& name, const QByteArray& bytes) {
  return Load(WriteFile(Folder(), name, bytes));
}
