#include "ui/RunWindow.h"

TRunWindow::KeyMap TRunWindow::DefaultKeys() {
  return {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left,   Qt::Key_Right,
          Qt::Key_X,  Qt::Key_Z,    Qt::Key_Return, Qt::Key_Backspace};
}

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/BankAddress.h"
#include "model/Failure.h"
#include "run/Emulator.h"
#include "ui/AppState.h"
#include "ui/AskForm.h"
#include "ui/CommandHost.h"
#include "ui/RunKeys.h"

namespace {

constexpr uint8_t kButtonBits[TRunWindow::kButtons] = {
    kButtonUp, kButtonDown, kButtonLeft, kButtonRight, kButtonA, kButtonB, kButtonStart,
    kButtonSelect};

}  // namespace

TScreenView::TScreenView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(kScreenWidth, kScreenHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TScreenView::Show(const QImage& image) {
  image_ = image;
  update();
}

void TScreenView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  const int scale = std::max(1, std::min(width() / kScreenWidth, height() / kScreenHeight));
  const QRect target((width() - kScreenWidth * scale) / 2, (height() - kScreenHeight * scale) / 2,
                     kScreenWidth * scale, kScreenHeight * scale);
  painter.drawImage(target, image_);
}

TRunWindow::TRunWindow(TCommandHost* host, std::function<void(const CodeDataLog&)> stopped,
                       QWidget* parent)
    : QWidget(parent, Qt::Window),
      main_(host),
      stopped_(std::move(stopped)),
      emulator_(std::make_unique<Emulator>()),
      keys_(LoadRunKeys()) {
  setObjectName("RunForm");
  setAttribute(Qt::WA_DeleteOnClose);
  const Rom& rom = host->State().rom;
  setWindowTitle("Run - " + QString::fromLatin1(rom.RomTitle.c_str()));
  emulator_->SetLogging(true);
  emulator_->Load(rom.RomImage.data(), rom.RomSize);

  screen_ = new TScreenView(this);
  screen_->setObjectName("Screen");
  status_ = new QLabel(this);
  status_->setObjectName("RunStatus");
  status_->setTextInteractionFlags(Qt::NoTextInteraction);
  status_->installEventFilter(this);
  pauseButton_ = new QPushButton("Pause", this);
  pauseButton_->setObjectName("PauseButton");
  auto* resetButton = new QPushButton("Reset", this);
  resetButton->setObjectName("ResetButton");
  auto* stopButton = new QPushButton("Stop", this);
  stopButton->setObjectName("StopButton");
  showButton_ = new QPushButton("Show in Listing", this);
  showButton_->setObjectName("ShowButton");
  auto* keysButton = new QPushButton("Keys...", this);
  keysButton->setObjectName("KeysButton");
  // The keys belong to the game: no button takes the focus from the window.
  for (QPushButton* b : {pauseButton_, resetButton, stopButton, showButton_, keysButton}) {
    b->setFocusPolicy(Qt::NoFocus);
  }
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {pauseButton_, resetButton, stopButton, showButton_, keysButton}) {
    buttons->addWidget(b);
  }
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(screen_, 1);
  layout->addLayout(buttons);
  layout->addWidget(status_);
  setFocusPolicy(Qt::StrongFocus);

  connect(pauseButton_, &QPushButton::clicked, this, [this] { SetPaused(!paused_); });
  connect(resetButton, &QPushButton::clicked, this, &TRunWindow::Reset);
  connect(stopButton, &QPushButton::clicked, this, &TRunWindow::Stop);
  connect(showButton_, &QPushButton::clicked, this, &TRunWindow::ShowInListing);
  connect(keysButton, &QPushButton::clicked, this, &TRunWindow::KeysClick);
  // The timer looks in often; the clock says how many frames are due, so that the game keeps
  // the machine's pace whatever the timer's jitter.
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(4);
  connect(&timer_, &QTimer::timeout, this, &TRunWindow::Tick);
  SetPaused(false);
}

TRunWindow::~TRunWindow() = default;

void TRunWindow::SetPaused(bool paused) {
  paused_ = paused;
  pauseButton_->setText(paused ? "Resume" : "Pause");
  showButton_->setEnabled(paused);
  if (paused) {
    timer_.stop();
    // The CPU may have stopped inside an instruction: it finishes it, so that PC names the next.
    emulator_->Step();
  } else {
    clock_.start();
    framesDue_ = 0;
    timer_.start();
  }
  ShowStatus();
}

