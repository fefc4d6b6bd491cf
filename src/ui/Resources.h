#pragma once
// The program's pictures, compiled into velmora_ui as Qt resources.

#include <QImage>

// Registers the pictures; velmora_ui is a static library, so its resources must be pulled in
// by hand. Safe to call more than once; the functions below call it themselves.
void InitVelmoraResources();

enum class Picture { Logo, Info, Err, Warn };

// The picture as stored: LOGO 320 x 240, INFO/ERR/WARN 48 x 48 on magenta, all 24-bit.
QImage LoadPicture(Picture picture);
