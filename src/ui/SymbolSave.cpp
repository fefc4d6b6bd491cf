#include "ui/SymbolSave.h"

#include <sys/stat.h>

#include "model/FileRead.h"
#include "model/FileWrite.h"
#include "model/Labels.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

void Compose(const AppState& state, SymbolSave& save, size_t target) {
  std::vector<const SymbolFile*> files;
  for (const SymbolFile& f : save.files) files.push_back(&f);
  save.texts = ComposeSymbolFiles(files, target, state.labels, state.marks, state.comments);
}

}  // namespace

std::optional<SymbolSave> PlanSymbolSave(const AppState& state, QWidget* parent) {
  const Rom& rom = state.rom;
  const std::vector<std::string> candidates =
      SymFileCandidates(rom.RomFileName, state.ProgramFolder, rom.RomTitle);
  const std::string& beside = candidates.front();
  const std::string& shared = candidates.back();
  const std::string overlay = OverlaySymFileName(rom.RomFileName);

  SymbolSave save;
  save.files = state.symbolFiles;
  save.known = save.files.size();
  if (save.files.empty()) {
    save.files.emplace_back();
    save.files.back().Name = beside;
  }
  size_t target = 0;
  for (size_t i = 0; i < save.files.size(); ++i) {
    if (save.files[i].Name == overlay) target = i;
  }
  Compose(state, save, target);

  // The ROM's own file stays first; new files go after it.
  const auto own = [&]() -> SymbolFile& { return save.files.front(); };
  if (own().Name != overlay && own().LinkerGenerated() && save.texts.front() != own().Text) {
    const std::string name = BaseName(own().Name);
    const YesNoCancel answer = AskYesNoCancel(
        name + " was written by rgblink, and the next build writes it anew. Save the symbols "
               "into it anyway?\n\nNo leaves " + name + " as it is and saves what is new into " +
               BaseName(overlay) + " beside the ROM, which is read after it.",
        parent);
    if (answer == YesNoCancel::Cancel) return std::nullopt;
    if (answer == YesNoCancel::No) {
      if (target == 0) {
        save.files.emplace_back();
        save.files.back().Name = overlay;
        target = save.files.size() - 1;
        Compose(state, save, target);
      }
      save.texts.front() = own().Text;
    }
  }
  if (own().Name == shared && shared != beside && save.texts.front() != own().Text) {
    const YesNoCancel answer = AskYesNoCancel(
        BaseName(shared) + " in the program's folder may hold the labels of other ROMs too. "
        "Save the symbols into it?\n\nNo saves them beside the ROM as " + BaseName(beside) +
        " instead, which is read in its place from then on.",
        parent);
    if (answer == YesNoCancel::Cancel) return std::nullopt;
    if (answer == YesNoCancel::No) {
      if (Exists(beside) &&
          !AskYesNo(BaseName(beside) + " exists already beside the ROM. Replace it?", parent)) {
        return std::nullopt;
      }
      own().Name = beside;
    }
  }

  save.write.resize(save.files.size());
  for (size_t i = 0; i < save.files.size(); ++i) {
    const bool moved = i < save.known && save.files[i].Name != state.symbolFiles[i].Name;
    save.write[i] = save.texts[i] != save.files[i].Text || (moved && !save.texts[i].empty());
  }
  return save;
}

std::vector<std::string> WriteSymbolSave(AppState& state, SymbolSave save) {
  std::vector<std::string> written;
  std::vector<bool> saved(save.files.size());
  // The files as they stand: the ones written as written, the others as read; a new file only
  // once it is written.
  const auto settle = [&] {
    std::vector<SymbolFile> files;
    for (size_t i = 0; i < save.files.size(); ++i) {
      if (saved[i]) {
        files.push_back(std::move(save.files[i]));
      } else if (i < save.known) {
        files.push_back(std::move(state.symbolFiles[i]));
      }
    }
    state.symbolFiles = std::move(files);
  };
  for (size_t i = 0; i < save.files.size(); ++i) {
    if (!save.write[i]) continue;
    SymbolFile& file = save.files[i];
    try {
      SaveFileSafely(file.Name, save.texts[i].data(), save.texts[i].size());
    } catch (...) {
      settle();
      throw;
    }
    // The lines as written: what the next save and the unsaved-changes mark compare with.
    LabelTables labels;
    RomMarks marks;
    RomComments comments;
    file = ReadSymbolText(std::move(save.texts[i]), file.Name, state.rom.BankCount,
                          {labels, marks, comments});
    saved[i] = true;
    written.push_back(file.Name);
  }
  settle();
  return written;
}
