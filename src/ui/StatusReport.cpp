#include "ui/StatusReport.h"

#include <QStatusBar>

namespace {
// Long enough to read twice; a report that stayed for good would tell of work long done.
constexpr int kShownMs = 15000;
}  // namespace

TStatusReport::TStatusReport(QStatusBar* bar) : QLabel(bar) {
  setObjectName("ReportPanel");
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
