// The label browser: its trees, the Info box of a pick, Show..., the filter.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QPropertyAnimation>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "helpers/ScrollBarSlider.h"
#include "model/LabelTree.h"
#include "model/Labels.h"
#include "ui/LabelEditor.h"
#include "ui/LabelTreeView.h"

namespace {

// The shown tree as text, one node a line, indented by two blanks a level; "+" marks an open
// branch, "-" a closed one.
QString TreeText(const LabelTreeView* tree) {
  QString out;
  const QAbstractItemModel* model = tree->model();
  const std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent,
                                                                int depth) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
      const QModelIndex index = model->index(row, 0, parent);
      const QString mark = !model->hasChildren(index) ? "" : tree->isExpanded(index) ? "+" : "-";
      out += QString(depth * 2, ' ') + mark + index.data().toString() + "\n";
      walk(index, depth + 1);
    }
  };
  walk({}, 0);
  return out;
}

// The same text from the core's tree under a filter, every shown branch open.
QString CoreText(const LabelTree& tree, int32_t node = LabelTree::kRoot, int depth = 0) {
  QString out;
  for (int32_t child : tree.ShownChildren(node)) {
    const QString mark = tree.ShownChildren(child).empty() ? "" : "+";
    out += QString(depth * 2, ' ') + mark + QString::fromLatin1(tree.Text(child).c_str()) + "\n";
    out += CoreText(tree, child, depth + 1);
  }
  return out;
}

// The node at a "."-joined path (a leading "." belongs to the first text), taking the first
// child of each text.
QModelIndex Node(const LabelTreeView* tree, const QString& path) {
  QStringList parts = path.mid(1).split('.');
  parts.front().prepend(path.front());
  QModelIndex found;
  for (const QString& part : parts) {
    const QModelIndexList hits = tree->model()->match(tree->model()->index(0, 0, found),
                                                      Qt::DisplayRole, part, 1, Qt::MatchExactly);
    if (hits.isEmpty()) return {};
    found = hits.front();
  }
  return found;
}

}  // namespace

class LabelEditorTest : public QObject {
  Q_OBJECT

  LabelTables labels_;

