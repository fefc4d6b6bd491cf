#include "export/ExportFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "model/Failure.h"

namespace fs = std::filesystem;

namespace {

// What the Makefile writes and `make clean` removes.
constexpr char kBuildFolder[] = "build";

void WriteNewFile(const std::string& name, const std::string& text) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) ThrowFileError(errno);
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      ThrowFileError(error);
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) ThrowFileError(errno);
}

// ".src.export-": the start of the names of the staging folders beside the folder "src".
std::string StagingPrefix(const fs::path& folder) {
  return "." + folder.filename().string() + ".export-";
}

// A new, empty folder beside `folder`, named after it and this process, with the permissions a
// plain mkdir would give it.
std::string MakeStagingFolder(const fs::path& folder) {
  const fs::path parent = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
  std::string name =
      (parent / (StagingPrefix(folder) + std::to_string(::getpid()) + "-XXXXXX")).string();
  if (::mkdtemp(name.data()) == nullptr) ThrowFileError(errno);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(name.c_str(), 0777 & ~mask);
  return name;
}

// Removes the staging folders that exports killed on the way left beside `folder` (those of
// processes that are gone). One killed between moving the old export aside and the new one in
// ("....old") is put back first when the folder is missing.
void RemoveStaleStaging(const fs::path& folder) {
  const fs::path parent = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
  const std::string prefix = StagingPrefix(folder);
  std::error_code error;
  std::vector<fs::path> stale;
  for (const fs::directory_entry& entry : fs::directory_iterator(parent, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)) continue;
    stale.push_back(entry.path());
  }
  for (const fs::path& path : stale) {
    if (path.extension() == ".old" && !fs::exists(fs::symlink_status(folder, error))) {
      fs::rename(path, folder, error);
      if (!error) continue;
    }
    fs::remove_all(path, error);
  }
}

// Writes every byte of the staged files to the disk at once: one sync for the whole set is far
// quicker than one per file, and it comes before anything is renamed into place.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(errno);
  const int result = ::syncfs(fd);
  const int error = errno;
  ::close(fd);
  if (result != 0) ThrowFileError(error);
}

std::set<std::string> ReadManifest(const fs::path& folder) {
  std::set<std::string> names;
  std::ifstream in(folder / kExportManifest);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    names.insert(line);
    names.insert(line.substr(0, line.find('/')));  // gfx/a.png: the folder gfx is the export's too
  }
  return names;
}

std::string ManifestText(const std::vector<ExportFile>& files) {
  std::string text = "# The files Velmora's source export wrote here, and build/ which make writes.\n";
  for (const ExportFile& f : files) text += f.Name + "\n";
  return text;
}

// The path of `inner` below `outer` ("roms/game.gb"), or "" when it is not inside.
std::string PathInside(const fs::path& outer, const fs::path& inner) {
  std::error_code error;
  const fs::path a = fs::weakly_canonical(fs::absolute(outer, error), error);
  const fs::path b = fs::weakly_canonical(fs::absolute(inner, error), error);
  auto ai = a.begin();
  auto bi = b.begin();
  for (; ai != a.end() && !ai->empty(); ++ai, ++bi) {
    if (bi == b.end() || *ai != *bi) return "";
  }
  return bi == b.end() ? "" : fs::path(b.lexically_relative(a)).string();
}

// Swaps two folders in one step where the file system can; else moves the old one aside and
// the new one in. Afterwards `staging` holds the old folder.
void SwapFolders(std::string& staging, const fs::path& target) {
  if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
    return;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) ThrowFileError(errno);
  const std::string aside = staging + ".old";
  if (::rename(target.c_str(), aside.c_str()) != 0) ThrowFileError(errno);
  if (::rename(staging.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::rename(aside.c_str(), target.c_str());
    ThrowFileError(error);
  }
  staging = aside;
}

}  // namespace

std::vector<std::string> ExistingExportFiles(const std::string& folder,
                                             const std::vector<ExportFile>& files) {
  std::vector<std::string> found;
  std::error_code error;
  for (const ExportFile& file : files) {
    if (fs::exists(fs::symlink_status(fs::path(folder) / file.Name, error))) {
      found.push_back(file.Name);
    }
  }
  return found;
}

