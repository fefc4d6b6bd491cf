// The borderless dialog frame: title bar, "X", edge, dragging and the inactive caption.

#include <QPushButton>
#include <QtTest>

#include "ui/GF.h"
#include "ui/Look.h"

namespace {

// A dialog as the goto dialog builds itself on the frame: 170 pixels wide.
class TFrameTestForm : public TGoodForm {
 public:
  TFrameTestForm() {
    resize(170, 95);
    setWindowTitle("Goto");
    FormCreate();
  }
};

QMouseEvent MouseAt(QEvent::Type type, QWidget* w, QPoint local, Qt::MouseButton button,
                    Qt::MouseButtons held) {
  return QMouseEvent(type, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
}

// The per-channel maximum over the caption's pixels, left of the "X": full-coverage pixels of
// the caption's letters show its colour, all others are blends toward the black bar.
QColor BrightestCaption(TGoodForm& form) {
  const QImage caption = form.Title->grab(QRect(0, 0, form.CloseButton->x(), 20)).toImage();
  int r = 0, g = 0, b = 0;
  for (int y = 0; y < caption.height(); ++y)
    for (int x = 0; x < caption.width(); ++x) {
      const QColor c = caption.pixelColor(x, y);
      r = std::max(r, c.red());
      g = std::max(g, c.green());
      b = std::max(b, c.blue());
    }
  return QColor(r, g, b);
}

}  // namespace

class GFTest : public QObject {
  Q_OBJECT
 private slots:
  void titleBarAndCloseButtonFitTheWidth() {
    TFrameTestForm form;
    QCOMPARE(form.Title->geometry(), QRect(2, 2, 166, 20));
    QCOMPARE(form.CloseButton->geometry(), QRect(146, 0, 20, 20));
    QCOMPARE(form.CloseButton->parentWidget(), form.Title);
    QCOMPARE(form.CloseButton->text(), QString("X"));
    QCOMPARE(form.Title->Caption(), QString("Goto"));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    // Not resizable.
    QCOMPARE(form.minimumSize(), QSize(170, 95));
    QCOMPARE(form.maximumSize(), QSize(170, 95));
  }

  void closeButtonCancelsTheDialog() {
    TFrameTestForm form;
    bool accepted = false;
    QObject::connect(&form, &QDialog::accepted, [&] { accepted = true; });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.CloseButton, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(!accepted);
  }

  void edgeIsABump() {
    TFrameTestForm form;
    const QImage image = form.grab().toImage();
    const QPalette& pal = form.palette();
    const int w = form.width(), h = form.height();
    const struct {
      QPoint at;
      QPalette::ColorRole role;
    } rows[] = {
        {{0, h / 2}, QPalette::Midlight},   {{w / 2, 0}, QPalette::Midlight},
        {{w - 1, h / 2}, QPalette::Shadow}, {{w / 2, h - 1}, QPalette::Shadow},
        {{1, h / 2}, QPalette::Dark},       {{w / 2, 1}, QPalette::Dark},
        {{w - 2, h / 2}, QPalette::Light},  {{w / 2, h - 2}, QPalette::Light},
    };
    for (const auto& row : rows) QCOMPARE(image.pixel(row.at), pal.color(row.role).rgb());
    QVERIFY(pal.color(QPalette::Shadow) != pal.color(QPalette::Light));
    // The title bar is black inside the edge.
    QCOMPARE(image.pixel(4, 4), kTitleBack);
  }

  void draggingTheTitleMovesTheDialog() {
    TFrameTestForm form;
    form.move(100, 100);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint start = form.pos();
    QWidget* title = form.Title;

    // Another button grabs nothing.
    auto right =
        MouseAt(QEvent::MouseButtonPress, title, {50, 10}, Qt::RightButton, Qt::RightButton);
    QApplication::sendEvent(title, &right);
    auto moveRight = MouseAt(QEvent::MouseMove, title, {90, 10}, Qt::NoButton, Qt::RightButton);
    QApplication::sendEvent(title, &moveRight);
    QCOMPARE(form.pos(), start);
    auto releaseRight = MouseAt(QEvent::MouseButtonRelease, title, {90, 10}, Qt::RightButton, {});
    QApplication::sendEvent(title, &releaseRight);

    auto press = MouseAt(QEvent::MouseButtonPress, title, {50, 10}, Qt::LeftButton, Qt::LeftButton);
    QApplication::sendEvent(title, &press);
    auto move = MouseAt(QEvent::MouseMove, title, {80, 25}, Qt::NoButton, Qt::LeftButton);
    QApplication::sendEvent(title, &move);
    QCOMPARE(form.pos(), start + QPoint(30, 15));
    // The grabbed point is under the pointer again: a move there changes nothing.
    auto stay = MouseAt(QEvent::MouseMove, title, {50, 10}, Qt::NoButton, Qt::LeftButton);
    QApplication::sendEvent(title, &stay);
    QCOMPARE(form.pos(), start + QPoint(30, 15));
    auto release = MouseAt(QEvent::MouseButtonRelease, title, {50, 10}, Qt::LeftButton, {});
    QApplication::sendEvent(title, &release);
    auto after = MouseAt(QEvent::MouseMove, title, {10, 5}, Qt::NoButton, {});
    QApplication::sendEvent(title, &after);
    QCOMPARE(form.pos(), start + QPoint(30, 15));
  }

  void captionIsGreyWhileInactive() {
    TFrameTestForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&form, &deactivate);
    QVERIFY(!form.Title->Active());
    const QColor inactive = BrightestCaption(form);
    const QColor accent(kFlatAccent);
    QVERIFY(inactive.red() > 0x60);  // the caption is drawn, in the accent colour, no brighter
    QVERIFY(inactive.red() <= accent.red() && inactive.green() <= accent.green() &&
            inactive.blue() <= accent.blue());

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activate);
    QVERIFY(form.Title->Active());
    const QColor active = BrightestCaption(form);
    QVERIFY(active.red() > 0xF0 && active.green() > 0xF0 && active.blue() > 0xF0);  // white
  }
};

QTEST_MAIN(GFTest)
#include "GFTest.moc"
