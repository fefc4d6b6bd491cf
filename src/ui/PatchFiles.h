#pragma once
// The file side of IPS and BPS patches: the dialogs that name a patch file, and writing an
// exported patch. Making, reading and applying patches is the core's (src/patch).

#include <QString>
#include <optional>
#include <string>

class QWidget;
struct AppState;

// File > Export Patch...: asks for a file name, whose extension (.ips or .bps) picks the format,
// and writes the patch that turns the ROM as it was loaded into the ROM as it is now; a file
// that exists is replaced only after a question. Returns the status-bar report: what was
// written, or that there is nothing to write (without asking for a name); "" after a cancel or
// a failure, which shows its box.
QString ExportPatch(const AppState& state, QWidget* parent);

// File > Apply Patch...: the patch file picked (in the platform's file-name encoding), or
// nothing when the dialog is cancelled.
std::optional<std::string> AskPatchFile(QWidget* parent);
