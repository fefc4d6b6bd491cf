#pragma once
// TSplashForm: the logo fading in over the screen and cycling its colours once, at start-up and
// as the About box.

#include <QDialog>

class TSplashForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);
  // Creates the window, plays the animation modally, destroys it.
  static void Play(QWidget* parent = nullptr);
};
