// The label browser: its trees, the Info box of a pick, and Show... .

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>

#include "model/Labels.h"
#include "ui/LabelEditor.h"

namespace {

// The tree as text, one node a line, indented by two blanks a level; "+" marks a branch.
QString TreeText(const QTreeWidget* tree) {
  QString out;
  const std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* item,
                                                                    int depth) {
    out += QString(depth * 2, ' ') + (item->childCount() ? "+" : "") + item->text(0) + "\n";
    for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
  };
  for (int i = 0; i < tree->topLevelItemCount(); ++i) walk(tree->topLevelItem(i), 0);
  return out;
}

// The node at a "."-joined path, taking the first child of each text.
QTreeWidgetItem* Node(QTreeWidget* tree, const QString& path) {
  QTreeWidgetItem* found = nullptr;
  for (const QString& part : path.split('.')) {
    const int count = found ? found->childCount() : tree->topLevelItemCount();
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < count && !next; ++i) {
      QTreeWidgetItem* child = found ? found->child(i) : tree->topLevelItem(i);
      if (child->text(0) == part) next = child;
    }
    if (!next) return nullptr;
    found = next;
  }
  return found;
}

}  // namespace

class LabelEditorTest : public QObject {
  Q_OBJECT

  LabelTables labels_;

  struct Window {
    TLabelEditorForm form;
    QTreeWidget* proc;
    QTreeWidget* var;
    QLabel* name;
    QLabel* address;
    QPushButton* show;
    explicit Window(const LabelTables& labels)
        : form(labels, nullptr),
          proc(form.findChild<QTreeWidget*>("ProcTree")),
          var(form.findChild<QTreeWidget*>("VarTree")),
          name(form.findChild<QLabel*>("NameLabel")),
          address(form.findChild<QLabel*>("AddressLabel")),
          show(form.findChild<QPushButton*>("ShowButton")) {
      form.show();
    }
    // Picks a node with the mouse, scrolling to it first.
    void Pick(QTreeWidget* tree, const QString& path) {
      QTreeWidgetItem* item = Node(tree, path);
      QVERIFY2(item, qPrintable(path));
      tree->scrollToItem(item);
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
  };

 private slots:
  void initTestCase() {
    labels_.AddRomLabel(0x4150, "Sound.Init");
    labels_.AddRomLabel(0x4200, "Sound.Play");
    labels_.AddRomLabel(0x0150, "Main");
    labels_.AddRomLabel(0x8000, "Sound.Data.x");
    labels_.AddRomLabel(0x8010, "Gfx.Data.y");
    labels_.AddRomLabel(0x0200, "Main");
    labels_.AddRomLabel(0x0300, "Leaf");
    labels_.AddRomLabel(0x0310, "Leaf.Later");
    labels_.AddRomLabel(0x0400, "Twin.A");
    labels_.AddRomLabel(0x0410, "Twin");
    labels_.AddRamLabel(0xA010, 2, "Save.Slot");
    labels_.AddRamLabel(0xA000, 0, "Save.First");
    labels_.AddRamLabel(0xC000, 0, "wCounter");
    labels_.AddRamLabel(0xC100, 0, "wCounter");
  }

  void TreesNestAtDotsInTableOrder() {
    Window w(labels_);
    QCOMPARE(TreeText(w.proc),
             "+Sound\n  Init\n  Play\n  +Data\n    x\nMain\n+Gfx\n  +Data\n    y\nMain\n"
             "+Leaf\n  Later\n+Twin\n  A\nTwin\n");
    QCOMPARE(TreeText(w.var), "+Save\n  Slot\n  First\nwCounter\nwCounter\n");
    QVERIFY(Node(w.proc, "Sound")->isExpanded());
    QVERIFY(Node(w.proc, "Gfx.Data")->isExpanded());
    QCOMPARE(w.proc->visualItemRect(Node(w.proc, "Main")).height(), 20);

    // Open and closed branches and leaves have their own pictures.
    const auto looksLike = [&](QTreeWidgetItem* item, QStyle::StandardPixmap picture) {
      return item->icon(0).pixmap(16).toImage() ==
             w.proc->style()->standardIcon(picture).pixmap(16).toImage();
    };
    QTreeWidgetItem* sound = Node(w.proc, "Sound");
    QVERIFY(looksLike(sound, QStyle::SP_DirOpenIcon));
    QVERIFY(!looksLike(sound, QStyle::SP_DirClosedIcon));
    QVERIFY(looksLike(Node(w.proc, "Sound.Init"), QStyle::SP_FileIcon));
    sound->setExpanded(false);
    QVERIFY(looksLike(sound, QStyle::SP_DirClosedIcon));
    sound->setExpanded(true);
    QVERIFY(looksLike(sound, QStyle::SP_DirOpenIcon));

    // An empty table gives empty trees.
    Window empty{LabelTables()};
    QCOMPARE(empty.proc->topLevelItemCount(), 0);
    QCOMPARE(empty.var->topLevelItemCount(), 0);
  }

