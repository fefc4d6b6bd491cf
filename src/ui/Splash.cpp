#include "ui/Splash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "ui/Resources.h"
#include "ui/SplashSteps.h"

namespace {

std::span<std::uint8_t> Row(QImage& image, int y) {
  return {image.scanLine(y), static_cast<std::size_t>(image.width()) * 3};
}

}  // namespace

SplashAnimation::SplashAnimation(const QImage& backdrop, const QImage& logoPicture)
    : logo(logoPicture.convertToFormat(QImage::Format_RGB888)),
      work(logo.size(), QImage::Format_RGB888) {
  work.fill(Qt::black);
  if (!backdrop.isNull()) {
    QPainter painter(&work);
    painter.drawImage(0, 0, backdrop);
  }
}

bool SplashAnimation::Next() {
  if (done >= kFrames) return false;
  if (done < kFadePasses) {
    for (int y = 0; y < work.height(); ++y) {
      const uchar* target = logo.constScanLine(y);
      FadeStep(Row(work, y), {target, static_cast<std::size_t>(logo.width()) * 3});
    }
  } else {
    for (int y = 0; y < logo.height(); ++y) CycleStep(Row(logo, y));
  }
  ++done;
  return true;
}

// The screen under the window-to-be, copied before it is shown. Some platforms give no copy of
// the screen (a null or empty grab); the fade then starts from black.
QImage TSplashForm::GrabBackdrop(QWidget* parent, QPoint* topLeft) {
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (!screen) {
    *topLeft = {0, 0};
    return {};
  }
  const QRect area = screen->geometry();
  const int left = area.width() / 2 - 160;
  const int top = area.height() / 2 - 120;
  *topLeft = area.topLeft() + QPoint(left, top);
  const QPixmap grab = screen->grabWindow(0, left, top, 320, 240);
  return grab.isNull() ? QImage() : grab.toImage();
}

TSplashForm::TSplashForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      animation(GrabBackdrop(parent, &place), LoadPicture(Picture::Logo)) {
  setFixedSize(320, 240);
  move(place);
  setCursor(Qt::ArrowCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TSplashForm::Play(QWidget* parent) {
  TSplashForm form(parent);
  form.exec();
}

void TSplashForm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // Normally the first paint starts the animation; a window that is never painted (no screen
  // to show it on) must still close.
  QTimer::singleShot(1000, this, &TSplashForm::RunAnimation);
}

void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, animation.Frame());
  // The frames are drawn by repaint(), which cannot run inside a paint: the first paint only
  // shows the backdrop and has the animation start as soon as it has reached the screen.
  if (!started) QTimer::singleShot(0, this, &TSplashForm::RunAnimation);
}

void TSplashForm::RunAnimation() {
  if (started) return;
  started = true;
  // No return to the event loop until the end: the animation takes no input.
  while (animation.Next()) repaint();
  done(QDialog::Accepted);
}
