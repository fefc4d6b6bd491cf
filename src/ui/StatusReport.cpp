#include "ui/StatusReport.h"

#include <QStatusBar>

#include "ui/Look.h"

namespace {
// Long enough to read twice; a report that stayed for good would tell of work long done.
constexpr int kShownMs = 15000;
}  // namespace

TStatusReport::TStatusReport(QStatusBar* bar) : QLabel(bar) {
  setObjectName("ReportPanel");
  // A long report is cut at the window's edge (its tooltip holds it whole); it never widens
  // the window.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  // Sentences read in the dialogs' font, which also fits more of them than the bar's code font
  // of the offset.
  setFont(DialogFont());
  bar->addWidget(this, 1);
  clear_.setSingleShot(true);
  clear_.setInterval(kShownMs);
  connect(&clear_, &QTimer::timeout, this, [this] {
    clear();
    setToolTip({});
  });
}

void TStatusReport::Show(const QString& text) {
  setText(text);
  setToolTip(text);
  clear_.start();
}
