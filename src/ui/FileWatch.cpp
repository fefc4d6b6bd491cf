#include "ui/FileWatch.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {
// The files are looked at this often while a change settles.
constexpr int kPollMs = 50;
constexpr int kQuietPolls = TFileWatch::kQuietMs / kPollMs;
}  // namespace

TFileWatch::TFileWatch(QObject* parent) : QObject(parent) {
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, &TFileWatch::Poll);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &TFileWatch::Seen);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &TFileWatch::Seen);
}

std::vector<TFileWatch::Stamp> TFileWatch::StampsNow() const {
  std::vector<Stamp> stamps{StampOf(rom_)};
  for (const QString& sym : syms_) stamps.push_back(StampOf(sym));
  return stamps;
}

void TFileWatch::Seen() {
  // Another event while polling starts the quiet period again only if it changed something,
  // which the next poll finds.
  if (poll_.isActive()) return;
  polled_ = StampsNow();
  quietPolls_ = 0;
  poll_.start();
}

void TFileWatch::Poll() {
  const std::vector<Stamp> now = StampsNow();
  if (now != polled_) {
    polled_ = now;
    quietPolls_ = 0;
    return;
  }
  if (++quietPolls_ < kQuietPolls) return;
  // Not while a question of ours or any other modal window is open: a reload under an open
  // dialog would change the ROM that the dialog works on.
  if (reporting_ || QApplication::activeModalWidget()) return;
  poll_.stop();
  Check();
}

TFileWatch::Stamp TFileWatch::StampOf(const QString& file) {
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) != 0) return {};
  return {true,
          static_cast<unsigned long long>(st.st_ino),
          static_cast<unsigned long long>(st.st_size),
          st.st_ctim.tv_sec,
          st.st_ctim.tv_nsec,
          st.st_mtim.tv_sec,
          st.st_mtim.tv_nsec};
}

void TFileWatch::Watch(const QString& romFile, const std::vector<std::string>& symFiles) {
  ++generation_;
  rom_ = romFile;
  syms_.clear();
  for (const std::string& sym : symFiles) syms_ << QFile::decodeName(sym.c_str());
  romStamp_ = StampOf(rom_);
  symStamps_.clear();
  for (const QString& sym : syms_) symStamps_.push_back(StampOf(sym));
  Rewatch();
}

void TFileWatch::TakeRomAsUnchanged() {
  romStamp_ = StampOf(rom_);
}

void TFileWatch::TakeSymsAsUnchanged(const std::vector<std::string>& written) {
  for (const std::string& name : written) {
    const int i = syms_.indexOf(QFile::decodeName(name.c_str()));
    if (i >= 0) symStamps_[static_cast<size_t>(i)] = StampOf(syms_[i]);
  }
}

void TFileWatch::Rewatch() {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  QStringList files = syms_;
  files << rom_;
  QStringList paths;
  for (const QString& file : files) {
    if (file.isEmpty()) continue;
    const QFileInfo info(file);
    paths << info.absolutePath();
    if (info.exists()) paths << info.absoluteFilePath();
  }
  paths.removeDuplicates();
  if (!paths.isEmpty()) watcher_.addPaths(paths);
}

void TFileWatch::Check() {
  Rewatch();
  bool symChanged = false;
  for (size_t i = 0; i < symStamps_.size(); ++i) {
    const Stamp now = StampOf(syms_[static_cast<int>(i)]);
    symChanged |= !(now == symStamps_[i]);
    symStamps_[i] = now;
  }
  const Stamp rom = StampOf(rom_);
  // A ROM that is gone or empty for now is most likely being rebuilt: wait for the new one.
  const bool romChanged = rom.exists && rom.size != 0 && !(rom == romStamp_);
  romStamp_ = rom;

  reporting_ = true;
  const int generation = generation_;
  if (romChanged) emit RomChanged();
  // A reload of the ROM has read its symbol file again and started a new watch.
  if (symChanged && generation == generation_) emit SymChanged();
  reporting_ = false;
}
