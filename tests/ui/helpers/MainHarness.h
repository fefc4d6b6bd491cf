#pragma once
// A main window of its own for one test: its state, a temporary folder that serves as the
// program's folder (where symbol files are looked for) and holds the settings, and the steps a
// user takes.

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

#include "FileDialogAnswer.h"
#include "ModalAnswer.h"
#include "TestRoms.h"
#include "ui/AppState.h"
#include "ui/ListingBox.h"
#include "ui/Main.h"
#include "ui/Scroller.h"

struct MainHarness {
  QTemporaryDir dir;
  AppState state;
  std::unique_ptr<TMainForm> form;

  // Creates and shows the window.
  MainHarness();

  // Makes the window the active one again, as after a dialog has closed, so that its shortcuts
  // work.
  void Activate();

  QString Folder() const { return dir.path(); }
  QAction* Action(const char* name) const;
  TListingBox* List() const;
  TScroller* Scroller() const;
  QString Panel0() const;
  bool MenuEnabled(const char* name) const;
  // The listed lines' texts.
  QStringList Lines() const;

  // Load Rom through the open dialog; false when no dialog came.
  bool Load(const QString& fileName);
  // Writes a ROM into the folder and loads it.
  bool LoadNew(const QString& name, const QByteArray& bytes);
};
