#pragma once
// Where a scroll bar's style puts its slider for the bar's state as it stands: what a user sees
// of the bar, and what the bar's last picture must show.

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

inline QRect ScrollBarSlider(const QScrollBar* bar) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.pageStep = bar->pageStep();
  option.singleStep = bar->singleStep();
  return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                      bar);
}
