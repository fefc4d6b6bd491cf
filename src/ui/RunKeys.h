#pragma once
// The keys of the run window's joypad: kept in the user's settings, shown and typed as key
// names ("Up Down Left Right X Z Return Backspace").

#include <string>

#include "ui/RunWindow.h"

TRunWindow::KeyMap LoadRunKeys();
void SaveRunKeys(const TRunWindow::KeyMap& keys);
std::string RunKeysText(const TRunWindow::KeyMap& keys);
// Eight key names apart by blanks, in the order of the map; throws an error Failure otherwise.
TRunWindow::KeyMap ReadRunKeys(const std::string& text);
