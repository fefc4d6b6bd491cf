#pragma once
// TStatusReport: the status bar's last panel, where a command that ends without a window of its
// own says what it did ("Checksums fixed: header $3B, global $A1C2"). A report stays for a
// while, or until the next one.

#include <QLabel>
#include <QTimer>

class QStatusBar;

class TStatusReport : public QLabel {
  Q_OBJECT
 public:
  // Adds itself to the bar after the panels already there, taking the rest of its width.
  explicit TStatusReport(QStatusBar* bar);

  void Show(const QString& text);

 private:
  QTimer clear_;
};
