#pragma once
// Velmora's names and code/data picture for emulator debuggers. Their symbol readers differ:
// some take two hex digits of bank and drop wider ones, one keeps a `; comment` in the name,
// none knows block lines (`.data:200` would show as a label), and of several names at one place
// some keep the first and some the last. So the file holds label lines only, `%02x:%04x name`
// (wider banks only above FF), one name a place; the code/data log beside it carries the split.

#include <string>

#include "analysis/Trace.h"
#include "model/CodeDataLog.h"
#include "model/Labels.h"

// The label lines, ROM then RAM, each by bank and address; the first name of each place.
std::string DebuggerSymText(const LabelTables& labels);

// What Velmora knows of each byte as a log: traced code (and the user's code blocks, which the
// trace reads) as code, data, text, pictures and pointer tables as data, with the game's own
// runs added.
CodeDataLog KnownCodeData(const Trace& trace, const CodeDataLog& runs);