  struct Window {
    TLabelEditorForm form;
    LabelTreeView* proc;
    LabelTreeView* var;
    QLabel* name;
    QLabel* address;
    QPushButton* show;
    QLineEdit* filter;
    explicit Window(const LabelTables& labels, const std::string& symFile = "")
        : form(labels, symFile, nullptr),
          proc(form.findChild<LabelTreeView*>("ProcTree")),
          var(form.findChild<LabelTreeView*>("VarTree")),
          name(form.findChild<QLabel*>("NameLabel")),
          address(form.findChild<QLabel*>("AddressLabel")),
          show(form.findChild<QPushButton*>("ShowButton")),
          filter(form.findChild<QLineEdit*>("FilterEdit")) {
      form.show();
      if (!QTest::qWaitForWindowExposed(&form)) qFatal("The label browser did not show");
    }
    // The point of a node in its tree's viewport, once scrolled into view.
    QPoint At(LabelTreeView* tree, const QString& path) {
      const QModelIndex index = Node(tree, path);
      tree->scrollTo(index);
      [&] {
        QVERIFY2(index.isValid(), qPrintable(path));
        QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(index).center()));
      }();
      return tree->visualRect(index).center();
    }
    void Pick(LabelTreeView* tree, const QString& path) {
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, At(tree, path));
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
    labels_.AddRomLabel(0x0300, "Leaf");  // a routine with a local label
    labels_.AddRomLabel(0x0310, "Leaf.Later");
    labels_.AddRomLabel(0x0400, "Twin.A");
    labels_.AddRomLabel(0x0410, "Twin");
    labels_.AddRomLabel(0x0500, ".code_start");
    labels_.AddRomLabel(0x0510, ".a.b");
    labels_.AddRamLabel(0xA010, 2, "Save.Slot");
    labels_.AddRamLabel(0xA000, 0, "Save.First");
    labels_.AddRamLabel(0xC000, 0, "wCounter");
    labels_.AddRamLabel(0xC100, 0, "wCounter");
  }

  void TreesNestAtDotsInTableOrder() {
    Window w(labels_);
    QCOMPARE(TreeText(w.proc),
             "+Sound\n  Init\n  Play\n  +Data\n    x\nMain\n+Gfx\n  +Data\n    y\nMain\n"
             "+Leaf\n  Later\n+Twin\n  A\n.code_start\n+.a\n  b\n");
    QCOMPARE(TreeText(w.var), "+Save\n  Slot\n  First\nwCounter\nwCounter\n");
    QCOMPARE(w.proc->visualRect(Node(w.proc, "Main")).height(), 20);

    // Open and closed branches and leaves have their own pictures.
    const auto looksLike = [&](const QString& path, QStyle::StandardPixmap picture) {
      return Node(w.proc, path).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage() ==
             w.proc->style()->standardIcon(picture).pixmap(16).toImage();
    };
    QVERIFY(looksLike("Sound", QStyle::SP_DirOpenIcon));
    QVERIFY(!looksLike("Sound", QStyle::SP_DirClosedIcon));
    QVERIFY(looksLike("Sound.Init", QStyle::SP_FileIcon));
    w.proc->collapse(Node(w.proc, "Sound"));
    QVERIFY(looksLike("Sound", QStyle::SP_DirClosedIcon));
    w.proc->expand(Node(w.proc, "Sound"));
    QVERIFY(looksLike("Sound", QStyle::SP_DirOpenIcon));

    // A node's tooltip is its full name, and the address when it is a label.
    QCOMPARE(Node(w.proc, "Sound.Data.x").data(Qt::ToolTipRole).toString(),
             "Sound.Data.x\n02:4000 ($008000)");
    QCOMPARE(Node(w.proc, "Sound.Data").data(Qt::ToolTipRole).toString(), "Sound.Data");
    QCOMPARE(Node(w.var, "Save.Slot").data(Qt::ToolTipRole).toString(),
             "Save.Slot\n02:A010 ($004010)");

    // An empty table gives empty trees.
    Window empty{LabelTables()};
    QCOMPARE(empty.proc->model()->rowCount(), 0);
    QCOMPARE(empty.var->model()->rowCount(), 0);
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
        {true, "Sound", "", "", false},  // a branch that is no label changes nothing
        {true, "Sound.Init", "Sound.Init", "01:4150 ($004150)", true},
        {true, "Sound", "Sound.Init", "01:4150 ($004150)", true},
        {false, "Save.Slot", "Save.Slot", "02:A010 ($004010)", false},
        {false, "Save", "Save.Slot", "02:A010 ($004010)", false},
        {true, "Sound.Data.x", "Sound.Data.x", "02:4000 ($008000)", true},
        {false, "Save.First", "Save.First", "00:A000 ($000000)", false},
        {false, "wCounter", "wCounter", "00:C000", false},  // the first of two, a node each
        {true, "Main", "Main", "00:0150 ($000150)", true},
        {true, "Leaf", "Leaf", "00:0300 ($000300)", true},  // a routine with locals
        {true, "Leaf.Later", "Leaf.Later", "00:0310 ($000310)", true},
        {true, "Twin", "Twin", "00:0410 ($000410)", true},  // a routine after its locals
        {true, ".code_start", ".code_start", "00:0500 ($000500)", true},
        {true, ".a", ".code_start", "00:0500 ($000500)", true},
        {true, ".a.b", ".a.b", "00:0510 ($000510)", true},
        {false, "wCounter", "wCounter", "00:C000", false},
        {true, "Sound.Init", "Sound.Init", "01:4150 ($004150)", true},  // picked again
    };
    for (const auto& row : rows) {
      w.Pick(row.rom ? w.proc : w.var, row.path);
      QCOMPARE(w.name->text(), row.name);
      QCOMPARE(w.address->text(), row.address);
      QCOMPARE(w.show->isEnabled(), row.showEnabled);
    }
    // The second label of a name stands for itself, not for the first or the last.
    for (LabelTreeView* tree : {w.proc, w.var}) {
      const QString name = tree == w.proc ? "Main" : "wCounter";
      const QModelIndexList twins = tree->model()->match(tree->model()->index(0, 0),
                                                         Qt::DisplayRole, name, 2, Qt::MatchExactly);
      QCOMPARE(twins.size(), 2);
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(twins[1]).center());
      QCOMPARE(w.address->text(), tree == w.proc ? QString("00:0200 ($000200)") : "00:C100");
    }

    // Moving through a tree by the keyboard picks too.
    w.proc->setFocus();
    w.proc->setCurrentIndex(Node(w.proc, "Sound.Init"));
    QTest::keyClick(w.proc, Qt::Key_Down);
    QCOMPARE(w.name->text(), QString("Sound.Play"));
    QCOMPARE(w.address->text(), QString("01:4200 ($004200)"));
  }

  // Show..., a double-click and Enter on a ROM label close the window with the picked label as
  // the target (the first of the two "Main"); on anything else they leave it open.
  void ShowGivesThePickedLabel() {
    enum How { kButton, kDoubleClick, kEnter, kClose };
    const struct {
      How how;
      bool rom;
      QString path;
      std::optional<int32_t> target;  // none: Close, or the window stays open
      bool closes;
    } rows[] = {
        {kButton, true, "Main", 0x0150, true},
        {kDoubleClick, true, "Sound.Data.x", 0x8000, true},
        {kDoubleClick, true, "Leaf", 0x0300, true},
        {kEnter, true, "Main", 0x0150, true},
        {kEnter, true, "Leaf.Later", 0x0310, true},
        {kDoubleClick, true, "Gfx", std::nullopt, false},
        {kEnter, true, "Gfx.Data", std::nullopt, false},
        {kDoubleClick, false, "wCounter", std::nullopt, false},
        {kEnter, false, "Save.Slot", std::nullopt, false},
        {kClose, true, "Sound.Play", std::nullopt, true},
    };
    for (const auto& row : rows) {
      Window w(labels_);
      LabelTreeView* tree = row.rom ? w.proc : w.var;
      switch (row.how) {
        case kButton:
        case kClose:
          w.Pick(tree, row.path);
          QTest::mouseClick(
              row.how == kButton ? w.show : w.form.findChild<QPushButton*>("FlatButton1"),
              Qt::LeftButton);
          break;
        case kDoubleClick:
          // A double-click reaches a widget as a click followed by a double-click event.
          w.Pick(tree, row.path);
          QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, w.At(tree, row.path));
          break;
        case kEnter:
          tree->setFocus();
          tree->setCurrentIndex(Node(tree, row.path));
          QTest::keyClick(tree, Qt::Key_Return);
          break;
      }
      QVERIFY2(!w.form.isVisible() == row.closes, qPrintable(row.path));
      QCOMPARE(w.form.result(), int(row.target ? QDialog::Accepted : QDialog::Rejected));
      QCOMPARE(w.form.ShowTarget(), row.target);
    }
  }

  // Typing narrows both trees to the labels whose full name holds the text, branches open.
  void FilterNarrowsBothTrees() {
    Window w(labels_);
    const QString allProc = TreeText(w.proc);
    const QString allVar = TreeText(w.var);
    w.proc->collapse(Node(w.proc, "Sound"));
    const struct {
      QString text;
      QString proc;
      QString var;
    } rows[] = {
        {"A.", "+Sound\n  +Data\n    x\n+Gfx\n  +Data\n    y\n+.a\n  b\n", ""},
        {"sa", "", "+Save\n  Slot\n  First\n"},
        {"leaf", "+Leaf\n  Later\n", ""},
        {"COUNTER", "", "wCounter\nwCounter\n"},
        {"start", ".code_start\n", ""},
        {"zz", "", ""},
        {"", allProc, allVar},
    };
    for (const auto& row : rows) {
      w.filter->selectAll();
      if (row.text.isEmpty()) {
        QTest::keyClick(w.filter, Qt::Key_Backspace);
      } else {
        QTest::keyClicks(w.filter, row.text);
      }
      QCOMPARE(TreeText(w.proc), row.proc);
      QCOMPARE(TreeText(w.var), row.var);
    }
    // A pick in a narrowed tree works as before.
    QTest::keyClicks(w.filter, "later");
    w.Pick(w.proc, "Leaf.Later");
    QCOMPARE(w.address->text(), QString("00:0310 ($000310)"));
    // The clear button shows with a text at once, without an animation that repaints the box
    // for a while after every key, and empties it.
    auto* clear = w.filter->findChild<QAction*>("ClearFilter");
    QVERIFY(clear != nullptr);
    QVERIFY(clear->isVisible());
    QVERIFY(w.filter->findChildren<QPropertyAnimation*>().isEmpty());
    clear->trigger();
    QCOMPARE(w.filter->text(), QString());
    QVERIFY(!clear->isVisible());
    QCOMPARE(TreeText(w.proc), allProc);
  }

  // Keystrokes change the rows by what they show and hide, in a tree large enough for runs of
  // rows to come and go at every level: each time the rows are the core's, every branch open,
  // the model's signals consistent; a label picked and still shown stays selected. After an edit
  // of the tables the trees are built anew under the same filter.
  void FilterFollowsTheCoreAndAnEditReloads() {
    LabelTables labels;
    for (int i = 0; i < 400; ++i) {
      labels.AddRomLabel(0x150 + i, "R" + std::to_string(i % 7) + ".l" + std::to_string(i % 5) +
                                        ".x" + std::to_string(i));
      if (i % 9 == 0) labels.AddRomLabel(0x150 + i, "T" + std::to_string(i));
    }
    Window w(labels);
    QAbstractItemModelTester tester(w.proc->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    LabelTree core = BuildRomLabelTree(labels);
    w.Pick(w.proc, "R3.l1.x31");
    const QString texts[] = {"x3", "x31", "r3.l1", "R3.L1.X31", "zz", "1", "l4.x1", "", "t"};
    for (const QString& text : texts) {
      if (text == "1") w.proc->collapse(Node(w.proc, "R1"));  // shown before and after
      w.filter->setText(text);
      core.Filter(text.toStdString());
      QCOMPARE(TreeText(w.proc), CoreText(core));
      const bool picked = text.startsWith("x3") || text.startsWith("r3") || text.startsWith("R3");
      QCOMPARE(w.proc->currentIndex().isValid() &&
                   w.proc->currentIndex().data(Qt::ToolTipRole).toString().startsWith("R3.l1.x31"),
               picked);
    }
    labels.AddRomLabel(0x100, "Added.x");
    w.filter->setText("x");
    w.form.Reload();
    core = BuildRomLabelTree(labels);
    core.Filter("x");
    QCOMPARE(TreeText(w.proc), CoreText(core));
    QVERIFY(TreeText(w.proc).startsWith("+R0"));
    QVERIFY(TreeText(w.proc).contains("+Added\n  x\n"));
    QCOMPARE(w.name->text(), QString());
  }

  // The Info box and Show... hold a label only while the filter shows it.
  void FilterForgetsAHiddenPick() {
    Window w(labels_);
    const struct {
      bool rom;
      QString pick;  // "" picks nothing before the filter
      QString filter;
      QString name;  // in the Info box after the filter
      bool showEnabled;
    } rows[] = {
        {true, "Leaf.Later", "leaf", "Leaf.Later", true},
        {true, "", "main", "", false},
        {true, "Main", "MAIN", "Main", true},
        {true, "", "", "Main", true},
        {false, "wCounter", "count", "wCounter", false},
        {false, "", "sound", "", false},
        {true, "Sound.Init", "", "Sound.Init", true},
    };
    for (const auto& row : rows) {
      if (!row.pick.isEmpty()) w.Pick(row.rom ? w.proc : w.var, row.pick);
      w.filter->setText(row.filter);
      QCOMPARE(w.name->text(), row.name);
      QCOMPARE(w.address->text().isEmpty(), row.name.isEmpty());
      QCOMPARE(w.show->isEnabled(), row.showEnabled);
    }
  }

  // Down in the filter box goes into the first tree that shows a node, on its first row.
  void DownLeavesTheFilterForATree() {
    const struct {
      QString filter;
      bool rom;
      QString current;
      QString name;  // picked by arriving there
    } rows[] = {
        {"main", true, "Main", "Main"},
        {"sa", false, "Save", ""},
        {"", true, "Sound", ""},
    };
    for (const auto& row : rows) {
      Window w(labels_);
      w.form.activateWindow();
      w.filter->setFocus();
      QTest::keyClicks(w.filter, row.filter);
      QTest::keyClick(w.filter, Qt::Key_Down);
      LabelTreeView* tree = row.rom ? w.proc : w.var;
      QTRY_VERIFY(tree->hasFocus());
      QCOMPARE(tree->currentIndex().data().toString(), row.current);
      QCOMPARE(tree->currentIndex().row(), 0);
      QVERIFY(tree->selectionModel()->isSelected(tree->currentIndex()));
      QCOMPARE(w.name->text(), row.name);
    }
  }

  // A long name makes its tree scroll sideways; short ones fill the view.
  void LongNamesScrollSideways() {
    LabelTables labels;
    labels.AddRomLabel(0x150, "Tiny");
    labels.AddRomLabel(0x160, "Long.AnUncommonlyLongLocalLabelNameThatGoesOnAndOn");
    Window w(labels);
    QTRY_VERIFY(w.proc->horizontalScrollBar()->maximum() > 0);
    QTest::keyClicks(w.filter, "tiny");
    QTRY_COMPARE(w.proc->horizontalScrollBar()->maximum(), 0);
    w.filter->clear();
    QTRY_VERIFY(w.proc->horizontalScrollBar()->maximum() > 0);
  }

  // The keyboard and the mouse move through the lines and open and close branches; each
  // opening and closing is signalled, and an arrow's click picks nothing.
  void KeysAndClicksMoveAndOpen() {
    Window w(labels_);
    w.proc->setFocus();
    QSignalSpy expanded(w.proc, &LabelTreeView::expanded);
    QSignalSpy collapsed(w.proc, &LabelTreeView::collapsed);
    const auto fullName = [](const QModelIndex& index) {
      return index.data(Qt::ToolTipRole).toString().section('\n', 0, 0);
    };
    enum How { kKey, kText, kArrow, kDoubleClick };
    const struct {
      How how;
      int key;          // kKey
      QString text;     // kText: typed; kArrow, kDoubleClick: the node
      QString current;  // afterwards
      QString signal;   // "+Sound" expanded, "-Sound" collapsed, "" none
      QString picked;   // the Info box's name afterwards
    } rows[] = {
        {kKey, Qt::Key_Home, "", "Sound", "", ""},
        {kKey, Qt::Key_Down, "", "Sound.Init", "", "Sound.Init"},
        {kKey, Qt::Key_Left, "", "Sound", "", "Sound.Init"},        // up to the parent
        {kKey, Qt::Key_Left, "", "Sound", "-Sound", "Sound.Init"},  // closes it
        {kKey, Qt::Key_Down, "", "Main", "", "Main"},               // over the hidden children
        {kKey, Qt::Key_Up, "", "Sound", "", "Main"},
        {kKey, Qt::Key_Right, "", "Sound", "+Sound", "Main"},       // opens it
        {kKey, Qt::Key_Right, "", "Sound.Init", "", "Sound.Init"},  // into it
        {kKey, Qt::Key_End, "", ".a.b", "", ".a.b"},
        {kText, 0, "tw", "Twin", "", "Twin"},
        {kText, 0, "m", "Main", "", "Main"},  // on from the top
        {kArrow, 0, "Gfx", "Main", "-Gfx", "Main"},
        {kArrow, 0, "Gfx", "Main", "+Gfx", "Main"},
        {kDoubleClick, 0, "Gfx.Data", "Gfx.Data", "-Gfx.Data", "Main"},
        {kKey, Qt::Key_Left, "", "Gfx", "", "Main"},
    };
    for (const auto& row : rows) {
      switch (row.how) {
        case kKey:
          QTest::keyClick(w.proc, static_cast<Qt::Key>(row.key));
          break;
        case kText:
          w.proc->keyboardSearch({});  // a new search, however soon
          QTest::keyClicks(w.proc, row.text);
          break;
        case kArrow: {
          const QPoint at = w.At(w.proc, row.text);
          const int arrow =
              w.proc->visualRect(Node(w.proc, row.text)).left() - w.proc->indentation() / 2;
          QTest::mouseClick(w.proc->viewport(), Qt::LeftButton, {}, QPoint(arrow, at.y()));
          break;
        }
        case kDoubleClick:
          w.Pick(w.proc, row.text);
          QTest::mouseDClick(w.proc->viewport(), Qt::LeftButton, {}, w.At(w.proc, row.text));
          break;
      }
      QCOMPARE(fullName(w.proc->currentIndex()), row.current);
      QString signal;
      if (!expanded.isEmpty()) signal = "+" + fullName(expanded.takeFirst().at(0).toModelIndex());
      if (!collapsed.isEmpty()) signal = "-" + fullName(collapsed.takeFirst().at(0).toModelIndex());
      QCOMPARE(signal, row.signal);
      QVERIFY(expanded.isEmpty() && collapsed.isEmpty());
      QCOMPARE(w.name->text(), row.picked);
    }
  }

  // Moves by the keyboard keep the current line in sight, a page at a time; a node under a
  // closed branch is brought into sight with its branches opened.
  void ScrollingKeepsTheCurrentLineInSight() {
    LabelTables labels;
    for (int i = 0; i < 100; ++i) labels.AddRomLabel(0x150 + i, "L" + std::to_string(i));
    labels.AddRomLabel(0x300, "Deep.Inner.leaf");
    Window w(labels);
    w.proc->collapse(Node(w.proc, "Deep"));
    const int page = w.proc->viewport()->height() / LabelTreeView::kRowHeight;
    const auto inSight = [&](const QModelIndex& index) {
      const QRect rect = w.proc->visualRect(index);
      return rect.isValid() && rect.top() >= 0 && rect.bottom() < w.proc->viewport()->height();
    };
    w.proc->setFocus();
    const struct {
      Qt::Key key;
      int row;  // of the current line, all top-level here
    } rows[] = {
        {Qt::Key_Home, 0},  {Qt::Key_PageDown, page},     {Qt::Key_PageDown, 2 * page},
        {Qt::Key_End, 100}, {Qt::Key_PageUp, 100 - page}, {Qt::Key_Up, 99 - page},
    };
    for (const auto& row : rows) {
      QTest::keyClick(w.proc, row.key);
      QCOMPARE(w.proc->currentIndex().row(), row.row);
      QVERIFY(inSight(w.proc->currentIndex()));
    }
    // A filter hides the current line; with the filter gone, the keyboard goes on from what is
    // in sight, and Home shows the first line.
    w.filter->setText("L5");
    w.filter->clear();
    QVERIFY(!w.proc->currentIndex().isValid());
    w.filter->setFocus();
    QTest::keyClick(w.filter, Qt::Key_Tab);
    QTRY_VERIFY(w.proc->hasFocus());
    QVERIFY(inSight(w.proc->currentIndex()));
    QTest::keyClick(w.proc, Qt::Key_Home);
    QCOMPARE(w.proc->currentIndex().row(), 0);
    QVERIFY(inSight(w.proc->currentIndex()));

    w.proc->collapse(Node(w.proc, "Deep"));
    QVERIFY(!w.proc->visualRect(Node(w.proc, "Deep.Inner.leaf")).isValid());
    w.proc->scrollTo(Node(w.proc, "Deep.Inner.leaf"));
    QVERIFY(w.proc->isExpanded(Node(w.proc, "Deep")));
    QVERIFY(inSight(Node(w.proc, "Deep.Inner.leaf")));
  }

  // The scroll bar on screen is the scroll bar's state: after each move and filter, the slider
  // last drawn is where the bar's value and range put it.
  void ScrollBarShowsItsState() {
    LabelTables labels;
    for (int i = 0; i < 2600; ++i) {
      labels.AddRomLabel(0x150 + i, (i % 5 == 0 ? "Scene" : "Other") + std::to_string(i));
    }
    Window w(labels);
    QScrollBar* bar = w.proc->verticalScrollBar();
    const auto slider = [bar] { return ScrollBarSlider(bar); };
    // The slider as the bar was last drawn.
    struct PaintWatch : QObject {
      std::function<QRect()> slider;
      QRect drawn;
      bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) drawn = slider();
        return false;
      }
    } watch;
    watch.slider = slider;
    bar->installEventFilter(&watch);
    w.proc->setFocus();
    const struct {
      Qt::Key key;  // or 0
      QString filter;
    } rows[] = {{Qt::Key_End, ""},     {Qt::Key_PageUp, ""},    {Qt::Key(0), "s"},
                {Qt::Key(0), "scene"}, {Qt::Key(0), "scene2"},  {Qt::Key(0), ""},
                {Qt::Key_Home, ""},    {Qt::Key(0), "scene25"}, {Qt::Key(0), "scene2"}};
    for (const auto& row : rows) {
      if (row.key != 0) {
        QTest::keyClick(w.proc, row.key);
      } else {
        w.filter->setText(row.filter);
      }
      QTRY_COMPARE(watch.drawn, slider());
    }
  }

  // Each line shows its arrow (branches only), its picture and its text; the selected line is
  // highlighted across; a tooltip gives the model's text.
  void LinesAreDrawnAndTell() {
    Window w(labels_);
    w.Pick(w.proc, "Main");
    const QImage image = w.proc->viewport()->grab().toImage();
    const auto dark = [&](const QString& path, int left, int right) {
      const QRect line = w.proc->visualRect(Node(w.proc, path));
      int count = 0;
      for (int y = line.top(); y <= line.bottom(); ++y) {
        for (int x = line.left() + left; x < line.left() + right; ++x) {
          count += qGray(image.pixel(x, y)) < 128;
        }
      }
      return count;
    };
    const int indent = w.proc->indentation();
    QVERIFY(dark("Sound", -indent, 0) > 0);  // the arrow
    QCOMPARE(dark("Sound.Init", -indent, 0), 0);
    QVERIFY(dark("Sound.Init", 20, 60) > 0);  // the text
    const QRect main = w.proc->visualRect(Node(w.proc, "Main"));
    // Left of the arrow, between the picture and the text, right of the text.
    for (int x : {1, main.left() + 20, w.proc->viewport()->width() - 2}) {
      QCOMPARE(image.pixelColor(x, main.center().y()),
               w.proc->palette().color(QPalette::Highlight));
    }

    const QPoint at = w.At(w.proc, "Sound.Data.x");
    QHelpEvent help(QEvent::ToolTip, at, w.proc->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(w.proc->viewport(), &help);
    QTRY_COMPARE(QToolTip::text(), QString("Sound.Data.x\n02:4000 ($008000)"));
  }

  void TextsAndLook() {
    Window w(labels_);
    QCOMPARE(w.form.windowTitle(), QString("Labels"));
    QCOMPARE(Window(labels_, "/tmp/some folder/game.sym").form.windowTitle(),
             QString("Labels - game.sym"));
    QCOMPARE(w.form.size(), QSize(532, 415));
    QCOMPARE(w.show->text(), QString("Show..."));
    QCOMPARE(w.form.findChild<QPushButton*>("FlatButton1")->text(), QString("Close"));
    QVERIFY(w.form.findChild<QGroupBox*>()->title() == "Info");
    QStringList texts;
    for (const QLabel* label : w.form.findChildren<QLabel*>()) texts << label->text();
    for (const char* text : {"Filter:", "Rom:", "Ram:", "Name:", "Address:"}) {
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
