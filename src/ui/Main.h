#pragma once
// TMainForm: the main window: the listing with its scroll bar and status bar, the main menu and
// the listing's popup menu, and the file commands.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

#include "isa/Listing.h"
#include "model/Edit.h"
#include "model/RomChange.h"
#include "search/History.h"
#include "ui/CommandHost.h"
#include "ui/FileDialogs.h"
#include "ui_Main.h"

class QLabel;
class QMenu;
class QUndoStack;
class TFileWatch;
class TRecentRoms;
class TFindAllForm;
class TReferencesForm;
class TRomMapForm;
class TStatusReport;
class TTraceRunner;
struct WorkspaceSaved;
class TTextCommands;
class TAnnotateCommands;
class TTileCommands;
class TRunCommands;
struct AppState;
struct RefPlace;
struct FindAllResult;
struct SearchOutcome;
struct SymbolWrite;
struct WorkspaceFile;
struct WorkspaceSources;

// The references to the place of a label line: those whose bank is known, and the calls from
// bank 0 whose bank is unknown that may lead there (`call?`).
struct LabelRefCount {
  size_t Sure = 0;
  size_t Maybe = 0;
  bool operator==(const LabelRefCount&) const = default;
};

class TMainForm : public QMainWindow, public TCommandHost {
  Q_OBJECT
 public:
  // Plays the splash while it is being created.
  explicit TMainForm(AppState& state, QWidget* parent = nullptr);
  ~TMainForm() override;

  // What the dialogs work on.
  AppState& State() override { return state_; }
  QMainWindow* Window() override { return this; }
  // The file offset of the selected line; line 0 when no line is selected.
  int32_t SelectedOffset() const override;
  // Rebuilds the listing from the start offset, keeping the selected line index.
  void UpdateList() override;
  // Shows the listing from an offset (brought into the scroll range) with line 0 selected.
  void ShowOffset(int32_t offset);
  // Every jump of the listing goes through here: the place it leaves is recorded for Back, then
  // the listing is shown from the offset (ShowOffset).
  void JumpTo(int32_t offset) override;
  // The start offset and selected line shown now, and the way back to such a place.
  Place CurrentPlace() const override;
  void ShowPlace(const Place& place);

  // Every command that changes bytes of the ROM (or RomSize) makes one undo step, through one of
  // these two, and the unsaved-changes question follows the undo stack:
  //   Rom& rom = State().rom;
  //   RunEdit("Fix Checksums", [&] { ApplyRomChange(rom, FixChecksums(rom)); });
  // runs a core operation that writes through Rom::SetByte or ApplyRomChange (and may set RomSize
  // and BankCount) inside RunCommand: on a failure its box shows, the image is as it was and no
  // step is made; returns whether it succeeded. PushEdit takes a step that a dialog has already made with
  // RecordEdit. A step that changed nothing is dropped. Both refill the listing (and the scroll
  // range when the size changed); undo and redo then show the step's first changed byte.
  // `made`, when given, sees the step before it goes on the stack (what a command reports).
  bool RunEdit(const QString& caption, const std::function<void()>& command,
               const std::function<void(const EditStep&)>& made = {}) override;
  void PushEdit(const QString& caption, EditStep step);
  // Tools > Rom Extender from the dialog's result on: the extension as one undo step, then the
  // status report.
  void ExtendRomBy(RomChange extension);
  // A new ROM in the image: the undo stack is emptied, and the image counts as saved.
  void ClearUndo();
  // For a change that no undo step records: unsaved until the next save or load, whatever is
  // undone meanwhile.
  void MarkModified();
  // Whether anything differs from what was last saved or loaded: the ROM's bytes, or the labels,
  // comments and marks against their symbol files.
  bool Modified() const;
  // The ROM's bytes alone: a byte step lies between the stack's saved state and where it stands.
  bool RomModified() const;
  // The labels, comments and marks alone.
  bool SymbolsModified() const;

