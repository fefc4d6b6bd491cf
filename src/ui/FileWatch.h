#pragma once
// Notices when the loaded ROM file or its symbol file is changed on disk by another program (the
// user rebuilt the game). Assemblers and linkers often write a new file and rename it over the
// old one, which ends a watch on the old file, so the folders are watched too and the files are
// watched again after every change. A change is reported once the files have been quiet for a
// moment (kQuietMs without a change of size or time), so that a file written in several steps,
// with pauses between them, is read once, whole.

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <string>
#include <vector>

class TFileWatch : public QObject {
  Q_OBJECT
 public:
  static constexpr int kQuietMs = 300;

  explicit TFileWatch(QObject* parent = nullptr);

  // Watches the ROM file and the symbol files it may have (the names it may have whether or not
  // they exist, so that one that appears or goes is noticed too). The files as they are now
  // count as unchanged.
  void Watch(const QString& romFile, const std::vector<std::string>& symFiles);
  // The ROM file as it is now counts as unchanged (after the program wrote it itself).
  void TakeRomAsUnchanged();
  // These symbol files as they are now count as unchanged (after the program saved them); the
  // others keep a change they may have had meanwhile.
  void TakeSymsAsUnchanged(const std::vector<std::string>& written);

 signals:
  // The ROM file was written, or replaced; not sent while it is missing or empty (a build
  // that is writing it anew).
  void RomChanged();
  // A symbol file was written, replaced, created or removed.
  void SymChanged();

 private:
  // What tells one version of a file from the next: a rename brings another inode, a write
  // another change time.
  struct Stamp {
    bool exists = false;
    unsigned long long inode = 0, size = 0;
    long long changeSec = 0, changeNsec = 0, modifySec = 0, modifyNsec = 0;
    bool operator==(const Stamp&) const = default;
  };
  static Stamp StampOf(const QString& file);
  std::vector<Stamp> StampsNow() const;
  void Rewatch();
  // A change was seen: poll until the files have been quiet long enough.
  void Seen();
  void Poll();
  void Check();

  QFileSystemWatcher watcher_;
  QTimer poll_;
  std::vector<Stamp> polled_;  // at the last poll
  int quietPolls_ = 0;
  QString rom_;
  QStringList syms_;
  Stamp romStamp_;
  std::vector<Stamp> symStamps_;
  bool reporting_ = false;
  int generation_ = 0;  // counts the calls of Watch
};
