#include "ui/RomMapView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>

#include "model/BankAddress.h"
#include "model/NumberText.h"
#include "ui/Latin1.h"
#include "ui/Look.h"

namespace {

// The listing's own colours: code green, data magenta, text cyan; images orange, pointer
// tables blue, unknown a dark grey.
QColor ClassColour(ByteClass c) {
  switch (c) {
    case ByteClass::Code:
    case ByteClass::Operand: return QColor(0x00, 0xFF, 0x00);
    case ByteClass::Data: return QColor(0xFF, 0x00, 0xFF);
    case ByteClass::Image: return QColor(0xFF, 0x99, 0x00);
    case ByteClass::Pointers: return QColor(0x40, 0x80, 0xFF);
    case ByteClass::Text: return QColor(0x00, 0xFF, 0xFF);
    case ByteClass::Unknown: break;
  }
  return QColor(0x40, 0x40, 0x40);
}

// Characters of one share beside a bar: "  100.0%", room for the heading "unknown" and a blank.
constexpr int kShareWidth = 8;

QString Percent(uint32_t part, uint32_t whole) {
  return QString::number(whole == 0 ? 0.0 : 100.0 * part / whole, 'f', 1) + '%';
}

// The four shares in the order of the legend, each in its class's colour.
constexpr ByteClass kOrder[] = {ByteClass::Code, ByteClass::Data, ByteClass::Text,
                                ByteClass::Unknown};

uint32_t PartOf(const BankCoverage& c, ByteClass k) {
  switch (k) {
    case ByteClass::Code: return c.Code;
    case ByteClass::Data: return c.Data;
    case ByteClass::Text: return c.Text;
    default: return c.Unknown;
  }
}

QString Shares(const BankCoverage& c) {
  return QStringLiteral("%1 code, %2 data, %3 text, %4 unknown")
      .arg(Percent(c.Code, c.Size()), Percent(c.Data, c.Size()), Percent(c.Text, c.Size()),
           Percent(c.Unknown, c.Size()));
}

QString Swatch(ByteClass c) {
  return QStringLiteral("<span style=\"background:%1\">&nbsp;&nbsp;&nbsp;</span>&nbsp;%2")
      .arg(ClassColour(c).name(), Latin1(std::string(ClassName(c))));
}

}  // namespace

TRomMapForm::TRomMapForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
  ui.setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(DialogFont());
  bars_ = new TRomMapBars(ui.Bars);
  ui.Bars->setWidget(bars_);
  headings_ = new TRomMapHeadings(ui.Bars->frameWidth(), this);
  ui.Layout->insertWidget(ui.Layout->indexOf(ui.Bars), headings_);
  QPalette black = ui.Bars->palette();
  black.setColor(QPalette::Window, Qt::black);
  ui.Bars->setPalette(black);
  connect(bars_, &TRomMapBars::Clicked, this, &TRomMapForm::ShowRequested);
}

void TRomMapForm::Refresh(const Trace* trace) {
  bars_->SetTrace(trace);
  QStringList swatches;
  for (ByteClass c : {ByteClass::Code, ByteClass::Data, ByteClass::Text, ByteClass::Image,
                      ByteClass::Pointers, ByteClass::Unknown}) {
    swatches << Swatch(c);
  }
  QString legend = swatches.join("&nbsp;&nbsp; ");
  if (trace) {
    // The shares count images and pointer tables as data.
    const BankCoverage all = TotalCoverage(CoverageByBank(*trace));
    legend += QStringLiteral("<br>Whole ROM: ") + Shares(all).toHtmlEscaped();
  }
  ui.Legend->setText(legend);
}

void TRomMapForm::PlaceBeside(const QWidget* main) {
  PlaceBesideMain(this, main);
}

TRomMapBars::TRomMapBars(QWidget* parent) : QWidget(parent) {
  setFont(CodeFont());
  setCursor(Qt::PointingHandCursor);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
}

void TRomMapBars::SetTrace(const Trace* trace) {
  trace_ = trace;
  rows_.clear();
  if (trace) {
    for (const BankCoverage& cover : CoverageByBank(*trace)) {
      rows_.push_back({cover, BankStrip(*trace, cover.Bank, kBarWidth)});
    }
  }
  const int textWidth = kShareWidth * 4 * fontMetrics().horizontalAdvance('0');
  setMinimumSize(kSharesLeft + textWidth + 8,
                 static_cast<int>(rows_.size()) * kRowHeight + 4);
  update();
}