  // Loads a ROM file as Load Rom does after its dialog: the question about unsaved changes
  // first, a failure shown in its box. The command line, a drop and File > Recent ROMs come here.
  // Returns true when the ROM was loaded.
  bool LoadRomNamed(const QString& fileName);
  // Applies a patch file to the ROM as one undo step, and reports it (Apply Patch after its
  // dialog, a dropped patch after its question).
  void ApplyPatchFile(const std::string& file);

  // The labels or the code/data/text marks changed: the trace is made again (the ROM's bytes are
  // traced again after every undo step by themselves).
  void Retrace();
  TTraceRunner* Tracer() const { return trace_; }
  // The reference count shown on a line of the listing (none where none is shown).
  LabelRefCount LabelReferenceCount(int line) const;
  // Search > References for a place: its window, in place of the one open before.
  void ShowReferences(RefPlace place);

  // The listing as it stands.
  const Listing& CurrentListing() const override { return listing_; }
  const std::vector<int32_t>& LineOffsets() const { return listing_.LineOffsets; }
  int VisibleLines() const { return visibleLines_; }
  int StartOffset() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // The mouse's back and forward buttons.
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // File menu.
  void LoadRom1Click();
  void Save1Click();
  void SaveAs1Click();
  void SaveSymbols1Click();
  // File > Load Symbols... reads a symbol file as a dropped one is read; Save Symbols As...
  // writes every label, comment and mark into one file of the user's choosing, a copy: the
  // files they were read from stay the ROM's (MainSymbolFiles.cpp).
  void AddSymbolFileItems();
  void LoadSymbols1Click();
  void SaveSymbolsAs1Click();
  // A symbol file (dropped or chosen) read as the loaded ROM's labels, comments and marks.
  void OpenSymbolFile(const QString& fileName);
  void ExportPatch1Click();
  void ApplyPatch1Click();
  void ExportSource1Click();
  void Quit1Click();
  // Search, View and Tools: the dialogs that these open are built elsewhere.
  void Goto1Click();
  void Bytes1Click();
  void Instruction1Click();
  void Again1Click();
  void Follow1Click();
  void Back1Click();
  void Forward1Click();
  void References1Click();
  void Bin1Click(int tag);
  void Labels1Click();
  void RomMap1Click();
  void CodeEditor1Click();
  void ChangeInstruction1Click();
  void RomInfo1Click();
  void FixChecksums1Click();
  void RomExtender1Click();
  // Help menu.
  void Z80ProgrammingTutorial1Click();
  void AsmSchool1Click();
  void Z80Instructionsetsummary1Click();
  void About1Click();

  // The listing.
  void FormResize();
  void ScrollerScroll();
  void ListClick();
  void ListKeyDown(int key);
  void ListDrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
  void ListContextPopup(const QPoint& pos);
  void ListWheel(int notches);

  // The trace and the windows that show it, set up once; closed when another ROM is loaded.
  void SetUpAnalysis();
  void CloseAnalysisWindows();
  // For each line of the listing, the number of references to a label line's place; 0 for other
  // lines and for label lines followed by another label line.
  void CountLabelReferences();

