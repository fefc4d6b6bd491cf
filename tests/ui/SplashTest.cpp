// The splash animation's frames and the splash window.

#include <QPixmap>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include "ui/Resources.h"
#include "ui/Splash.h"

namespace {

// A one-row picture whose pixels are grey levels.
QImage Greys(const std::vector<int>& levels) {
  QImage image(static_cast<int>(levels.size()), 1, QImage::Format_RGB888);
  for (int x = 0; x < image.width(); ++x)
    image.setPixel(x, 0, qRgb(levels[x], levels[x], levels[x]));
  return image;
}

QImage Rgb888(const QImage& image) {
  return image.convertToFormat(QImage::Format_RGB888);
}

}  // namespace

class SplashTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void channelsFadeThenCycle() {
    const struct {
      int screen, logo;
      int afterFade;   // frame 201, the last of the fade
      int firstCycle;  // frame 202, the first of the colour cycle
    } rows[] = {
        {0, 255, 201, 0},  // too far to arrive; the cycle wraps the logo's 255 to 0
        {255, 0, 54, 1},      {0, 201, 201, 202}, {10, 200, 200, 201},
        {100, 100, 100, 101}, {250, 40, 49, 41},  {200, 199, 199, 200},
    };
    std::vector<int> screen, logo;
    for (const auto& row : rows) {
      screen.push_back(row.screen);
      logo.push_back(row.logo);
    }
    SplashAnimation animation(Greys(screen), Greys(logo));
    QCOMPARE(animation.Frame(), Rgb888(Greys(screen)));
    for (int i = 0; i < SplashAnimation::kFadePasses; ++i) QVERIFY(animation.Next());
    const QImage faded = animation.Frame();
    QVERIFY(animation.Next());
    const QImage cycled = animation.Frame();
    for (int x = 0; x < int(std::size(rows)); ++x) {
      QCOMPARE(faded.pixel(x, 0), qRgb(rows[x].afterFade, rows[x].afterFade, rows[x].afterFade));
      QCOMPARE(cycled.pixel(x, 0),
               qRgb(rows[x].firstCycle, rows[x].firstCycle, rows[x].firstCycle));
    }
  }

  void lastFrameIsTheLogo() {
    const QImage logo = LoadPicture(Picture::Logo);
    QCOMPARE(logo.size(), QSize(320, 240));
    QImage screen(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x) screen.setPixel(x, y, qRgb(x & 255, (x * y) & 255, 255 - y));
    SplashAnimation animation(screen, logo);
    int frames = 0;
    while (animation.Next()) ++frames;
    QCOMPARE(frames, 457);
    QCOMPARE(animation.FramesDone(), 457);
    QCOMPARE(animation.Frame(), Rgb888(logo));
    QVERIFY(!animation.Next());
  }

  void noScreenCopyFadesFromBlack() {
    SplashAnimation animation(QImage(), Greys({255, 30}));
    QCOMPARE(animation.Frame().pixel(0, 0), qRgb(0, 0, 0));
    for (int i = 0; i < SplashAnimation::kFadePasses; ++i) animation.Next();
    QCOMPARE(animation.Frame().pixel(0, 0), qRgb(201, 201, 201));
    QCOMPARE(animation.Frame().pixel(1, 0), qRgb(30, 30, 30));
  }

  void windowStandsAtTheCentreOnTop() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    TSplashForm form;
    QCOMPARE(form.geometry(), QRect(screen.width() / 2 - 160, screen.height() / 2 - 120, 320, 240));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form.Animation().Frame().size(), QSize(320, 240));
  }

  void playRunsToItsEndAndCloses() {
    // The first paint starts the animation: render() paints a window that is not shown (so no
    // fallback timer runs), and the start it queues runs with the posted events.
    TSplashForm form;
    QPixmap target(form.size());
    form.render(&target);
    QCOMPARE(form.Animation().FramesDone(), 0);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(form.Animation().FramesDone(), SplashAnimation::kFrames);
    QCOMPARE(form.result(), int(QDialog::Accepted));

    TSplashForm::Play(nullptr);
    QVERIFY(!QApplication::activeModalWidget());
  }
};

QTEST_MAIN(SplashTest)
#include "SplashTest.moc"
