#pragma once
// File > Recent ROMs: the last eight ROM files loaded, newest first, kept in the user's settings
// so that they outlive the run.

#include <QObject>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;

class TRecentRoms : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxFiles = 8;

  // Puts the submenu "Recent &ROMs" (named "RecentRoms1") into fileMenu before `before`; picking
  // an item calls open with its file name.
  TRecentRoms(QMenu* fileMenu, QAction* before, std::function<void(const QString&)> open);

  // After a successful load: the file goes to the top (once), the oldest beyond eight drop out.
  void Add(const QString& fileName);
  // A file that is gone leaves the list.
  void Remove(const QString& fileName);
  QStringList Files() const;

 private:
  void FillMenu();

  QMenu* menu_;
  QStringList files_;  // as kept in the settings, read when the window is made
  std::function<void(const QString&)> open_;
};
