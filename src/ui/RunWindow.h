#pragma once
// TRunWindow: Tools > Run. The loaded image as it stands (unsaved edits too) played in a window
// of its own at the machine's 59.7 frames a second, 160x144 scaled by whole numbers, with the
// joypad on the keyboard. While it plays it records what the game executes and reads; Stop
// hands that log to the main window, which asks whether to mark the executed bytes.

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "model/CodeDataLog.h"

class QLabel;
class QPushButton;
class Emulator;
class TCommandHost;

// The game's screen, drawn at the largest whole multiple of 160x144 that fits, centred.
class TScreenView : public QWidget {
  Q_OBJECT
 public:
  explicit TScreenView(QWidget* parent);
  void Show(const QImage& image);
  QSize sizeHint() const override { return {160 * 3, 144 * 3}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

class TRunWindow : public QWidget {
  Q_OBJECT
 public:
  // Keys for Up, Down, Left, Right, A, B, Start and Select.
  static constexpr int kButtons = 8;
  using KeyMap = std::array<int, kButtons>;
  static KeyMap DefaultKeys();

  // Starts the game; throws a Failure (shown by the caller) when it cannot be run.
  TRunWindow(TCommandHost* host, std::function<void(const CodeDataLog&)> stopped,
             QWidget* parent);
  ~TRunWindow() override;

  bool Paused() const { return paused_; }
  void SetPaused(bool paused);
  void Reset();
  // Ends the game: the log goes to whoever started it, and the window closes.
  void Stop();
  // Ends the game without handing its log over (another ROM came in its place).
  void Abandon();
  // Moves the main window's listing to the instruction the CPU stands at (paused only).
  void ShowInListing();
  void SetKeys(const KeyMap& keys);
  const Emulator& Machine() const { return *emulator_; }

 signals:
  void FrameShown();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Tick();
  void ShowScreen();
  void ShowStatus();
  void KeysClick();

  TCommandHost* main_;
  std::function<void(const CodeDataLog&)> stopped_;
  std::unique_ptr<Emulator> emulator_;
  TScreenView* screen_;
  QLabel* status_;
  QPushButton* pauseButton_;
  QPushButton* showButton_;
  QTimer timer_;
  QElapsedTimer clock_;
  int64_t framesDue_ = 0;  // frames run since the clock started
  bool paused_ = false;
  bool done_ = false;  // stopped, the log handed over
  KeyMap keys_;
  uint8_t held_ = 0;
};
