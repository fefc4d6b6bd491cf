#pragma once
// File > Export Source...: the RGBDS source project of the loaded ROM, written into a folder the
// user picks, with a progress dialog while it is made. The project itself is the core's
// (src/export).

class QWidget;
struct AppState;

// Asks for the folder (a cancel does nothing), asks before replacing an earlier export there,
// exports with a progress dialog whose Cancel writes nothing, and shows what was written. A
// failure shows its box.
void ExportSourceProject(const AppState& state, QWidget* parent);
