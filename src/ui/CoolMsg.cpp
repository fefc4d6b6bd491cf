#include "ui/CoolMsg.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <vector>

#include "model/Failure.h"
#include "ui/Latin1.h"
#include "ui/Resources.h"

namespace {

// n units of unit/div pixels, rounded to the nearest pixel (the dialog-unit conversion).
int Scale(int n, int unit, int div) {
  return (n * unit + div / 2) / div;
}

// The picture with every pixel of its bottom-left pixel's colour (the magenta background) made
// transparent, so that the dialog's face shows through.
QPixmap KeyedPicture(Picture picture) {
  QImage image = LoadPicture(picture).convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) return {};
  const QRgb key = image.pixel(0, image.height() - 1);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (line[x] == key) line[x] = qRgba(0, 0, 0, 0);
  }
  return QPixmap::fromImage(image);
}

// Lays out the message for a width: line breaks where the text has them, then wrapping at word
// boundaries where a line has any and anywhere else, so that a long unbroken text (a path) wraps
// too. Draws it when given a painter; returns the size it takes.
QSize LayOutMessage(const QString& text, const QFont& font, int width, QPainter* painter) {
  QString lines = text;
  lines.replace(QLatin1String("\r\n"), QLatin1String("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  qreal height = 0;
  qreal widest = 0;
  for (const QString& paragraph : lines.split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, font);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      line.setPosition(QPointF(0, height));
      height += line.height();
      widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    if (painter) layout.draw(painter, QPointF());
  }
  return {static_cast<int>(std::ceil(widest)), static_cast<int>(std::ceil(height))};
}

// The message label: its text as given (the label's text() is the whole message), drawn by
// LayOutMessage.
class TMessageLabel : public QLabel {
 public:
  using QLabel::QLabel;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override {
    return LayOutMessage(text(), font(), width, nullptr).height();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    LayOutMessage(text(), font(), width(), &painter);
  }
};

struct ButtonDef {
  const char* name;
  QString caption;
  int answer;  // the dialog's result when pressed
};

// One message box: laid out as the standard one-button box for a 32 x 32 icon place, then made
// 16 pixels wider with the 48 x 48 picture, the text moved 16 and the buttons 8 to the right.
class TCoolMsgForm : public QDialog {
 public:
  TCoolMsgForm(const QString& title, const QString& text, Picture picture,
               const std::vector<ButtonDef>& buttons, QWidget* parent)
      : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint) {
    setModal(true);
    const QFont font = QApplication::font("QMessageBox");
    setFont(font);
    const QFontMetrics metrics(font);

    // Dialog units of the message font: the average width of the 52 letters and their height.
    const int cx = metrics.horizontalAdvance(
                       QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                   52;
    const int cy = metrics.height();
    const int marginX = Scale(8, cx, 4);
    const int marginY = Scale(8, cy, 8);
    const int iconSpace = Scale(10, cx, 4);
    const int textToButton = Scale(10, cy, 8);
    const int buttonWidth = Scale(50, cx, 4);
    const int buttonHeight = Scale(14, cy, 8);
    const int buttonGap = Scale(4, cx, 4);
    const int iconPlace = 32;

    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    // The text wraps so that the whole box, picture and margins included, stays within half
    // the screen's width.
    const int chrome = 2 * marginX + iconPlace + iconSpace + 16;
    const QSize textSize =
        LayOutMessage(text, font, std::max(screenRect.width() / 2 - chrome, 8 * cx), nullptr);
    const QRect textRect(QPoint(), textSize);

    const int blockWidth = textRect.width() + iconPlace + iconSpace;
    const int blockHeight = std::max(textRect.height(), iconPlace);
    const int count = static_cast<int>(buttons.size());
    const int buttonsWidth = count * buttonWidth + (count - 1) * buttonGap;
    int clientWidth = std::max(blockWidth, buttonsWidth) + 2 * marginX;
    const int clientHeight = blockHeight + buttonHeight + textToButton + 2 * marginY;

    Image = new QLabel(this);
    Image->setObjectName("Image");
    Image->setGeometry(marginX, marginY, iconPlace, iconPlace);

    Message = new TMessageLabel(this);
    Message->setObjectName("Message");
    Message->setTextFormat(Qt::PlainText);
    Message->setWordWrap(true);
    Message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Message->setText(text);
    Message->setGeometry(marginX + iconPlace + iconSpace, marginY, textRect.width(),
                         textRect.height());

    int buttonX = (clientWidth - buttonsWidth) / 2;
    const int buttonY = marginY + blockHeight + textToButton;
    for (const ButtonDef& def : buttons) {
      auto* button = new QPushButton(def.caption, this);
      button->setObjectName(def.name);
      button->setGeometry(buttonX, buttonY, buttonWidth, buttonHeight);
      const int answer = def.answer;
      connect(button, &QPushButton::clicked, this, [this, answer] { done(answer); });
      buttonX += buttonWidth + buttonGap;
      Buttons.push_back(button);
    }
    Buttons.front()->setDefault(true);
    Buttons.front()->setFocus();

    // Centred on the screen; a box taller than the screen keeps its title bar on it.
    move(screenRect.x() + (screenRect.width() - clientWidth) / 2,
         screenRect.y() + std::max(0, (screenRect.height() - clientHeight) / 2));

    // Room for the larger picture: the box grows to the right, everything keeps its place but
    // the text, which moves clear of the picture, and the buttons, which stay centred.
    clientWidth += 16;
    setFixedSize(clientWidth, clientHeight);
    Image->resize(48, 48);
    Image->setPixmap(KeyedPicture(picture));
    Message->move(Message->x() + 16, Message->y());
    for (QPushButton* button : Buttons) button->move(button->x() + 8, button->y());

    setWindowTitle(title);
  }

  QLabel* Image = nullptr;
  QLabel* Message = nullptr;
  std::vector<QPushButton*> Buttons;
};

void ShowBox(const QString& title, const QString& text, Picture picture, QWidget* parent) {
  TCoolMsgForm form(title, text, picture, {{"OK", QStringLiteral("Okay"), QDialog::Accepted}},
                    parent);
  form.exec();
}

}  // namespace