void TRunWindow::Reset() {
  emulator_->Reset();
  ShowScreen();
  ShowStatus();
}

void TRunWindow::Stop() { close(); }

void TRunWindow::Abandon() {
  done_ = true;
  timer_.stop();
  close();
}

void TRunWindow::ShowInListing() {
  if (!paused_) return;
  const int64_t offset = emulator_->RomOffset(emulator_->Registers().PC);
  if (offset >= 0) main_->JumpTo(static_cast<int32_t>(offset));
}

void TRunWindow::SetKeys(const KeyMap& keys) { keys_ = keys; }

void TRunWindow::Tick() {
  const int64_t due = static_cast<int64_t>(clock_.nsecsElapsed() * kFramesPerSecond / 1e9);
  // After a stall (the window dragged, the machine busy) the game goes on from now rather than
  // racing to catch up.
  if (due - framesDue_ > 4) framesDue_ = due - 1;
  if (due <= framesDue_) return;
  while (framesDue_ < due) {
    emulator_->SetButtons(held_);
    emulator_->RunFrame();
    ++framesDue_;
  }
  ShowScreen();
  emit FrameShown();
}

void TRunWindow::ShowScreen() {
  // mGBA's pixels are bytes R, G, B and one unused, in memory order.
  const QImage image(reinterpret_cast<const uchar*>(emulator_->Screen()), kScreenWidth,
                     kScreenHeight, QImage::Format_RGBX8888);
  screen_->Show(image.copy());
  if (!paused_) status_->setText(QString("Running, frame %1").arg(emulator_->FrameCount()));
}

void TRunWindow::ShowStatus() {
  if (!paused_) {
    status_->setText(QString("Running, frame %1").arg(emulator_->FrameCount()));
    return;
  }
  const EmulatorRegisters r = emulator_->Registers();
  const int64_t offset = emulator_->RomOffset(r.PC);
  const auto hex = [](unsigned v, int digits) {
    return QString("%1").arg(v, digits, 16, QChar('0')).toUpper();
  };
  QString place = offset >= 0
                      ? QString::fromStdString(OffsetToBankAddress(static_cast<uint32_t>(offset)))
                      : "RAM " + hex(r.PC, 4);
  status_->setText(QString("Paused at %1 (bank %2)  AF=%3 BC=%4 DE=%5 HL=%6 SP=%7")
                       .arg(place, hex(r.Bank, 2), hex(r.A << 8 | r.F, 4), hex(r.B << 8 | r.C, 4),
                            hex(r.D << 8 | r.E, 4), hex(r.H << 8 | r.L, 4), hex(r.SP, 4)));
}

void TRunWindow::KeysClick() {
  const bool wasPaused = paused_;
  if (!wasPaused) SetPaused(true);
  Ask("Keys",
      {{"Keys for Up, Down, Left, Right, A, B, Start and Select:", RunKeysText(keys_)}},
      [&](const std::vector<std::string>& texts) {
        keys_ = ReadRunKeys(texts[0]);
        SaveRunKeys(keys_);
      },
      this);
  if (!wasPaused) SetPaused(false);
}

void TRunWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F9 && !event->isAutoRepeat()) {
    SetPaused(!paused_);
    return;
  }
  for (int i = 0; i < kButtons; ++i) {
    if (event->key() == keys_[i]) {
      held_ |= kButtonBits[i];
      return;
    }
  }
  QWidget::keyPressEvent(event);
}

void TRunWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  for (int i = 0; i < kButtons; ++i) {
    if (event->key() == keys_[i]) held_ &= static_cast<uint8_t>(~kButtonBits[i]);
  }
}

bool TRunWindow::eventFilter(QObject* watched, QEvent* event) {
  // A click on the status line while paused shows the place in the listing.
  if (watched == status_ && event->type() == QEvent::MouseButtonRelease) ShowInListing();
  return QWidget::eventFilter(watched, event);
}

void TRunWindow::closeEvent(QCloseEvent* event) {
  // Closing the window is a Stop: the log is not lost.
  if (!done_) {
    done_ = true;
    timer_.stop();
    hide();
    if (stopped_) stopped_(emulator_->Log());
  }
  QWidget::closeEvent(event);
}
