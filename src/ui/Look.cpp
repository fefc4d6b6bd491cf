#include "ui/Look.h"

#include <QColor>
#include <algorithm>
#include <QScreen>
#include <QWidget>

QFont DialogFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

QFont CodeFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(13);
  return font;
}

QPalette FlatPalette() {
  const QColor face(kFlatFace);
  const QColor accent(kFlatAccent);
  QPalette palette(face, face);
  palette.setColor(QPalette::Window, face);
  palette.setColor(QPalette::Button, face);
  palette.setColor(QPalette::Light, Qt::white);
  palette.setColor(QPalette::Midlight, face.lighter(104));
  palette.setColor(QPalette::Mid, accent.lighter(120));
  palette.setColor(QPalette::Dark, accent);
  palette.setColor(QPalette::Shadow, accent.darker(180));
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::ButtonText, Qt::black);
  return palette;
}

QString FlatStyleSheet() {
  // The close button shows the black title bar through; only its "X" is drawn.
  return QStringLiteral(
             "QPushButton#CloseButton { color: %1; background: transparent; border: none;"
             " padding: 0px; }")
      .arg(QColor(kTitleActiveText).name());
}

void ApplyFlatLook(QWidget* dialog) {
  dialog->setFont(DialogFont());
  dialog->setPalette(FlatPalette());
  dialog->setStyleSheet(FlatStyleSheet());
}

void ApplyHintLook(QWidget* hint) {
  QPalette palette = hint->palette();
  palette.setColor(QPalette::Window, QColor(kInfoBack));
  palette.setColor(QPalette::WindowText, Qt::black);
  hint->setPalette(palette);
  hint->setAutoFillBackground(true);
}

void PlaceBesideMain(QWidget* window, const QWidget* main) {
  const QRect frame = main->frameGeometry();
  window->resize(window->width(), main->height());
  const QScreen* screen = main->screen();
  const QRect room = screen ? screen->availableGeometry() : QRect();
  const int outer = window->frameGeometry().width();
  int x = frame.right() + 1;
  if (!room.isEmpty() && x + outer > room.right() + 1 && frame.left() - outer >= room.left()) {
    x = frame.left() - outer;
  }
  // With room on neither side it covers part of the main window rather than leave the screen.
  if (!room.isEmpty() && x + outer > room.right() + 1) x = std::max(room.left(), room.right() + 1 - outer);
  window->move(x, frame.top());
}
