#pragma once
// The shell script behind an exported source's `make shiftcheck`.

#include <string>

// shiftcheck.sh: builds the source with padding at the start of every section that may move and
// checks that labels, named operands and the other bytes moved with it.
std::string ShiftcheckScript();