  // Sets the scroll position without it counting as the user's scrolling.
  void SetStartOffset(int64_t offset);
  void ShowSelectedOffset();
  void EnableMenus(bool enabled);
  // The scroll range for the loaded size.
  void SetScrollRange();
  // After an undo or redo: the step's first changed byte, in a rebuilt listing.
  void ShowEdit(const EditStep& step);
  // After every change of the ROM's bytes (an edit, an undo, a redo): the caption's title
  // follows, and the status bar's last report goes. (The open Find All results follow every
  // step of the undo stack.)
  void RomChanged();
  // After a search: the listing at the hit, or the message of a miss.
  void ShowSearchOutcome(const SearchOutcome& outcome);
  // The load itself, without the question: the ROM file, then the files that belong to it (the
  // workspace's load). A symbol file that cannot be read still leaves the ROM shown with the
  // labels read before it, and the error is shown after.
  // A reload that the file watch started (`watched`) reports its failures more quietly.
  bool OpenRom(const QString& fileName, bool watched = false);
  // The loaded ROM's symbol file: the one dropped on the window, else the one found for it.
  std::string SymFileToRead() const;
  // Where the workspace's files come from: the symbol file dropped on the window, else the ones
  // found for the ROM.
  WorkspaceSources Sources() const;
  // Reads the loaded ROM's symbol files into the labels, marks and comments (throws as
  // LoadSymbolFile does); the lines skipped are said in the status bar.
  void ReadSymbols();
  // Whether the symbol files were read whole (SymbolsNotRead), after they were read.
  void NoteSymbolsRead(const std::vector<WorkspaceFile>& files);
  void ReportSkippedSymbols();
  // Watches the loaded ROM and the symbol files it may have.
  void WatchFiles();
  // A file dropped on the window: a symbol file (.sym) is read as the loaded ROM's labels, a
  // patch (.ips, .bps) is applied after a question, anything else is loaded as a ROM.
  void OpenDropped(const QString& fileName);
  // The loaded file or its symbol file changed on disk.
  void RomFileChanged();
  void SymFileChanged();
  // Find All from a search dialog: its results window, in place of the one open before.
  void ShowFindAll(FindAllResult result);
  // The status bar's panels for unsaved changes and a read-only file.
  void ShowFileState();
  // After a save that tried the ROM: its failure in a box (with `note` added to a file that may
  // not be written, when not nullptr), the unsaved-changes mark cleared when it was written.
  bool ShowRomSaved(const WorkspaceSaved& saved, const char* note);
  // Save: the ROM to its file, and the symbols to theirs when they changed (the symbols' questions
  // first: a Cancel there saves nothing). With only the symbols changed, the ROM is left alone.
  bool SaveLoaded();
  // Save Symbols: false when the user cancels or a file cannot be written.
  bool SaveSymbols();
  // After a save that wrote the symbol files: its failure in a box, what was written said.
  bool ShowSymbolsSaved(const WorkspaceSaved& saved);
  // Save As: the ROM under the new name and its symbols beside it; from then on the ROM is that
  // file. False when the user cancels or the ROM cannot be written.
  bool SaveRomAs(const QString& fileName);
  // After the symbol files were read again from disk, the undo steps of labels, comments and
  // marks would name what is no longer there: the stack is emptied when it holds any (the ROM's
  // unsaved bytes stay unsaved).
  void DropSymbolSteps();
  // Asks about unsaved changes; false when the user cancels (or the save fails).
  bool SaveChangesFirst();

  Ui::TMainForm ui;
  AppState& state_;
  QMenu* Pop = nullptr;
  QLabel* Panel0 = nullptr;
  QLabel* Panel1 = nullptr;
  QLabel* Panel2 = nullptr;
  QLabel* PanelWhy = nullptr;
  TStatusReport* report_ = nullptr;
  TRomFileAsk OpenDlg{this, QFileDialog::AcceptOpen, "OpenDlg"};
  TRomFileAsk SaveDlg{this, QFileDialog::AcceptSave, "SaveDlg"};
  TRecentRoms* recent_ = nullptr;
  TFileWatch* watch_ = nullptr;
  QFont codeFont_;
  Listing listing_;
  int visibleLines_ = 0;
  QUndoStack* undoStack_ = nullptr;
  History history_;
  QPointer<TFindAllForm> findAll_;
  TTextCommands* text_ = nullptr;
  TAnnotateCommands* annotate_ = nullptr;
  TTileCommands* tiles_ = nullptr;
  TRunCommands* run_ = nullptr;
  std::string loadedName_;   // the file of the ROM loaded last
  std::string droppedSym_;   // a symbol file dropped on that ROM, or ""
  bool reloadFailed_ = false;  // a reload started by the watch failed, and was said so
  TTraceRunner* trace_ = nullptr;
  QPointer<TReferencesForm> references_;
  QPointer<TRomMapForm> romMap_;
  std::vector<LabelRefCount> labelCounts_;
};
