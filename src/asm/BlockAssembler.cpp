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
    CheckInsideRom(rom, offset, code.Length);
    for (uint8_t i = 0; i < code.Length; ++i) {
      entries_.emplace_back(offset + i, rom.Byte(offset + i));
      rom.SetByte(offset + i, code.Bytes[i]);
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
    // Sources from other assemblers indent their code with blanks or tabs.
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
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
        if (!local.emplace(std::string(line), address).second) {
          throw ErrorFailure("Label " + std::string(line) + " is defined twice.");
        }
      }
      continue;
    }

    std::string code(line);
    if (size_t at = code.find('@'); at != std::string::npos) {
      const size_t end = LabelNameEnd(code, at + 1);
      if (firstPass) {
        code.replace(at, end - at, "0");
      } else if (auto it = local.find(code.substr(at, end - at)); it != local.end()) {
        code.replace(at, end - at, std::to_string(it->second));
      }
    }
    const EncodedInstruction encoded =
        EncodeInstruction(labels, code, static_cast<uint32_t>(offset));
    journal.Write(rom, offset, encoded);
    offset += encoded.Length;
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
