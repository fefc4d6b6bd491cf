#include "ui/SymbolSave.h"

#include <sys/stat.h>

#include "model/FileRead.h"
#include "model/Labels.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

void Compose(const AppState& state, SymbolWrite& save, const std::vector<bool>& asTheyAre = {}) {
  std::vector<const SymbolFile*> files;
  for (const SymbolFile& f : save.files) files.push_back(&f);
  save.texts = ComposeSymbolFiles(files, save.target, state.labels, state.marks, state.comments,
                                  asTheyAre);
}

std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i != 0) text += i + 1 == names.size() ? " and " : ", ";
    text += BaseName(names[i]);
  }
  return text;
}

}  // namespace

std::optional<SymbolWrite> PlanSymbolSave(AppState& state, QWidget* parent) {
  const Rom& rom = state.rom;
  if (!state.SymbolsNotRead.empty()) {
    ShowError("The symbols were not read whole (" + state.SymbolsNotRead +
                  "), so they are not saved over their files: what was not read would be lost. "
                  "Save the ROM with File > Save As... to keep them in new files beside it, or "
                  "make the file readable and load the ROM again.",
              parent);
    return std::nullopt;
  }
  const std::vector<std::string> candidates =
      SymFileCandidates(rom.RomFileName, state.ProgramFolder, rom.RomTitle);
  const std::string& beside = candidates.front();
  const std::string& shared = candidates.back();
  const std::string overlay = OverlaySymFileName(rom.RomFileName);

  SymbolWrite save;
  save.files = state.symbolFiles;
  save.known = save.files.size();
  if (save.files.empty()) {
    save.files.emplace_back();
    save.files.back().Name = beside;
  }
  for (size_t i = 0; i < save.files.size(); ++i) {
    if (save.files[i].Name == overlay) save.target = i;
  }
  Compose(state, save);

  // The ROM's own file stays first; new files go after it.
  const auto own = [&]() -> SymbolFile& { return save.files.front(); };
  if (own().Name != overlay && own().LinkerGenerated() && save.texts.front() != own().Text) {
    const std::string name = BaseName(own().Name);
    // Asked once a file while the program runs: the answer stands for the saves after it.
    const auto asked = state.LinkerFileAnswers.find(own().Name);
    const YesNoCancel answer =
        asked != state.LinkerFileAnswers.end()
            ? (asked->second ? YesNoCancel::Yes : YesNoCancel::No)
            : AskYesNoCancel(
                  name + " was written by rgblink, and the next build writes it anew. Save the "
                         "symbols into it anyway?\n\nNo leaves " + name +
                      " as it is and saves what is new into " + BaseName(overlay) +
                      " beside the ROM, which is read after it; renames and deletions of its "
                      "labels stay unsaved.",
                  parent);
    if (answer == YesNoCancel::Cancel) return std::nullopt;
    state.LinkerFileAnswers[own().Name] = answer == YesNoCancel::Yes;
    if (answer == YesNoCancel::No) {
      if (save.target == 0) {
        save.files.emplace_back();
        save.files.back().Name = overlay;
        save.target = save.files.size() - 1;
      }
      std::vector<bool> asTheyAre(save.files.size());
      asTheyAre[0] = true;
      Compose(state, save, asTheyAre);
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
  // A file rebuilt since it was read (even a moment ago, before the file watch said so) is not
  // written over without a word.
  const std::vector<std::string> changed = ChangedOnDisk(save, state.symbolFiles);
  if (!changed.empty() &&
      !AskYesNo(NameList(changed) + (changed.size() == 1 ? " has" : " have") +
                    " changed on disk since the symbols were read. Write the labels, comments "
                    "and marks over " + (changed.size() == 1 ? "it" : "them") +
                    " all the same?\n\nNo saves nothing, and your changes stay unsaved.",
                parent)) {
    return std::nullopt;
  }
  return save;
}

std::optional<SymbolWrite> PlanSymbolSaveAs(const AppState& state, const std::string& romFileName,
                                            QWidget* parent) {
  const Rom& rom = state.rom;
  const std::string overlay = OverlaySymFileName(rom.RomFileName);
  SymbolWrite save;
  save.files = state.symbolFiles;
  if (save.files.empty()) save.files.emplace_back();
  for (size_t i = 0; i < save.files.size(); ++i) {
    SymbolFile& file = save.files[i];
    if (file.Name == overlay) {
      save.target = i;
      file.Name = OverlaySymFileName(romFileName);
    } else {
      file.Name = SymFileCandidates(romFileName, state.ProgramFolder, rom.RomTitle).front();
    }
  }
  Compose(state, save);
  // Every file is new there: a file of nothing is left out.
  save.write.resize(save.files.size());
  for (size_t i = 0; i < save.files.size(); ++i) save.write[i] = !save.texts[i].empty();
  const std::vector<std::string> there = ChangedOnDisk(save, {});
  if (!there.empty() &&
      !AskYesNo(NameList(there) + (there.size() == 1 ? " is" : " are") +
                    " there already beside " + BaseName(romFileName) + ". Replace " +
                    (there.size() == 1 ? "it" : "them") +
                    " with the labels, comments and marks?\n\nNo saves nothing.",
                parent)) {
    return std::nullopt;
  }
  return save;
}
