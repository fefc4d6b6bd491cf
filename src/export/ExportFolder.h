#pragma once
// Writing an exported source into a folder, whole or not at all where that can be helped.

#include <string>
#include <vector>

#include "export/SourceExport.h"

// The files of `files` that already stand in the folder (names only); empty for a new folder.
std::vector<std::string> ExistingExportFiles(const std::string& folder,
                                             const std::vector<ExportFile>& files);

// Writes every file into the folder, each through the safe save of ROMs. A folder that does
// not exist is made (its parent must exist) and, should a write fail, removed again with what
// was written into it. Files of an earlier export are replaced only when `replace` is true;
// otherwise the folder is refused with an error Failure naming the first of them. A path that
// is not a folder is refused with an error Failure. Throws FileError when a write fails.
void WriteExportFolder(const std::string& folder, const std::vector<ExportFile>& files,
                       bool replace);
