#pragma once
// The user's settings file, shared by everything the program remembers between runs.

#include <QSettings>
#include <memory>

// The settings file, or nothing when something other than a regular file stands at its path: a
// FIFO there would hold the program at its start for good, and a device would be read without
// end. What would be kept then lives for the run only, and the odd file is left alone.
std::unique_ptr<QSettings> UserSettings();