  void PickingShowsTheLabelAndSetsShowButton() {
    Window w(labels_);
    QCOMPARE(w.name->text(), QString());
    QCOMPARE(w.address->text(), QString());
    QVERIFY(!w.show->isEnabled());

    const struct {
      bool rom;
      QString path;
      QString name;
      QString address;
      bool showEnabled;
    } rows[] = {
        {true, "Sound", "", "", false},  // a branch changes nothing
        {true, "Sound.Init", "Sound.Init", "01:4150 ($004150)", true},
        {true, "Sound", "Sound.Init", "01:4150 ($004150)", true},
        {false, "Save.Slot", "Save.Slot", "02:A010 ($004010)", false},
        {false, "Save", "Save.Slot", "02:A010 ($004010)", false},
        {true, "Sound.Data.x", "Sound.Data.x", "02:4000 ($008000)", true},
        {false, "Save.First", "Save.First", "00:A000 ($000000)", false},
        {false, "wCounter", "wCounter", "00:C100", false},  // the later of two
        {true, "Main", "Main", "00:0200 ($000200)", true},
        {true, "Leaf", "Main", "00:0200 ($000200)", true},  // a leaf turned branch
        {true, "Leaf.Later", "Leaf.Later", "00:0310 ($000310)", true},
        {true, "Sound.Init", "Sound.Init", "01:4150 ($004150)", true},
        {false, "wCounter", "wCounter", "00:C100", false},
        {true, "Sound.Init", "Sound.Init", "01:4150 ($004150)", true},  // picked again
    };
    for (const auto& row : rows) {
      w.Pick(row.rom ? w.proc : w.var, row.path);
      QCOMPARE(w.name->text(), row.name);
      QCOMPARE(w.address->text(), row.address);
      QCOMPARE(w.show->isEnabled(), row.showEnabled);
    }

    // Moving through a tree by the keyboard picks too.
    w.proc->setFocus();
    w.proc->setCurrentItem(Node(w.proc, "Sound.Init"));
    QTest::keyClick(w.proc, Qt::Key_Down);
    QCOMPARE(w.name->text(), QString("Sound.Play"));
    QCOMPARE(w.address->text(), QString("01:4200 ($004200)"));
  }

  void ShowGivesTheLastLabelOfTheName() {
    Window w(labels_);
    w.Pick(w.proc, "Main");
    QTest::mouseClick(w.show, Qt::LeftButton);
    QCOMPARE(w.form.result(), int(QDialog::Accepted));
    QVERIFY(!w.form.isVisible());
    QCOMPARE(w.form.ShowTarget(), std::optional<int32_t>(0x0200));

    Window closed(labels_);
    closed.Pick(closed.proc, "Sound.Play");
    QTest::mouseClick(closed.form.findChild<QPushButton*>("FlatButton1"), Qt::LeftButton);
    QCOMPARE(closed.form.result(), int(QDialog::Rejected));
    QVERIFY(!closed.form.isVisible());
    QCOMPARE(closed.form.ShowTarget(), std::nullopt);
  }

  void TextsAndLook() {
    Window w(labels_);
    QCOMPARE(w.form.windowTitle(), QString("Labels"));
    QCOMPARE(w.form.size(), QSize(532, 415));
    QCOMPARE(w.show->text(), QString("Show..."));
    QCOMPARE(w.form.findChild<QPushButton*>("FlatButton1")->text(), QString("Close"));
    QVERIFY(w.form.findChild<QGroupBox*>()->title() == "Info");
    QStringList texts;
    for (const QLabel* label : w.form.findChildren<QLabel*>()) texts << label->text();
    for (const char* text : {"Rom:", "Ram:", "Name:", "Address:"}) {
      QVERIFY2(texts.contains(text), text);
    }
    auto* hint = w.form.findChild<QLabel*>("HintLabel");
    QCOMPARE(hint->text(),
             "Hint: Velmora supports No$Gmb compitable sym files. You can place them same folder "
             "as Velmora and give them rom's header name. When you load rom Velmora will "
             "automatically look for this file and load sym info.");
    QVERIFY(hint->wordWrap());
    const QImage image = hint->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() - 3),
             hint->palette().color(QPalette::ToolTipBase));
  }
};

QTEST_MAIN(LabelEditorTest)
#include "LabelEditorTest.moc"
