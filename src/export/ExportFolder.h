#pragma once
// Writing an exported source into a folder: whole, or not at all.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "export/SourceExport.h"

// The files of `files` that already stand in the folder (names only); empty for a new folder.
std::vector<std::string> ExistingExportFiles(const std::string& folder,
                                             const std::vector<ExportFile>& files);

// Writes every file into the folder. They are written first into a new folder beside it and
// synced once; that folder then becomes the target (a folder that did not exist; its parent
// must) or its files are moved into it one by one. A failure on the way leaves the target as it
// was. Files of an earlier export are replaced only when `replace` is true; otherwise the folder
// is refused with an error Failure naming the first of them, as is a path that is not a folder.
// `progress` is told of each file written. Throws FileError when a write fails.
void WriteExportFolder(const std::string& folder, const std::vector<ExportFile>& files,
                       bool replace,
                       const std::function<void(size_t done, size_t total)>& progress = {});
