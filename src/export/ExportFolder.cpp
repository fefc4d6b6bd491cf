#include "export/ExportFolder.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "model/Failure.h"
#include "model/FileWrite.h"

namespace fs = std::filesystem;

std::vector<std::string> ExistingExportFiles(const std::string& folder,
                                             const std::vector<ExportFile>& files) {
  std::vector<std::string> found;
  std::error_code error;
  for (const ExportFile& file : files) {
    if (fs::exists(fs::path(folder) / file.Name, error)) found.push_back(file.Name);
  }
  return found;
}

void WriteExportFolder(const std::string& folder, const std::vector<ExportFile>& files,
                       bool replace) {
  if (folder.empty()) throw ErrorFailure("No folder given for the exported source.");
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  bool made = false;
  if (fs::exists(status)) {
    if (!fs::is_directory(status)) throw ErrorFailure("'" + folder + "' is not a folder.");
    const std::vector<std::string> old = ExistingExportFiles(folder, files);
    if (!replace && !old.empty()) {
      throw ErrorFailure("'" + folder + "' already holds an exported source (" + old.front() +
                         "); choose another folder or replace it.");
    }
  } else {
    if (!fs::create_directory(folder, error)) ThrowFileError(error ? error.value() : EEXIST);
    made = true;
  }
  try {
    for (const ExportFile& file : files) {
      SaveFileSafely((fs::path(folder) / file.Name).string(), file.Text.data(), file.Text.size());
    }
  } catch (...) {
    if (made) fs::remove_all(folder, error);
    throw;
  }
}
