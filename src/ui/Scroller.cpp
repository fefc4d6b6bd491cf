#include "ui/Scroller.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QProxyStyle>
#include <QStyleOptionSlider>

namespace {

const QColor kFace(0xEF, 0xE9, 0xE0);
const QColor kThumb(0xA2, 0x9A, 0x82);

// Lays the scroll bar out as fixed 17-pixel buttons and thumb, and paints it flat. Qt's own
// dragging and hit testing go through subControlRect, so they follow this geometry.
class TFlatScrollStyle : public QProxyStyle {
 public:
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar || bar->orientation != Qt::Vertical) {
      return QProxyStyle::subControlRect(control, option, sub, widget);
    }
    const QRect r = bar->rect;
    const int e = TScroller::kExtent;
    const int track = std::max(0, r.height() - 2 * e);
    const int thumbTop =
        e + sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                    std::max(0, track - e), bar->upsideDown);
    switch (sub) {
      case SC_ScrollBarSubLine:
        return QRect(0, 0, r.width(), e);
      case SC_ScrollBarAddLine:
        return QRect(0, r.height() - e, r.width(), e);
      case SC_ScrollBarGroove:
        return QRect(0, e, r.width(), track);
      case SC_ScrollBarSlider:
        return QRect(0, thumbTop, r.width(), e);
      case SC_ScrollBarSubPage:
        return QRect(0, e, r.width(), thumbTop - e);
      case SC_ScrollBarAddPage:
        return QRect(0, thumbTop + e, r.width(), r.height() - e - (thumbTop + e));
      default:
        return QRect();
    }
  }

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_ScrollBarExtent || metric == PM_ScrollBarSliderMin) return TScroller::kExtent;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override {
    if (control != CC_ScrollBar) {
      return QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
    painter->fillRect(option->rect, kFace);
    const auto raised = [&](const QRect& r, const QColor& face) {
      painter->fillRect(r, face);
      painter->setPen(Qt::white);
      painter->drawLine(r.topLeft(), r.topRight());
      painter->drawLine(r.topLeft(), r.bottomLeft());
      painter->setPen(Qt::black);
      painter->drawLine(r.bottomLeft(), r.bottomRight());
      painter->drawLine(r.topRight(), r.bottomRight());
    };
    const auto arrow = [&](const QRect& r, bool up) {
      const QPoint c = r.center();
      QPolygon tip;
      if (up) {
        tip << QPoint(c.x() - 4, c.y() + 2) << QPoint(c.x() + 4, c.y() + 2)
            << QPoint(c.x(), c.y() - 2);
      } else {
        tip << QPoint(c.x() - 4, c.y() - 2) << QPoint(c.x() + 4, c.y() - 2)
            << QPoint(c.x(), c.y() + 2);
      }
      painter->setPen(Qt::NoPen);
      painter->setBrush(option->state & State_Enabled ? Qt::black : Qt::gray);
      painter->drawPolygon(tip);
    };
    const QRect up = subControlRect(control, option, SC_ScrollBarSubLine, widget);
    const QRect down = subControlRect(control, option, SC_ScrollBarAddLine, widget);
    raised(up, kFace);
    arrow(up, true);
    raised(down, kFace);
    arrow(down, false);
    raised(subControlRect(control, option, SC_ScrollBarSlider, widget), kThumb);
  }
};

}  // namespace

TScroller::TScroller(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  auto* flat = new TFlatScrollStyle;
  flat->setParent(this);
  setStyle(flat);
  setFixedWidth(kExtent);
}

void TScroller::mousePressEvent(QMouseEvent* event) {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QStyle::SubControl hit = style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option,
                                                                event->position().toPoint(), this);
  if (hit == QStyle::SC_ScrollBarAddPage || hit == QStyle::SC_ScrollBarSubPage ||
      hit == QStyle::SC_ScrollBarGroove) {
    event->accept();  // the track beside the thumb does not page
    return;
  }
  QScrollBar::mousePressEvent(event);
  if (hit == QStyle::SC_ScrollBarAddLine || hit == QStyle::SC_ScrollBarSubLine) {
    setRepeatAction(repeatAction(), kRepeatMs, kRepeatMs);
  }
}