int32_t TRomMapBars::OffsetAt(const QPoint& point) const {
  const int row = point.y() / kRowHeight;
  if (point.y() < 0 || row >= static_cast<int>(rows_.size())) return -1;
  const int x = std::clamp(point.x() - kBarLeft, 0, kBarWidth - 1);
  const uint32_t offset = rows_[static_cast<size_t>(row)].cover.Bank * kBankSize +
                          static_cast<uint32_t>(x) * (kBankSize / kBarWidth);
  // A partial last bank: its bar goes on past the ROM's end.
  const BankCoverage& cover = rows_[static_cast<size_t>(row)].cover;
  const uint32_t last = cover.Bank * kBankSize + cover.Size() - 1;
  return static_cast<int32_t>(std::min(offset, last));
}

QString TRomMapBars::ToolTipAt(const QPoint& point) const {
  const int32_t offset = OffsetAt(point);
  if (offset < 0 || trace_ == nullptr || point.x() < kBarLeft || point.x() >= kBarLeft + kBarWidth) {
    return {};
  }
  return Latin1(PlaceSummary(*trace_, static_cast<uint32_t>(offset)));
}

bool TRomMapBars::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QString tip = ToolTipAt(help->pos());
  if (tip.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), tip, this);
  }
  return true;
}

TRomMapHeadings::TRomMapHeadings(int left, QWidget* parent) : QWidget(parent), left_(left) {
  setFont(CodeFont());
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setFixedHeight(TRomMapBars::kRowHeight);
}

void TRomMapHeadings::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int baseline = 1 + fontMetrics().ascent();
  painter.setPen(QColor(0xA0, 0xA0, 0xA0));
  painter.drawText(left_ + 4, baseline, QStringLiteral("bank"));
  // A quarter of a bar is 4 KiB: where each starts within the bank.
  for (int q = 0; q < 4; ++q) {
    const int x = left_ + TRomMapBars::kBarLeft + q * TRomMapBars::kBarWidth / 4;
    painter.drawLine(x, 2, x, height() - 2);
    painter.drawText(x + 3, baseline, QStringLiteral("+%1").arg(q * 0x1000, 4, 16, QChar('0')));
  }
  const int digit = fontMetrics().horizontalAdvance('0');
  int x = left_ + TRomMapBars::kSharesLeft;
  for (ByteClass k : kOrder) {
    const QString name = Latin1(std::string(ClassName(k))).rightJustified(kShareWidth);
    painter.drawText(x, baseline, name);
    x += kShareWidth * digit;
  }
}

void TRomMapBars::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int ascent = fontMetrics().ascent();
  for (size_t i = 0; i < rows_.size(); ++i) {
    const Row& row = rows_[i];
    const int top = static_cast<int>(i) * kRowHeight;
    painter.setPen(Qt::white);
    painter.drawText(4, top + 1 + ascent, Latin1(IntToHex(row.cover.Bank, 2)));
    // Runs of one class drawn as one rectangle.
    for (int x = 0; x < kBarWidth;) {
      int end = x + 1;
      while (end < kBarWidth && row.strip[static_cast<size_t>(end)] == row.strip[static_cast<size_t>(x)]) ++end;
      painter.fillRect(kBarLeft + x, top + 2, end - x, kRowHeight - 4,
                       ClassColour(row.strip[static_cast<size_t>(x)]));
      x = end;
    }
    int x = kSharesLeft;
    for (ByteClass k : kOrder) {
      painter.setPen(ClassColour(k) == ClassColour(ByteClass::Unknown) ? QColor(0xA0, 0xA0, 0xA0)
                                                                       : ClassColour(k));
      painter.drawText(x, top + 1 + ascent,
                       Percent(PartOf(row.cover, k), row.cover.Size()).rightJustified(kShareWidth));
      x += kShareWidth * fontMetrics().horizontalAdvance('0');
    }
  }
}

void TRomMapBars::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const int32_t offset = OffsetAt(event->position().toPoint());
  if (offset >= 0) emit Clicked(offset);
}