void WriteExportFolder(const std::string& folder, const std::vector<ExportFile>& files,
                       bool replace, const std::vector<std::string>& keep,
                       const std::function<void(size_t done, size_t total)>& progress) {
  if (folder.empty()) throw ErrorFailure("No folder given for the exported source.");
  fs::path target(folder);
  if (target.filename().empty()) target = target.parent_path();  // "out/" names "out"
  RemoveStaleStaging(target);
  for (const std::string& file : keep) {
    const std::string inside = file.empty() ? "" : PathInside(target, file);
    if (!inside.empty()) {
      throw ErrorFailure("'" + folder + "' holds " + inside + "; choose an empty folder.");
    }
  }
  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  const bool exists = fs::exists(status);
  enum class Mode { Whole, Swap, OneByOne } mode = Mode::Whole;
  if (exists) {
    if (!fs::is_directory(status)) throw ErrorFailure("'" + folder + "' is not a folder.");
    const std::set<std::string> old = ReadManifest(target);
    std::set<std::string> written = {kExportManifest, kBuildFolder};
    for (const ExportFile& f : files) written.insert(f.Name.substr(0, f.Name.find('/')));
    std::vector<std::string> ours, others;
    for (const fs::directory_entry& entry : fs::directory_iterator(target, error)) {
      const std::string name = entry.path().filename().string();
      if (!old.empty() && (old.count(name) != 0 || written.count(name) != 0)) {
        ours.push_back(name);
      } else if (written.count(name) != 0) {
        throw ErrorFailure("'" + folder + "' holds " + name +
                           ", which no export wrote; choose an empty folder.");
      } else {
        others.push_back(name);
      }
    }
    std::sort(ours.begin(), ours.end());
    std::sort(others.begin(), others.end());
    if (!ours.empty()) {
      if (!replace) {
        const std::vector<std::string> same = ExistingExportFiles(folder, files);
        throw ErrorFailure("'" + folder + "' already holds an exported source (" +
                           (same.empty() ? ours.front() : same.front()) +
                           "); choose another folder or replace it.");
      }
      if (!others.empty()) {
        throw ErrorFailure("'" + folder + "' holds " + others.front() +
                           ", which the export did not write; move it away or choose an "
                           "empty folder.");
      }
      mode = Mode::Swap;
    } else if (!others.empty()) {
      mode = Mode::OneByOne;
    }
  } else if (target.has_parent_path()) {
    fs::create_directories(target.parent_path(), error);
    if (error) ThrowFileError(error.value());
  }
  std::string staging = MakeStagingFolder(target);
  try {
    for (size_t i = 0; i < files.size(); ++i) {
      // Pictures go into a folder of the project (gfx/).
      const fs::path file = fs::path(staging) / files[i].Name;
      if (file.parent_path() != fs::path(staging)) fs::create_directories(file.parent_path());
      WriteNewFile(file.string(), files[i].Text);
      if (progress) progress(i + 1, files.size());
    }
    WriteNewFile((fs::path(staging) / kExportManifest).string(), ManifestText(files));
    SyncFolder(staging);
    switch (mode) {
      case Mode::Whole:  // a new folder, or an empty one that a rename replaces
        if (::rename(staging.c_str(), target.c_str()) != 0) ThrowFileError(errno);
        return;
      case Mode::Swap:
        SwapFolders(staging, target);
        break;
      case Mode::OneByOne: {
        std::vector<fs::path> moved;
        try {
          for (const fs::directory_entry& entry : fs::directory_iterator(staging)) {
            const fs::path to = target / entry.path().filename();
            if (::rename(entry.path().c_str(), to.c_str()) != 0) ThrowFileError(errno);
            moved.push_back(to);
          }
        } catch (...) {
          for (const fs::path& path : moved) fs::remove(path, error);
          throw;
        }
        break;
      }
    }
    fs::remove_all(staging, error);
  } catch (...) {
    fs::remove_all(staging, error);
    throw;
  }
}
