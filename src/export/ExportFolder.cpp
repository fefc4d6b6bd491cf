#include "export/ExportFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "model/Failure.h"

namespace fs = std::filesystem;

namespace {

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

// A new, empty folder beside `folder`, with the permissions a plain mkdir would give it.
std::string MakeStagingFolder(const fs::path& folder) {
  const fs::path parent = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
  std::string name = (parent / ("." + folder.filename().string() + ".export-XXXXXX")).string();
  if (::mkdtemp(name.data()) == nullptr) ThrowFileError(errno);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(name.c_str(), 0777 & ~mask);
  return name;
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
                       bool replace,
                       const std::function<void(size_t done, size_t total)>& progress) {
  if (folder.empty()) throw ErrorFailure("No folder given for the exported source.");
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  const bool exists = fs::exists(status);
  if (exists) {
    if (!fs::is_directory(status)) throw ErrorFailure("'" + folder + "' is not a folder.");
    const std::vector<std::string> old = ExistingExportFiles(folder, files);
    if (!replace && !old.empty()) {
      throw ErrorFailure("'" + folder + "' already holds an exported source (" + old.front() +
                         "); choose another folder or replace it.");
    }
  }
  fs::path target(folder);
  if (target.filename().empty()) target = target.parent_path();  // "out/" names "out"
  const std::string staging = MakeStagingFolder(target);
  try {
    for (size_t i = 0; i < files.size(); ++i) {
      // Pictures go into a folder of the project (gfx/).
      const fs::path file = fs::path(staging) / files[i].Name;
      if (file.parent_path() != fs::path(staging)) fs::create_directories(file.parent_path());
      WriteNewFile(file.string(), files[i].Text);
      if (progress) progress(i + 1, files.size());
    }
    SyncFolder(staging);
    if (!exists) {
      if (::rename(staging.c_str(), target.c_str()) != 0) ThrowFileError(errno);
      return;
    }
    for (const ExportFile& file : files) {
      const std::string from = (fs::path(staging) / file.Name).string();
      const fs::path to = target / file.Name;
      if (to.parent_path() != target) fs::create_directories(to.parent_path());
      if (::rename(from.c_str(), to.c_str()) != 0) ThrowFileError(errno);
    }
    fs::remove_all(staging, error);
  } catch (...) {
    fs::remove_all(staging, error);
    throw;
  }
}
