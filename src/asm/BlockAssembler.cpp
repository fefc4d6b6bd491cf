#include "asm/BlockAssembler.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "asm/Assembler.h"
#include "asm/Operand.h"
#include "model/BankAddress.h"
#include "model/Failure.h"

namespace {

constexpr std::string_view kNoOrigin =
    "Compiling error: no orgion declared, you must set the address where compiled code will be "
    "placed e.g. \"org 01:4100\".";

// Every byte written, with the value it replaced, so that a failed block can be taken back.
class WriteJournal {
 public:
  void Write(Rom& rom, int64_t offset, const EncodedInstruction& code) {
    CheckInsideRom(rom, offset, code.Bytes.size());
    for (uint8_t byte : code.Bytes) {
      entries_.emplace_back(offset, rom.Byte(offset));
      rom.SetByte(offset++, byte);
    }
  }
  // Newest first, so a byte written twice ends with the value it had before the block.
  void Undo(Rom& rom) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
      rom.SetByte(it->first, it->second);
  }
  bool Empty() const { return entries_.empty(); }

 private:
  std::vector<std::pair<int64_t, uint8_t>> entries_;
};

// The block's labels by name, without their "@".
using LocalLabels = std::unordered_map<std::string, uint16_t>;

void RunPass(bool firstPass, Rom& rom, const LabelTables& labels,
             const std::vector<std::string>& lines,
             const std::function<void(size_t lineIndex)>& beforeLine, LocalLabels& local,
             WriteJournal& journal) {
  int64_t offset = -1;  // no "org" line met yet in this pass
  for (size_t i = 0; i < lines.size(); ++i) {
    if (beforeLine) beforeLine(i);
    std::string_view line = lines[i];
    if (size_t comment = line.find("//"); comment != std::string_view::npos) {
      line = line.substr(0, comment);
    }
    // Sources from other assemblers indent their code with blanks or tabs, and set their
    // comments apart from the code with more of them.
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    line.remove_suffix(line.size() - std::min(line.find_last_not_of(" \t") + 1, line.size()));
    if (line.empty()) continue;
    if (line.find("org ") != std::string_view::npos) {
      offset = BankAddressToOffset(line.substr(4), rom.BankCount);
      continue;
    }
    if (offset < 0) throw WarningFailure(std::string(kNoOrigin));

    if (line[0] == '@') {
      if (firstPass) {
        if (line.back() == ':') line.remove_suffix(1);
        const auto address = CpuAddress(static_cast<uint32_t>(offset));
        if (!local.emplace(std::string(line.substr(1)), address).second) {
          throw ErrorFailure("Label " + std::string(line) + " is defined twice.");
        }
      }
      continue;
    }

    // The first pass only measures: lengths do not depend on values, so every name reads as 0
    // there; the second reads the block's labels before the symbol file's.
    LabelScope scope(labels);
    scope.Block = &local;
    scope.Provisional = firstPass;
    const EncodedInstruction encoded =
        EncodeInstruction(scope, line, static_cast<uint32_t>(offset));
    journal.Write(rom, offset, encoded);
    offset += static_cast<int64_t>(encoded.Bytes.size());
  }
}

}  // namespace

bool AssembleBlock(Rom& rom, const LabelTables& labels, const std::vector<std::string>& lines,
                   const std::function<void(size_t lineIndex)>& beforeLine) {
  LocalLabels local;
  WriteJournal journal;
  try {
    RunPass(true, rom, labels, lines, beforeLine, local, journal);
    RunPass(false, rom, labels, lines, beforeLine, local, journal);
  } catch (...) {
    journal.Undo(rom);
    throw;
  }
  return !journal.Empty();
}
