#include "ui/TileCommands.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

#include "gfx/ImageBlock.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "ui/AppState.h"
#include "ui/AskForm.h"
#include "ui/CoolMsg.h"
#include "ui/Latin1.h"
#include "ui/Main.h"
#include "ui/TilePane.h"

TTileCommands::TTileCommands(TMainForm* main, const Menus& menus,
                             std::function<void(const std::optional<SymbolStep>&)> push)
    : QObject(main), main_(main), push_(std::move(push)) {
  setObjectName("TileCommands");
  pane_ = new TTilePane(main->State(), main);
  main->addDockWidget(Qt::RightDockWidgetArea, pane_);
  pane_->hide();
  TilesView1 = pane_->toggleViewAction();
  TilesView1->setObjectName("TilesView1");
  TilesView1->setText("T&iles");
  TilesView1->setShortcut(QKeySequence("Ctrl+Shift+I"));
  menus.View->addAction(TilesView1);
  connect(pane_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) pane_->ShowFrom(static_cast<uint32_t>(main_->SelectedOffset()));
  });
  connect(pane_, &TTilePane::TileClicked, this,
          [this](uint32_t offset) { main_->JumpTo(static_cast<int32_t>(offset)); });
  connect(pane_, &TTilePane::RowsScrolled, this, [this](int rows) {
    const int64_t to = int64_t{pane_->Start()} + int64_t{rows} * pane_->RowBytes();
    const int64_t last = int64_t{main_->State().rom.RomSize} - 1;
    main_->ShowOffset(static_cast<int32_t>(std::clamp<int64_t>(to, 0, std::max<int64_t>(last, 0))));
  });

  MarkImage1 = new QAction("Mark as &Image...", main);
  MarkImage1->setObjectName("MarkImage1");
  const QList<QAction*> edit = menus.Edit->actions();
  const qsizetype after = edit.indexOf(menus.EditAfter);
  menus.Edit->insertAction(after >= 0 && after + 1 < edit.size() ? edit[after + 1] : nullptr,
                           MarkImage1);
  connect(MarkImage1, &QAction::triggered, this, &TTileCommands::MarkImage1Click);

  ImportImage1 = new QAction("&Import Image...", main);
  ImportImage1->setObjectName("ImportImage1");
  menus.Tools->addAction(ImportImage1);
  connect(ImportImage1, &QAction::triggered, this, &TTileCommands::ImportImage1Click);
}

void TTileCommands::Enable(bool enabled) { MarkImage1->setEnabled(enabled); }

void TTileCommands::SelectionChanged(uint32_t offset) { pane_->ShowFrom(offset); }

void TTileCommands::MarkImage1Click() {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  const auto offset = static_cast<uint32_t>(main_->SelectedOffset());
  // An image block marked again keeps its shape as the offered one; else the pane's.
  ImageShape shape{static_cast<uint16_t>(pane_->Layout().WidthTiles * 8), pane_->Layout().Bits, {}};
  if (const MarkBlock* b = state.marks.BlockAt(offset); b && b->Kind == MarkKind::Image) shape = b->Image;
  const auto length = [&](const std::vector<std::string>& texts) {
    return ParseRangeLength(texts[0], offset, state.rom.RomSize, state.labels);
  };
  Ask("Mark as Image",
      {{"From " + Latin1(OffsetToBankAddress(offset)) + " to (last byte's place, or +length):", ""},
       {"Tiles a row (1-32) and bits a pixel (1bpp or 2bpp):", ImageShapeText(shape)}},
      [&](const std::vector<std::string>& texts) {
        const uint32_t bytes = length(texts);
        ImageShape typed = ParseImageShape(texts[1]);
        if (typed.Width == shape.Width && typed.Bits == shape.Bits) typed.Extra = shape.Extra;
        push_(MarkEditStep(state.marks, offset, bytes, MarkKind::Image, typed));
      },
      main_, [&](const std::vector<std::string>& texts) { return RangeText(offset, length(texts)); });
}

void TTileCommands::ImportImage1Click() {
  AppState& state = main_->State();
  const auto offset = static_cast<uint32_t>(main_->SelectedOffset());
  const MarkBlock* found = state.marks.BlockAt(offset);
  if (found == nullptr || found->Kind != MarkKind::Image) {
    ShowError("The selected line lies in no image block: Edit > Mark as Image... marks one.",
              main_);
    return;
  }
  const MarkBlock block = *found;
  QFileDialog dialog(main_, "Import Image");
  dialog.setObjectName("ImageDlg");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({"PNG pictures (*.png)", "All Files (*)"});
  const std::string& rom = state.rom.RomFileName;
  if (!rom.empty()) dialog.setDirectory(QFileInfo(QFile::decodeName(rom.c_str())).absolutePath());
  if (dialog.exec() != QDialog::Accepted) return;
  const std::string file = QFile::encodeName(dialog.selectedFiles().value(0)).toStdString();
  std::vector<uint8_t> bytes;
  if (!RunCommand([&] { bytes = ImportImageBytes(block, ReadPngFile(file), pane_->Palette()); },
                  main_)) {
    return;
  }
  main_->RunEdit("Import Image at " + Latin1(OffsetToBankAddress(block.Offset)), [&] {
    for (size_t i = 0; i < bytes.size(); ++i) state.rom.SetByte(int64_t{block.Offset} + int64_t(i), bytes[i]);
  });
  pane_->ShowFrom(static_cast<uint32_t>(main_->SelectedOffset()));
}
