#include "model/SymbolWrite.h"

#include <sys/stat.h>

#include <exception>

#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/FileWrite.h"

std::vector<std::string> ChangedOnDisk(const SymbolWrite& plan,
                                       const std::vector<SymbolFile>& held) {
  std::vector<std::string> changed;
  for (size_t i = 0; i < plan.files.size(); ++i) {
    if (!plan.write[i]) continue;
    const std::string& name = plan.files[i].Name;
    const bool known = i < plan.known && i < held.size();
    // A file saved under another name than it was read from was asked about already.
    if (known && held[i].Name != name) continue;
    struct stat st {};
    const bool there = ::stat(name.c_str(), &st) == 0;
    bool same = !there;
    if (known && held[i].Existed) {
      same = false;
      if (there && static_cast<uint64_t>(st.st_size) == held[i].Text.size()) {
        try {
          same = ReadRegularFile(name, held[i].Text.size(), "") == held[i].Text;
        } catch (const std::exception&) {
          // Unreadable now: changed.
        }
      }
    }
    if (!same) changed.push_back(name);
  }
  return changed;
}

std::string SymbolCopyText(const std::vector<SymbolFile>& held, const LabelTables& labels,
                           const RomMarks& marks, const RomComments& comments) {
  const SymbolFile none;
  std::vector<const SymbolFile*> files;
  for (const SymbolFile& f : held) files.push_back(&f);
  if (files.empty()) files.push_back(&none);
  std::string copy;
  for (const std::string& text : ComposeSymbolFiles(files, files.size() - 1, labels, marks, comments)) {
    std::string_view part = text;
    if (!copy.empty() && part.starts_with("\xEF\xBB\xBF")) part.remove_prefix(3);
    if (!copy.empty() && copy.back() != '\n') copy += '\n';
    copy += part;
  }
  return copy;
}

void WriteSymbolFiles(SymbolWrite plan, std::vector<SymbolFile>& held, uint32_t bankCount,
                      std::vector<std::string>& written) {
  std::vector<size_t> order{plan.target};
  for (size_t i = 0; i < plan.files.size(); ++i) {
    if (i != plan.target) order.push_back(i);
  }
  std::vector<bool> saved(plan.files.size());
  std::exception_ptr failure;
  for (const size_t i : order) {
    if (!plan.write[i]) continue;
    try {
      SaveFileSafely(plan.files[i].Name, plan.texts[i].data(), plan.texts[i].size());
    } catch (...) {
      failure = std::current_exception();
      break;
    }
    saved[i] = true;
    written.push_back(plan.files[i].Name);
  }
  // The files as they stand, read again in order into tables of their own: what the next save
  // and the unsaved-changes mark compare with.
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  std::vector<SymbolFile> files;
  for (size_t i = 0; i < plan.files.size(); ++i) {
    if (!saved[i] && i >= plan.known) continue;
    const SymbolFile& was = saved[i] ? plan.files[i] : held[i];
    if (!saved[i] && !was.Existed) {
      files.push_back(was);
      continue;
    }
    files.push_back(ReadSymbolText(saved[i] ? std::move(plan.texts[i]) : was.Text, was.Name,
                                   bankCount, {labels, marks, comments}));
  }
  held = std::move(files);
  if (failure) std::rethrow_exception(failure);
}
