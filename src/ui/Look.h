#pragma once
// The flat look of the program's own dialogs, set in this one place: the face and accent colours
// of the flat controls, the title bar's colours, the dialog font, and the palette and style sheet
// that put them on a dialog.

#include <QFont>
#include <QPalette>
#include <QRgb>
#include <QString>

class QWidget;

inline constexpr QRgb kFlatFace = qRgb(0xEF, 0xE9, 0xE0);
inline constexpr QRgb kFlatAccent = qRgb(0xA2, 0x9A, 0x82);
inline constexpr QRgb kTitleBack = qRgb(0x00, 0x00, 0x00);
inline constexpr QRgb kTitleActiveText = qRgb(0xFF, 0xFF, 0xFF);
inline constexpr QRgb kTitleInactiveText = kFlatAccent;

// MS Sans Serif, 11 pixels high; where it is not installed the system's sans font stands in.
QFont DialogFont();

// The face colour for window and buttons, and the three-dimensional edge colours the frame draws
// with (Midlight and Shadow outside, Dark and Light inside).
QPalette FlatPalette();

// Rules for the flat controls that a palette cannot express (the title bar's "X").
QString FlatStyleSheet();

// Font, palette and style sheet of the flat look, for a dialog and its children.
void ApplyFlatLook(QWidget* dialog);
