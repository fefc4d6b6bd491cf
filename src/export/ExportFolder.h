#pragma once
// Writing an exported source into a folder: whole, or not at all.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "export/SourceExport.h"

// The file in which an export lists the files it wrote; a folder holding one is an export.
inline constexpr char kExportManifest[] = ".velmora-export";

// The files of `files` that already stand in the folder (names only); empty for a new folder.
std::vector<std::string> ExistingExportFiles(const std::string& folder,
                                             const std::vector<ExportFile>& files);

// Writes every file, and the list of them, into the folder (made with its parents if missing).
// They are written first into a new hidden folder beside it and synced once; that folder then
// takes the target's place whole: a new or empty target is replaced by it, an earlier export
// swapped with it in one step and then removed. Into a folder that holds only other things the
// files are moved one by one, and taken out again if one fails. A failure or a kill on the way
// leaves the target as it was; the staging folders of killed exports are removed by the next
// export beside them.
// Refused with an error Failure, before anything is written: a path that is not a folder; a
// folder that holds one of `keep` (the ROM and its symbol file) anywhere inside it, or a file the
// export or its Makefile would write or delete that no export wrote ("Makefile", "build"); an
// earlier export unless `replace` is true; and an earlier export that holds files of someone
// else's. `progress` is told of each file written. Throws FileError when a write fails.
void WriteExportFolder(const std::string& folder, const std::vector<ExportFile>& files,
                       bool replace, const std::vector<std::string>& keep = {},
                       const std::function<void(size_t done, size_t total)>& progress = {});
