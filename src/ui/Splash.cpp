#include "ui/Splash.h"

// Placeholder: the animation comes with the splash window's own work.
TSplashForm::TSplashForm(QWidget* parent) : QDialog(parent) {}

void TSplashForm::Play(QWidget* parent) {
  TSplashForm form(parent);
  (void)form;
}
