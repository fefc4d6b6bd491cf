#pragma once
// TSplashForm: the logo fading in over the screen and cycling its colours once, at start-up and
// as the About box.

#include <QDialog>
#include <QImage>

// The frames of the splash animation: 201 fade passes from the backdrop toward the logo, then
// 256 passes that add one to every channel of the logo itself; 457 frames in all, the last of
// which is the logo as loaded. Pictures are kept as 24-bit RGB at the logo's size.
class SplashAnimation {
 public:
  static constexpr int kFadePasses = 201;
  static constexpr int kCyclePasses = 256;
  static constexpr int kFrames = kFadePasses + kCyclePasses;

  // A null or smaller backdrop is filled out with black.
  SplashAnimation(const QImage& backdrop, const QImage& logo);

  // Computes the next frame; false once all frames have been made.
  bool Next();
  int FramesDone() const { return done; }
  // The picture to show now: the backdrop before the first pass, the working picture during the
  // fade, the logo picture during the colour cycle.
  const QImage& Frame() const { return done <= kFadePasses ? work : logo; }

 private:
  QImage logo;
  QImage work;
  int done = 0;
};

class TSplashForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);
  // Creates the window, plays the animation modally, destroys it.
  static void Play(QWidget* parent = nullptr);

  // The animation as the window will play it (its backdrop is the screen copy).
  const SplashAnimation& Animation() const { return animation; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  static QImage GrabBackdrop(QWidget* parent, QPoint* topLeft);
  void RunAnimation();

  QPoint place;
  SplashAnimation animation;
  bool started = false;
};
