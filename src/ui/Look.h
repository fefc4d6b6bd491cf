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
// The background of hints, the colour Windows gives its information texts.
inline constexpr QRgb kInfoBack = qRgb(0xFF, 0xFF, 0xE1);

// MS Sans Serif, 11 pixels high; where it is not installed the system's sans font stands in.
QFont DialogFont();

// Courier New, 13 pixels high, for code, addresses and bytes; Liberation Mono, with the same
// 8-pixel cells, stands in where it is not installed.
QFont CodeFont();

// The face colour for window and buttons, and the three-dimensional edge colours the frame draws
// with (Midlight and Shadow outside, Dark and Light inside).
QPalette FlatPalette();

// Rules for the flat controls that a palette cannot express (the title bar's "X").
QString FlatStyleSheet();

// Font, palette and style sheet of the flat look, for a dialog and its children.
void ApplyFlatLook(QWidget* dialog);

// A hint text painted on the information background.
void ApplyHintLook(QWidget* hint);

// Puts a results window to the right of `main`, as high as it, or to its left where the screen
// has no room on the right.
void PlaceBesideMain(QWidget* window, const QWidget* main);