void ShowInfo(const std::string& text, QWidget* parent) {
  ShowBox(QStringLiteral("Info"), MessageText(text), Picture::Info, parent);
}
void ShowError(const std::string& text, QWidget* parent) {
  ShowBox(QStringLiteral("Error"), MessageText(text), Picture::Err, parent);
}
void ShowWarning(const std::string& text, QWidget* parent) {
  ShowBox(QStringLiteral("Warning"), MessageText(text), Picture::Warn, parent);
}
void ShowDefaultError(const std::string& text, QWidget* parent) {
  ShowBox(QStringLiteral("Velmora"), MessageText(DefaultErrorBoxText(text)), Picture::Err, parent);
}

namespace {

// A question in the warning box, answered by the index of the button pressed; Escape and the
// frame's close button answer as the last button. Enter presses the first button, or the last
// when `lastIsDefault` (a question whose safe answer is to leave things as they are).
size_t Ask(const QString& text, const std::vector<ButtonDef>& buttons, bool lastIsDefault,
           QWidget* parent) {
  TCoolMsgForm form(QStringLiteral("Velmora"), text, Picture::Warn, buttons, parent);
  if (lastIsDefault) {
    form.Buttons.back()->setDefault(true);
    form.Buttons.back()->setFocus();
  }
  const int answer = form.exec();
  for (size_t i = 0; i + 1 < buttons.size(); ++i) {
    if (buttons[i].answer == answer) return i;
  }
  return buttons.size() - 1;
}

}  // namespace

SaveAnswer AskSaveChanges(const std::string& fileName, QWidget* parent) {
  static constexpr SaveAnswer kAnswers[] = {SaveAnswer::Save, SaveAnswer::DontSave,
                                            SaveAnswer::Cancel};
  return kAnswers[Ask("Save changes to " + MessageText(fileName) + "?",
                      {{"Save", QStringLiteral("Save"), 10},
                       {"DontSave", QStringLiteral("Don't Save"), 11},
                       {"Cancel", QStringLiteral("Cancel"), QDialog::Rejected}},
                      false, parent)];
}

bool AskYesNo(const std::string& text, QWidget* parent) {
  return Ask(MessageText(text),
             {{"Yes", QStringLiteral("Yes"), 10}, {"No", QStringLiteral("No"), QDialog::Rejected}},
             true, parent) == 0;
}

YesNoCancel AskYesNoCancel(const std::string& text, QWidget* parent) {
  static constexpr YesNoCancel kAnswers[] = {YesNoCancel::Yes, YesNoCancel::No,
                                             YesNoCancel::Cancel};
  return kAnswers[Ask(MessageText(text),
                      {{"Yes", QStringLiteral("Yes"), 10},
                       {"No", QStringLiteral("No"), 11},
                       {"Cancel", QStringLiteral("Cancel"), QDialog::Rejected}},
                      true, parent)];
}

bool RunCommand(const std::function<void()>& command, QWidget* parent) {
  try {
    command();
    return true;
  } catch (const Failure& f) {
    switch (f.kind) {
      case FailureKind::Info:
        ShowInfo(f.text, parent);
        break;
      case FailureKind::Warning:
        ShowWarning(f.text, parent);
        break;
      case FailureKind::Error:
        ShowError(f.text, parent);
        break;
    }
  } catch (const RunTimeError& e) {
    // The file's name and the note (which may hold a path) on lines of their own, in the
    // platform's file-name encoding.
    QString text = Latin1(DefaultErrorBoxText(e.text));
    if (!e.fileName.empty()) text += QLatin1Char('\n') + QFile::decodeName(e.fileName.c_str());
    if (!e.note.empty()) text += QLatin1Char('\n') + QFile::decodeName(e.note.c_str());
    ShowBox(QStringLiteral("Velmora"), text, Picture::Err, parent);
  } catch (const std::bad_alloc&) {
    // A file or block too big for memory ends the command, not the program with its edits.
    ShowDefaultError("Out of memory", parent);
  } catch (const std::exception& e) {
    ShowDefaultError(e.what(), parent);
  }
  return false;
}

std::optional<std::string> FailureText(const std::function<void()>& command) {
  std::string text;
  try {
    command();
    return std::nullopt;
  } catch (const Failure& f) {
    text = f.text;
  } catch (const RunTimeError& e) {
    text = DefaultErrorBoxText(e);
  } catch (const std::bad_alloc&) {
    text = "Out of memory.";
  } catch (const std::exception& e) {
    text = DefaultErrorBoxText(std::string(e.what()));
  }
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
    text.replace(at, 1, "; ");
  }
  return text;
}
