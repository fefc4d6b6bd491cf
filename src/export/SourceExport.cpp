#include "export/SourceExport.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>
#include <set>

#include "export/ImageExport.h"
#include "export/HardwareNames.h"
#include "export/LabelPlan.h"
#include "export/RgbdsCharmap.h"
#include "export/RgbdsSyntax.h"
#include "export/Sha1.h"
#include "export/ShiftCheck.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/NumberText.h"

namespace {

// The cartridge header stays bytes: rgbasm has no instruction for a logo or a checksum, and
// a byte of it that read as an instruction would tie the header to code.
constexpr uint32_t kHeaderBegin = 0x104;
constexpr uint32_t kHeaderEnd = 0x150;

struct HeaderField {
  uint32_t offset;
  const char* name;
};
constexpr HeaderField kHeaderFields[] = {
    {0x104, "Nintendo logo"}, {0x134, "title"},           {0x143, "CGB flag"},
    {0x144, "new licensee code"}, {0x146, "SGB flag"},    {0x147, "cartridge type"},
    {0x148, "ROM size"},      {0x149, "RAM size"},        {0x14A, "destination code"},
    {0x14B, "old licensee code"}, {0x14C, "version"},     {0x14D, "header checksum"},
    {0x14E, "global checksum"},
};

// Runs of at least this many equal bytes are written as one ds (padding, cleared tables).
constexpr uint32_t kFillRun = 32;
constexpr uint32_t kDbPerLine = 8;

constexpr char kHex[] = "0123456789ABCDEF";

bool StartsName(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

void AppendBankAddress(std::string& out, uint32_t offset) {
  const uint32_t bank = BankOf(offset);
  if (bank > 0xFF) out += kHex[(bank >> 8) & 0xF];
  out += kHex[(bank >> 4) & 0xF];
  out += kHex[bank & 0xF];
  out += ':';
  const uint16_t cpu = CpuAddress(offset);
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cpu >> shift) & 0xF];
}

std::string BankFileName(uint32_t bank) {
  return "bank_" + IntToHex(bank, 2) + ".asm";
}

// A comment never ends the line early: line breaks in it become blanks.
void AppendComment(std::string& out, const std::string& text) {
  for (char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
}

std::string OneLine(const std::string& text) {
  std::string out;
  AppendComment(out, text);
  return out;
}

// A word (Size 2) or a bank byte (Size 1) of data that holds a place the analysis knows.
struct NamedData {
  uint32_t Offset = 0;
  uint8_t Size = 2;
  uint32_t Target = 0;
};

// A part of the ROM that the export writes as one SECTION at its fixed place.
struct Section {
  uint32_t Begin = 0, End = 0;
  size_t File = 0;          // index into the files: 0 the main file, 1 + bank a bank's file
  uint32_t FillFrom = 0;    // where its trailing fill starts (End when it has none)
  uint32_t TailFrom = 0;    // where the fill ends: End, or a few bytes before it
  bool FillIsPad = false;   // the fill is the linker's pad value: left out of the section
};

// The interrupt and rst vectors' names, for code that no symbol file names.
struct VectorName {
  uint32_t offset;
  const char* name;
};
constexpr VectorName kVectorNames[] = {
    {0x00, "RST_00"}, {0x08, "RST_08"}, {0x10, "RST_10"}, {0x18, "RST_18"},
    {0x20, "RST_20"}, {0x28, "RST_28"}, {0x30, "RST_30"}, {0x38, "RST_38"},
    {0x40, "VBlank"}, {0x48, "LCD"},    {0x50, "Timer"},  {0x58, "Serial"},
    {0x60, "Joypad"},
};

class Exporter {
 public:
  explicit Exporter(const ExportInput& in)
      : in_(in), size_(in.rom.RomSize), bytes_(in.rom.RomImage.data()), charmap_(in.table) {}

  ExportedSource Run(const ExportProgress& progress);

 private:
  const ExportInput& in_;
  const uint32_t size_;
  const uint8_t* bytes_;
  const RgbdsCharmap charmap_;
  // Per byte: the length of the instruction written from it, 0 for data.
  std::vector<uint8_t> length_;
  std::unique_ptr<LabelPlan> plan_;
  ExportSummary summary_;
  std::string scope_;  // the global label the lines below belong to, as rgbasm sees it
  std::vector<ExportImage> images_;  // the image blocks, written as PNG pictures under gfx/
  std::vector<Section> sections_;
  uint8_t pad_ = 0xFF;
  size_t file_ = 0;  // the file being written
  // Per file: the names its labels must export, for other files that use them.
  std::vector<std::set<std::string>> exports_;
  // The operands written as a ROM label, for make shiftcheck: "01:4151 w Name" lines.
  std::string refs_;
  // The code's references as the analysis gave them, with the operands of its far calls.
  std::unordered_map<uint32_t, uint32_t> banked_, bankOperands_, words_, bankBytes_;
  std::vector<uint32_t> pushed_;  // return addresses that code pushes
  // Words and bank bytes of data that name a place, ascending; the next one to write.
  std::vector<NamedData> named_;
  size_t namedCursor_ = 0;

  uint8_t Byte(uint32_t offset) const { return offset < size_ ? bytes_[offset] : 0; }
  uint32_t BankEnd(uint32_t offset) const {
    return std::min<uint32_t>((offset | (kBankSize - 1)) + 1, size_);
  }
  // The end of the section that holds the offset: no instruction crosses it.
  uint32_t SectionEnd(uint32_t offset) const {
    if (offset < 0x100) return std::min<uint32_t>(0x100, size_);
    if (offset < kHeaderEnd) return std::min(kHeaderEnd, size_);
    return BankEnd(offset);
  }
  static size_t FileOf(uint32_t offset) {
    return offset >= 0x100 && offset < kHeaderEnd ? 0 : 1 + BankOf(offset);
  }

  void DecideInstructions();
  std::vector<FlowTarget> FlowTargets() const;
  void DropSplitInstructions();
  void PlanSections();
  bool IsCovered(uint32_t offset) const;
  int64_t RomTarget(uint32_t source, uint16_t value) const;
  void AppendName(std::string& out, const PlannedLabel& label) const;
  bool AppendWordOperand(std::string& out, uint32_t source, uint16_t value, bool flow,
                         bool relative = false);
  void NoteReference(uint32_t source, bool relative, const PlannedLabel& label);
  bool AppendBankOperand(std::string& out, uint32_t source, uint8_t value);
  bool AppendBankOf(std::string& out, uint32_t target, uint8_t value);
  bool AppendNamedData(std::string& out, const NamedData& item);
  void PlanNamedData();
  void FindFarCallOperands();
  std::string ShiftcheckRefsText() const;
  void AppendInstruction(std::string& out, uint32_t offset);
  void AppendData(std::string& out, uint32_t from, uint32_t to);
  void AppendDataOrImages(std::string& out, uint32_t from, uint32_t to);
  void AppendDb(std::string& out, uint32_t from, uint32_t to);
  void AppendNumbers(std::string& out, uint32_t from, uint32_t to);
  void AppendText(std::string& out, uint32_t from, uint32_t to);
  void AppendTitle(std::string& out, uint32_t from, uint32_t to);
  const MarkBlock* TextBlockFrom(uint32_t offset) const;
  void AppendSection(std::string& out, const Section& section, size_t& labelCursor,
                     std::map<uint32_t, std::string>::const_iterator& comment);
  std::string Includes() const;
  std::string BankHead(uint32_t bank) const;
  std::string MainHead() const;
  std::string NumbersTable() const;
  std::string RamText() const;
  std::string MakefileText() const;
  // " gfx/a.2bpp gfx/b.1bpp": the tile files that rgbgfx makes from the pictures.
  std::string GfxFiles() const {
    std::string out;
    for (const ExportImage& image : images_) out += " " + image.BinName();
    return out;
  }
  std::string ReadmeText() const;
  std::string RomFileName() const;
};

void Exporter::DecideInstructions() {
  length_.assign(size_, 0);
  const std::vector<uint8_t>& traced = in_.code.Starts;
  auto isTraced = [&](uint32_t o) { return o < traced.size() && traced[o] != 0; };
  const std::vector<MarkBlock>& blocks = in_.marks.Blocks();
  size_t block = 0;
  for (uint32_t pos = 0; pos < size_;) {
    while (block < blocks.size() && blocks[block].End() <= pos) ++block;
    const MarkBlock* mark =
        block < blocks.size() && blocks[block].Offset <= pos ? &blocks[block] : nullptr;
    if (mark != nullptr && mark->Kind != MarkKind::Code) {
      pos = mark->End();
      continue;
    }
    if (!isTraced(pos) && mark == nullptr) {
      ++pos;
      continue;
    }
    const RgbdsForm& form = RgbdsFormOf(Byte(pos), Byte(pos + 1));
    const uint32_t end = pos + form.Length;
    // The header's bytes from the logo on stay bytes; the entry point before them is code.
    bool ok = !form.Text.empty() && end <= SectionEnd(pos) &&
              (end <= kHeaderBegin || pos >= kHeaderEnd);
    // Its operand bytes must not lie in a block the user marked data or text.
    for (size_t b = block; ok && b < blocks.size() && blocks[b].Offset < end; ++b) {
      if (blocks[b].Kind != MarkKind::Code && blocks[b].End() > pos) ok = false;
    }
    if (ok) {
      length_[pos] = form.Length;
      summary_.InstructionBytes += form.Length;
      pos = end;
      continue;
    }
    // Bytes no instruction can give back are data up to where a traced instruction starts.
    uint32_t next = std::min(end, BankEnd(pos));
    ++pos;
    while (pos < next && !isTraced(pos)) ++pos;
  }
}

// The ROM offset that an address operand reaches from the instruction at `source`, or -1:
// bank 0 below 4000, the source's own bank above it, and from bank 0 only the bank that the
// trace found.
int64_t Exporter::RomTarget(uint32_t source, uint16_t value) const {
  if (value >= 0x8000) return -1;
  int64_t target = -1;
  if (auto it = banked_.find(source);
      it != banked_.end() && CpuAddress(it->second) == value) {
    target = it->second;  // the analysis knows its bank: a far call's address, say
  } else if (value < 0x4000) {
    target = value;
  } else if (source >= kBankSize) {
    target = (source & ~(kBankSize - 1)) + (value & (kBankSize - 1));
  }
  return target < size_ ? target : -1;
}

std::vector<FlowTarget> Exporter::FlowTargets() const {
  std::vector<FlowTarget> targets;
  for (uint32_t pos = 0; pos < size_; ++pos) {
    if (length_[pos] == 0) continue;
    const RgbdsForm& form = RgbdsFormOf(bytes_[pos], Byte(pos + 1));
    if (form.Flow == RgbdsFlow::None) continue;
    uint16_t value;
    if (form.Operand == RgbdsOperand::Relative) {
      value = static_cast<uint16_t>(CpuAddress(pos) + 2 + static_cast<int8_t>(Byte(pos + 1)));
    } else {
      value = static_cast<uint16_t>(Byte(pos + 1) | Byte(pos + 2) << 8);
    }
    const int64_t target = RomTarget(pos, value);
    if (target >= 0) targets.push_back({static_cast<uint32_t>(target), form.Flow});
  }
  // What far calls, pointer tables and data pointers reach.
  auto isCode = [&](uint32_t o) { return o < size_ && length_[o] != 0; };
  auto placeable = [&](uint32_t o) {
    return o < size_ && (o < 0x100 || o >= kHeaderEnd) && (isCode(o) || !IsCovered(o));
  };
  for (const auto& [source, target] : bankOperands_) {
    if (placeable(target)) targets.push_back({target, RgbdsFlow::Call});
  }
  for (const auto& [offset, target] : words_) {
    if (placeable(target)) targets.push_back({target, isCode(target) ? RgbdsFlow::Call : RgbdsFlow::None});
  }
  for (uint32_t target : in_.code.DataTargets) {
    if (placeable(target)) targets.push_back({target, RgbdsFlow::None});
  }
  for (uint32_t target : pushed_) {
    if (placeable(target)) targets.push_back({target, RgbdsFlow::Jump});
  }
  // The vectors where code starts, by their names.
  for (const VectorName& v : kVectorNames) {
    if (v.offset < size_ && length_[v.offset] != 0) {
      targets.push_back({v.offset, RgbdsFlow::Call, v.name});
    }
  }
  return targets;
}

// A label inside an instruction would need a place rgbasm cannot give it: that instruction is
// written as bytes instead.
void Exporter::DropSplitInstructions() {
  for (const PlannedLabel& label : plan_->Labels()) {
    for (uint32_t back = 1; back <= 2 && back <= label.Offset; ++back) {
      const uint32_t start = label.Offset - back;
      if (length_[start] > back) {
        summary_.InstructionBytes -= length_[start];
        length_[start] = 0;
      }
    }
  }
}

// Where each far call gets its bank and address: the last loads of them in the same run of
// code before the call (ld a,n / ld e,n ..., ld hl,n16 / ld de,n16 ...), else the bytes right
// after it (a bank byte and an address word, in either order).
void Exporter::FindFarCallOperands() {
  banked_ = in_.code.BankedTargets;
  bankOperands_ = in_.code.BankOperands;
  words_ = in_.code.Words;
  bankBytes_ = in_.code.BankBytes;
  // ld rr,n16 then push rr: the address is a return address that a later ret or jp goes to,
  // code of its own bank.
  for (uint32_t q = 0; q + 3 < size_; ++q) {
    const uint8_t op = bytes_[q];
    if (length_[q] != 3 || (op & 0xCF) != 0x01 || op == 0x31 || length_[q + 3] != 1 ||
        bytes_[q + 3] != (op | 0xC4)) {
      continue;
    }
    const int64_t target = RomTarget(q, static_cast<uint16_t>(Byte(q + 1) | Byte(q + 2) << 8));
    if (target >= 0x150 && BankOf(static_cast<uint32_t>(target)) == BankOf(q)) {
      pushed_.push_back(static_cast<uint32_t>(target));
      banked_[q] = static_cast<uint32_t>(target);
    }
  }
  for (const auto& [entry, target] : in_.code.PointerEntries) {
    if (target >= size_) continue;
    const uint16_t address = static_cast<uint16_t>(CpuAddress(target));
    const uint8_t bank = static_cast<uint8_t>(BankOf(target));
    auto wordAt = [&](uint32_t o) { return o + 1 < size_ && (bytes_[o] | bytes_[o + 1] << 8) == address; };
    if (wordAt(entry)) {
      words_[entry] = target;
      const auto& entries = in_.code.PointerEntries;
      const bool threeBytes = entries.count(entry + 3) != 0 || (entry >= 3 && entries.count(entry - 3) != 0);
      if (threeBytes && entry + 2 < size_ && bytes_[entry + 2] == bank) {
        bankBytes_[entry + 2] = target;
      }
    } else if (wordAt(entry + 1) && bytes_[entry] == bank) {
      bankBytes_[entry] = target;
      words_[entry + 1] = target;
    }
  }
  for (const auto& [call, target] : in_.code.FarCalls) {
    if (call >= size_ || length_[call] == 0 || target >= size_) continue;
    const uint16_t address = static_cast<uint16_t>(CpuAddress(target));
    const uint32_t bank = BankOf(target);
    int64_t addressAt = -1, bankAt = -1;
    const uint32_t from = call >= 16 ? call - 16 : 0;
    for (uint32_t q = std::max(from, call & ~(kBankSize - 1)); q < call; ++q) {
      if (length_[q] == 0 || q + length_[q] > call) continue;
      const uint8_t op = bytes_[q];
      if (RgbdsFormOf(op, Byte(q + 1)).Flow != RgbdsFlow::None || op == 0xC9 || op == 0xE9) {
        addressAt = bankAt = -1;  // another run of code
      } else if ((op & 0xCF) == 0x01 && op != 0x31 &&
                 (Byte(q + 1) | Byte(q + 2) << 8) == address) {
        addressAt = q;
      } else if ((op & 0xC7) == 0x06 && op != 0x36 && Byte(q + 1) == bank) {
        bankAt = q;
      }
    }
    if (addressAt >= 0 && bankAt >= 0) {
      banked_[static_cast<uint32_t>(addressAt)] = target;
      bankOperands_[static_cast<uint32_t>(bankAt)] = target;
      continue;
    }
    // Inline: the three bytes after the call.
    const uint32_t after = call + length_[call];
    for (uint32_t w = after; w + 1 < after + 3 && w + 1 < size_; ++w) {
      if ((bytes_[w] | bytes_[w + 1] << 8) != address) continue;
      const uint32_t b = w == after ? after + 2 : after;
      if (b < size_ && bytes_[b] == bank) {
        words_[w] = target;
        bankBytes_[b] = target;
        break;
      }
    }
  }
}

// The data words and bank bytes that can be written by name: outside instructions and the
// header, with no label inside a word.
void Exporter::PlanNamedData() {
  auto add = [&](uint32_t offset, uint8_t size, uint32_t target) {
    if (offset + size > size_ || BankOf(offset) != BankOf(offset + size - 1)) return;
    if (offset < kHeaderEnd && offset + size > 0x100) return;
    for (uint32_t o = offset; o < offset + size; ++o) {
      if (IsCovered(o)) return;
    }
    if (size == 2 && plan_->LabelAt(offset + 1) != nullptr) return;
    named_.push_back({offset, size, target});
  };
  for (const auto& [offset, target] : words_) add(offset, 2, target);
  for (const auto& [offset, target] : bankBytes_) add(offset, 1, target);
  std::sort(named_.begin(), named_.end(),
            [](const NamedData& a, const NamedData& b) { return a.Offset < b.Offset; });
  // Overlapping ones keep the first.
  named_.erase(std::unique(named_.begin(), named_.end(),
                           [](const NamedData& a, const NamedData& b) {
                             return b.Offset < a.Offset + a.Size;
                           }),
               named_.end());
}

// Whether the offset is a byte of an instruction the export writes.
bool Exporter::IsCovered(uint32_t offset) const {
  for (uint32_t back = 0; back <= 2 && back <= offset; ++back) {
    if (length_[offset - back] > back) return true;
  }
  return false;
}

// The sections, and where each one's trailing fill starts: the run of one value at its end
// after its last label, comment and instruction. The value that fills the most bytes becomes
// the linker's pad value, and fills of it stay out of their sections: code can grow into them.
void Exporter::PlanSections() {
  const uint32_t banks = (size_ + kBankSize - 1) / kBankSize;
  for (uint32_t bank = 0; bank < banks; ++bank) {
    const uint32_t begin = bank * kBankSize;
    if (bank == 0) {
      for (uint32_t at : {0u, 0x100u, kHeaderEnd}) {
        if (at < size_) sections_.push_back({at, SectionEnd(at), FileOf(at)});
      }
    } else {
      sections_.push_back({begin, BankEnd(begin), 1 + bank});
    }
  }
  const std::vector<PlannedLabel>& labels = plan_->Labels();
  size_t li = 0;
  auto comment = in_.comments.begin();
  uint32_t counts[256] = {};
  std::vector<uint32_t> marks;  // the section's labels and comments, ascending
  for (Section& s : sections_) {
    marks.clear();
    for (; li < labels.size() && labels[li].Offset < s.End; ++li) marks.push_back(labels[li].Offset);
    for (; comment != in_.comments.end() && comment->first < s.End; ++comment) {
      if (comment->first >= s.Begin) marks.push_back(comment->first);
    }
    std::sort(marks.begin(), marks.end());
    // The run of one value that ends at `e`, after the last label or comment before it; a
    // byte of it may be a one-byte instruction of that value (a traced rst $38 or nop).
    auto runFrom = [&](uint32_t e) {
      auto it = std::lower_bound(marks.begin(), marks.end(), e);
      const uint32_t last = it == marks.begin() ? s.Begin : *(it - 1);
      const uint8_t value = bytes_[e - 1];
      uint32_t from = e;
      while (from > last && from > s.Begin && bytes_[from - 1] == value &&
             (!IsCovered(from - 1) || length_[from - 1] == 1)) {
        --from;
      }
      return from;
    };
    s.FillFrom = s.TailFrom = s.End;
    if (s.Begin == 0x100) continue;  // the header is written whole
    // A short tail after the fill (a few bytes at the bank's very end) keeps its place in a
    // section of its own.
    const uint32_t longestTail = s.Begin >= kHeaderEnd ? 16 : 0;
    for (uint32_t tail = 0; tail <= longestTail && tail + kFillRun < s.End - s.Begin; ++tail) {
      const uint32_t e = s.End - tail;
      if (tail != 0 && IsCovered(e) && length_[e] == 0) continue;  // inside an instruction
      const uint32_t from = runFrom(e);
      if (e - from >= kFillRun) {
        s.FillFrom = from;
        s.TailFrom = e;
        counts[bytes_[from]] += e - from;
        break;
      }
    }
  }
  pad_ = 0xFF;
  for (unsigned v = 0; v < 256; ++v) {
    if (counts[v] > counts[pad_]) pad_ = static_cast<uint8_t>(v);
  }
  for (Section& s : sections_) s.FillIsPad = s.FillFrom < s.TailFrom && bytes_[s.FillFrom] == pad_;
}

// BANK(Name) for a byte that holds the bank of a place the analysis knows (a far call's bank,
// loaded or inline), where the name's bank is that byte.
bool Exporter::AppendBankOperand(std::string& out, uint32_t source, uint8_t value) {
  auto it = bankOperands_.find(source);
  if (it == bankOperands_.end()) return false;
  return AppendBankOf(out, it->second, value);
}

bool Exporter::AppendBankOf(std::string& out, uint32_t target, uint8_t value) {
  const PlannedLabel* label = plan_->LabelAt(target);
  if (label == nullptr || BankOf(target) != value) return false;
  const size_t file = FileOf(label->Offset);
  if (file != file_) exports_[file].insert(label->FullName());
  const std::string scope = std::exchange(scope_, std::string());  // the full name, always
  out += "BANK(";
  AppendName(out, *label);
  out += ')';
  scope_ = scope;
  ++summary_.LabelOperands;
  return true;
}

// The data lines of a word or bank byte that names a place: "dw Name", "db BANK(Name)". False
// where the place has no name or the bytes cannot stand alone.
bool Exporter::AppendNamedData(std::string& out, const NamedData& item) {
  const PlannedLabel* label = plan_->LabelAt(item.Target);
  if (label == nullptr) return false;
  if (item.Size == 1) {
    std::string line = "\tdb ";
    if (!AppendBankOf(line, item.Target, bytes_[item.Offset])) return false;
    out += line;
  } else {
    if (CpuAddress(item.Target) != (bytes_[item.Offset] | bytes_[item.Offset + 1] << 8)) return false;
    const size_t file = FileOf(label->Offset);
    if (file != file_) exports_[file].insert(label->FullName());
    out += "\tdw ";
    AppendName(out, *label);
    NoteReference(item.Offset - 1, false, *label);
    ++summary_.LabelOperands;
  }
  out += " ; ";
  AppendBankAddress(out, item.Offset);
  out += '\n';
  return true;
}

// The operand's place, its size ("w" a word, "r" a relative jump's byte) and the label as the
// linker's symbol file names it (a raw name without its "#").
void Exporter::NoteReference(uint32_t source, bool relative, const PlannedLabel& label) {
  AppendBankAddress(refs_, source + 1);
  refs_ += relative ? " r " : " w ";
  refs_ += std::string_view(label.Global).substr(label.Global.starts_with('#') ? 1 : 0);
  if (label.IsLocal()) {
    refs_ += '.';
    refs_ += label.Local;
  }
  refs_ += '\n';
}

std::string Exporter::ShiftcheckRefsText() const {
  std::string out =
      "# For make shiftcheck: the code of each section that moves (up to its fill), then each\n"
      "# operand that the exported source writes as a ROM label, by its place in the original\n"
      "# ROM, its size (w a word, r the byte of a relative jump) and the label.\n";
  for (const Section& s : sections_) {
    if (s.Begin < kHeaderEnd || s.FillFrom == s.Begin) continue;
    out += "moves ";
    AppendBankAddress(out, s.Begin);
    out += ' ';
    AppendBankAddress(out, s.FillFrom - 1);
    out += '\n';
  }
  return out + refs_;
}

void Exporter::AppendName(std::string& out, const PlannedLabel& label) const {
  if (label.IsLocal() && label.Global == scope_ && StartsName(label.Local[0])) {
    out += '.';
    out += label.Local;
  } else {
    out += label.Global;
    if (label.IsLocal()) {
      out += '.';
      out += label.Local;
    }
  }
}

// Appends the name of the place a 16-bit operand means, or the number. Jump and call targets
// take any ROM label; an address read or loaded takes one from 0100 up, since the names the
// symbol files give to 0000-00FF are mostly numbers that happen to be small (sizes, banks).
bool Exporter::AppendWordOperand(std::string& out, uint32_t source, uint16_t value, bool flow,
                                 bool relative) {
  if (value >= 0x8000) {
    // A register by the name every GameBoy programmer knows, before a symbol file's own.
    if (const HardwareRegister* r = HardwareRegisterAt(value)) {
      out += r->Name;
      ++summary_.LabelOperands;
      return true;
    }
    if (const PlannedConstant* c = plan_->ConstantAt(value)) {
      out += c->Name;
      ++summary_.LabelOperands;
      return true;
    }
  } else if (flow || value >= 0x100) {
    const int64_t target = RomTarget(source, value);
    if (target >= 0) {
      const PlannedLabel* label = plan_->LabelAt(static_cast<uint32_t>(target));
      // A number that code loads takes a name made for a jump only where the analysis knows
      // it points there: $2000 loaded to write the bank register is no jump target.
      if (label != nullptr && label->Generated && !flow && banked_.count(source) == 0) {
        label = nullptr;
      }
      if (label != nullptr) {
        const size_t file = FileOf(label->Offset);
        if (file != file_) exports_[file].insert(label->FullName());
        NoteReference(source, relative, *label);
        AppendName(out, *label);
        ++summary_.LabelOperands;
        return true;
      }
    }
  }
  if (value < 0x8000 && in_.code.AddressSources.count(source) != 0) {
    ++summary_.NumbersPerBank[BankOf(source)];
    ++summary_.Numbers;
  }
  AppendHexWord(out, value);
  return false;
}
void Exporter::AppendInstruction(std::string& out, uint32_t offset) {
  const uint8_t b1 = Byte(offset + 1);
  const RgbdsForm& form = RgbdsFormOf(bytes_[offset], b1);
  const std::string_view text = form.Text;
  out += '\t';
  const size_t mark = text.find('?');
  out.append(text.substr(0, mark));
  switch (form.Operand) {
    case RgbdsOperand::None:
      break;
    case RgbdsOperand::Byte:
      if (!AppendBankOperand(out, offset, b1)) AppendHexByte(out, b1);
      break;
    case RgbdsOperand::Word: {
      const auto value = static_cast<uint16_t>(b1 | Byte(offset + 2) << 8);
      // A write below 8000 reaches the cartridge's registers (the bank number at 2000), not a
      // ROM byte: it must stay where it is when code moves.
      const bool write = bytes_[offset] == 0xEA || bytes_[offset] == 0x08;
      if (write && value < 0x8000) {
        AppendHexWord(out, value);
      } else {
        AppendWordOperand(out, offset, value, form.Flow != RgbdsFlow::None);
      }
      break;
    }
    case RgbdsOperand::Relative:
      AppendWordOperand(out, offset,
                        static_cast<uint16_t>(CpuAddress(offset) + 2 + static_cast<int8_t>(b1)),
                        true, true);
      break;
    case RgbdsOperand::Signed:
    case RgbdsOperand::SpOffset:
      if (b1 >= 0x80) {
        out += '-';
        AppendHexByte(out, static_cast<uint8_t>(0x100 - b1));
      } else {
        if (form.Operand == RgbdsOperand::SpOffset) out += '+';
        AppendHexByte(out, b1);
      }
      break;
    case RgbdsOperand::HighPage:
      AppendWordOperand(out, offset, static_cast<uint16_t>(0xFF00 | b1), false);
      break;
  }
  if (mark != std::string_view::npos) out.append(text.substr(mark + 1));
}

// The first text block that ends after the offset, or nullptr.
const MarkBlock* Exporter::TextBlockFrom(uint32_t offset) const {
  const std::vector<MarkBlock>& blocks = in_.marks.Blocks();
  const MarkBlock* b = in_.marks.BlockFrom(offset);
  while (b != nullptr && b != blocks.data() + blocks.size() && b->Kind != MarkKind::Text) ++b;
  return b == blocks.data() + blocks.size() ? nullptr : b;
}

// Data bytes: text blocks through the charmap (the header always as numbers), the rest as
// numbers.
void Exporter::AppendDb(std::string& out, uint32_t from, uint32_t to) {
  while (from < to && !charmap_.Empty()) {
    const MarkBlock* text = TextBlockFrom(from);
    if (text == nullptr || text->Offset >= to) break;
    uint32_t start = std::max(text->Offset, from);
    const uint32_t end = std::min(text->End(), to);
    if (start < kHeaderEnd && end > kHeaderBegin) start = std::min(end, kHeaderEnd);
    AppendNumbers(out, from, start);
    AppendText(out, start, end);
    from = end;
  }
  AppendNumbers(out, from, to);
}

// A db line per text row.
void Exporter::AppendText(std::string& out, uint32_t from, uint32_t to) {
  while (from < to) {
    size_t used = 0;
    out += "\tdb ";
    out += charmap_.RowOperands(bytes_ + from, to - from, used);
    out += " ; ";
    AppendBankAddress(out, from);
    out += '\n';
    from += static_cast<uint32_t>(used);
  }
}

void Exporter::AppendNumbers(std::string& out, uint32_t from, uint32_t to) {
  while (from < to) {
    const uint32_t lineEnd = std::min(from + kDbPerLine, to);
    out += "\tdb ";
    for (uint32_t o = from; o < lineEnd; ++o) {
      if (o != from) out += ", ";
      AppendHexByte(out, bytes_[o]);
    }
    out += " ; ";
    AppendBankAddress(out, from);
    out += '\n';
    from = lineEnd;
  }
}

void Exporter::AppendData(std::string& out, uint32_t from, uint32_t to) {
  uint32_t pending = from;
  for (uint32_t o = from; o < to;) {
    uint32_t run = o + 1;
    while (run < to && bytes_[run] == bytes_[o]) ++run;
    if (run - o >= kFillRun) {
      AppendDb(out, pending, o);
      out += "\tds ";
      out += std::to_string(run - o);
      out += ", ";
      AppendHexByte(out, bytes_[o]);
      out += " ; ";
      AppendBankAddress(out, o);
      out += '-';
      AppendBankAddress(out, run - 1);
      out += '\n';
      pending = run;
    }
    o = run;
  }
  AppendDb(out, pending, to);
}

// The title as a string where its characters are plain ASCII that a string gives back as they
// are (the main file has no charmap), the rest as numbers: db "EUROPA", $00, $00.
void Exporter::AppendTitle(std::string& out, uint32_t from, uint32_t to) {
  out += "\tdb ";
  bool inString = false;
  for (uint32_t o = from; o < to; ++o) {
    const uint8_t c = bytes_[o];
    const bool plain = c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '{' && c != '}';
    if (plain != inString) {
      if (o != from) out += inString ? "\", " : ", ";
      if (plain) out += '"';
      inString = plain;
    } else if (!plain && o != from) {
      out += ", ";
    }
    if (plain) {
      out += static_cast<char>(c);
    } else {
      AppendHexByte(out, c);
    }
  }
  if (inString) out += '"';
  out += " ; ";
  AppendBankAddress(out, from);
  out += '\n';
}

void Exporter::AppendSection(std::string& out, const Section& section, size_t& li,
                             std::map<uint32_t, std::string>::const_iterator& comment) {
  const uint32_t begin = section.Begin;
  const uint32_t bank = BankOf(begin);
  const std::vector<PlannedLabel>& labels = plan_->Labels();
  const auto commentsEnd = in_.comments.end();
  if (bank != 0) {
    out += "SECTION \"ROM Bank $" + IntToHex(bank, 2) + "\", ROMX[$4000], BANK[$" +
           IntToHex(bank, 2) + "]\n\n";
  } else {
    const char* name = begin == 0 ? "Vectors" : begin == 0x100 ? "Header" : "ROM Bank $00";
    out += std::string("SECTION \"") + name + "\", ROM0[$" + IntToHex(begin, 4) + "]\n\n";
  }
  scope_.clear();
  size_t field = 0;
  uint32_t end = section.FillFrom;
  for (uint32_t pos = begin; pos < section.End;) {
    while (comment != commentsEnd && comment->first < pos) ++comment;
    bool first = true;
    for (; li < labels.size() && labels[li].Offset <= pos; ++li) {
      const PlannedLabel& label = labels[li];
      if (!label.IsLocal()) {
        if (first) out += '\n';
        first = false;
        out += label.Global;
        out += ':';
        scope_ = label.Global;
      } else {
        AppendName(out, label);
        out += ':';
      }
      if (!label.Original.empty()) {
        out += " ; ";  // the name as the symbol file wrote it
        AppendComment(out, label.Original);
      }
      out += '\n';
    }
    if (pos >= end) {
      if (comment != commentsEnd && comment->first == pos) {
        out += "; ";
        AppendComment(out, comment->second);
        out += '\n';
        ++comment;
      }
      // The trailing fill: the linker pads the rest of the bank, or a ds fills it to the end
      // wherever the code ends.
      const uint32_t fillEnd = section.TailFrom;
      if (!section.FillIsPad) {
        out += "\tds $" + IntToHex(CpuAddress(fillEnd - 1) + 1, 4) + " - @, ";
        AppendHexByte(out, bytes_[pos]);
        out += " ; fill to ";
        AppendBankAddress(out, fillEnd - 1);
        out += '\n';
      } else {
        out += "; ";
        AppendBankAddress(out, pos);
        out += '-';
        AppendBankAddress(out, fillEnd - 1);
        out += ": ";
        AppendHexByte(out, pad_);
        out += ", padded by the linker\n";
      }
      if (fillEnd == section.End || pos >= fillEnd) break;
      // The bytes after the fill stay at the bank's end.
      out += "\nSECTION \"Bank $" + IntToHex(bank, 2) + " end\", " +
             (bank == 0 ? std::string("ROM0[$") : std::string("ROMX[$")) +
             IntToHex(CpuAddress(fillEnd), 4) + "]" +
             (bank == 0 ? std::string() : ", BANK[$" + IntToHex(bank, 2) + "]") + "\n\n";
      scope_.clear();
      pos = fillEnd;
      end = section.End;
      continue;
    }
    while (field < std::size(kHeaderFields) && kHeaderFields[field].offset < pos) ++field;
    const bool atField = begin == 0x100 && field < std::size(kHeaderFields) &&
                         kHeaderFields[field].offset == pos;
    if (atField) {
      out += "; cartridge header: ";
      out += kHeaderFields[field].name;
      out += '\n';
      ++field;
    }
    if (length_[pos] != 0) {
      AppendInstruction(out, pos);
      const uint32_t next = pos + length_[pos];
      const bool noted = comment != commentsEnd && comment->first < next;
      if (in_.addresses || noted) {
        out += " ; ";
        if (in_.addresses) AppendBankAddress(out, pos);
        if (in_.addresses && noted) out += ' ';
      }
      if (noted) {
        AppendComment(out, comment->second);
        while (comment != commentsEnd && comment->first < next) ++comment;
      }
      out += '\n';
      pos = next;
      continue;
    }
    // Data up to the next instruction, label, comment, header field, named word or the fill.
    if (comment != commentsEnd && comment->first == pos) {
      out += "; ";
      AppendComment(out, comment->second);
      out += '\n';
      ++comment;
    }
    while (namedCursor_ < named_.size() && named_[namedCursor_].Offset < pos) ++namedCursor_;
    if (namedCursor_ < named_.size() && named_[namedCursor_].Offset == pos &&
        pos + named_[namedCursor_].Size <= end) {
      const NamedData& item = named_[namedCursor_++];
      if (AppendNamedData(out, item)) {
        pos += item.Size;
        continue;
      }
    }
    uint32_t stop = end;
    if (namedCursor_ < named_.size()) stop = std::min(stop, named_[namedCursor_].Offset);
    if (li < labels.size()) stop = std::min(stop, labels[li].Offset);
    if (comment != commentsEnd) stop = static_cast<uint32_t>(std::min<uint64_t>(stop, comment->first));
    if (begin == 0x100 && field < std::size(kHeaderFields)) {
      stop = std::min(stop, kHeaderFields[field].offset);
    }
    uint32_t next = pos + 1;
    while (next < stop && length_[next] == 0) ++next;
    if (atField && pos == 0x134) {
      AppendTitle(out, pos, next);
    } else {
      AppendDataOrImages(out, pos, next);
    }
    pos = next;
  }
}

// Data, where image blocks lie an INCBIN of their tile file (the part of it between two labels).
void Exporter::AppendDataOrImages(std::string& out, uint32_t from, uint32_t to) {
  auto image = std::upper_bound(images_.begin(), images_.end(), from,
                                [](uint32_t at, const ExportImage& i) { return at < i.End; });
  for (; image != images_.end() && image->Offset < to; ++image) {
    const uint32_t start = std::max(from, image->Offset);
    const uint32_t end = std::min(to, image->End);
    AppendData(out, from, start);
    out += "\tINCBIN \"" + image->BinName() + "\"";
    if (start != image->Offset || end != image->End) {
      out += ", " + std::to_string(start - image->Offset) + ", " + std::to_string(end - start);
    }
    out += " ; ";
    AppendBankAddress(out, start);
    out += '\n';
    from = end;
  }
  AppendData(out, from, to);
}

std::string Exporter::Includes() const {
  std::string out = "INCLUDE \"hardware.inc\"\nINCLUDE \"ram.asm\"\n";
  if (!charmap_.Empty()) out += "INCLUDE \"charmap.inc\"\n";
  return out + "\n";
}

std::string Exporter::BankHead(uint32_t bank) const {
  const uint32_t begin = bank * kBankSize;
  return "; Bank $" + IntToHex(bank, 2) + " of " + OneLine(in_.romName) + ", " +
         OffsetToBankAddress(begin) + " to " + OffsetToBankAddress(BankEnd(begin) - 1) +
         "\n\n" + Includes();
}

std::string Exporter::MainHead() const {
  return "; " + OneLine(in_.romName) +
         ", exported by Velmora as source for RGBDS. `make` assembles each .asm file,\n"
         "; links them into build/" + RomFileName() +
         " and checks the result against the original's SHA-1 (README.md).\n"
         "; This file holds the entry point and the cartridge header; bank_00.asm, bank_01.asm,\n"
         "; ... hold one bank each, each a section at its place in the ROM.\n" +
         NumbersTable() + "\n" + Includes();
}

// Where code holds ROM addresses that stay numbers: they do not follow what they point to when
// code moves.
std::string Exporter::NumbersTable() const {
  std::string out = ";\n; ROM addresses that the code holds as numbers, which do not follow their target\n"
                    "; when code moves: " + std::to_string(summary_.Numbers);
  if (summary_.Numbers == 0) return out + "\n";
  out += ", by the bank of the code that holds them:\n";
  for (size_t bank = 0; bank < summary_.NumbersPerBank.size(); ++bank) {
    if (summary_.NumbersPerBank[bank] == 0) continue;
    out += ";   bank $" + IntToHex(static_cast<uint32_t>(bank), 2) + ": " +
           std::to_string(summary_.NumbersPerBank[bank]) + "\n";
  }
  return out;
}

std::string Exporter::RamText() const {
  std::string out =
      "; Names of RAM and of numbers from the symbol file, as constants: they name addresses\n"
      "; and values, not bytes of the ROM.\n\n";
  for (const PlannedConstant& c : plan_->Constants()) {
    out += "DEF " + c.Name + " EQU $" + IntToHex(c.Value, 4) + " ; " + c.Where;
    if (c.Original != c.Name) out += " " + OneLine(c.Original);
    out += '\n';
  }
  return out;
}

std::string Exporter::RomFileName() const {
  const size_t dot = in_.romName.rfind('.');
  const size_t slash = in_.romName.find_last_of("/\\");
  std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                        ? std::string(".gb")
                        : in_.romName.substr(dot);
  for (char& c : ext) {
    if (!IsRgbdsNameChar(c) && c != '.') c = '_';
  }
  return ProjectName(in_.romName) + ext;
}

std::string Exporter::MakefileText() const {
  const std::string project = ProjectName(in_.romName);
  const std::string rom = RomFileName();
  std::string out =
      "# Rebuilds " + rom + " from this source with RGBDS (rgbasm and rgblink) into build/,\n"
      "# then checks that it is the original ROM byte for byte: its SHA-1 must be the one below,\n"
      "# else the build fails and the result is kept as build/" + rom + ".mismatch.\n"
      "# After changing the source on purpose, build with `make SHA1=` to skip the check, and fix\n"
      "# the header's checksums with `rgbfix -v build/" + rom + "`. `make clean` removes build/.\n\n"
      "RGBASM ?= rgbasm\nRGBLINK ?= rgblink\n" + (images_.empty() ? "" : "RGBGFX ?= rgbgfx\n") + "\n"
      "ROM := build/" + rom + "\n"
      "SHA1 := " + Sha1Hex(bytes_, size_) + "\n"
      "# The value of the bytes that no section holds: the fill at the ends of the banks.\n"
      "PAD := 0x" + IntToHex(pad_, 2) + "\n"
      "OBJECTS := build/" + project + ".o $(patsubst %.asm,build/%.o,$(sort $(wildcard bank_*.asm)))\n\n"
      ".PHONY: all clean shiftcheck runcheck\n\nall: $(ROM)\n\n"
      "build:\n\tmkdir -p $@\n\n"
      "build/%.o: %.asm hardware.inc ram.asm " + (charmap_.Empty() ? "" : "charmap.inc ") +
      "| build\n"
      "\t$(RGBASM) -o $@ $<\n\n" +
      (images_.empty() ? "" : "# The tiles that the image blocks' pictures give.\n$(OBJECTS):" + GfxFiles() + "\n\n") +
      "$(ROM): $(OBJECTS)\n"
      "\t$(RGBLINK) -p $(PAD) -o $@ -n build/" + project + ".sym -m build/" + project +
      ".map $(OBJECTS)\n";
  if (size_ % kBankSize != 0) {
    // The linker writes whole banks; the original ends inside its last one.
    out += "\ttruncate -s " + std::to_string(size_) + " $@\n";
  }
  out +=
      "\t@if [ -n \"$(SHA1)\" ]; then \\\n"
      "\t  sum=$$(sha1sum $@ | cut -d ' ' -f 1); \\\n"
      "\t  if [ \"$$sum\" != \"$(SHA1)\" ]; then \\\n"
      "\t    mv -f $@ $@.mismatch; \\\n"
      "\t    echo \"*** $@ is NOT the original ROM: SHA-1 $$sum, expected $(SHA1)\" >&2; \\\n"
      "\t    echo \"*** the rebuilt ROM is kept as $@.mismatch\" >&2; \\\n"
      "\t    exit 1; \\\n"
      "\t  fi; \\\n"
      "\t  echo \"$@: SHA-1 $$sum, the original byte for byte\"; \\\n"
      "\tfi\n\n"
      + ExportImageRules(images_) +
      "# A copy with padding at the start of every section that may move: labels and the\n"
      "# operands written as names must follow (shiftcheck.sh), and with velmora-cli on PATH\n"
      "# the shifted game must show the same screens as the original over the same input.\n"
      "SHIFT ?= 1\nRUNFRAMES ?= 7200\nRUNINPUT ?= random:1\n\n"
      "shiftcheck: $(ROM)\n"
      "\t@SHIFT=$(SHIFT) sh shiftcheck.sh \"$(RGBASM)\" \"$(RGBLINK)\" \"$(PAD)\" " + project + " " +
      rom + "\n\n"
      "runcheck: shiftcheck\n"
      "\tvelmora-cli run $(ROM) --frames $(RUNFRAMES) --input $(RUNINPUT) --hash-every 60 > build/run-original.txt\n"
      "\tvelmora-cli run build/shift/" + rom + " --frames $(RUNFRAMES) --input $(RUNINPUT) --hash-every 60 > build/run-shifted.txt\n"
      "\t@if cmp -s build/run-original.txt build/run-shifted.txt; then \\\n"
      "\t  echo \"runcheck: the shifted build shows the same screens ($$(wc -l < build/run-original.txt) hashes)\"; \\\n"
      "\telse \\\n"
      "\t  diff build/run-original.txt build/run-shifted.txt | head -5; \\\n"
      "\t  echo \"runcheck: the shifted build shows other screens\" >&2; exit 1; \\\n"
      "\tfi\n\n"
      "clean:\n"
      "\trm -rf build\n";
  return out;
}

std::string Exporter::ReadmeText() const {
  const std::string project = ProjectName(in_.romName);
  const std::string rom = RomFileName();
  return "# " + OneLine(in_.romName) + " as RGBDS source\n\n"
         "Exported by Velmora. `make` assembles every `.asm` file with rgbasm, links them with\n"
         "rgblink into `build/" + rom + "` and checks that it is the original ROM byte for byte\n"
         "(by its SHA-1, in the Makefile). Everything the build writes goes into `build/`;\n"
         "`make clean` removes that folder and nothing else.\n\n"
         "## Files\n\n"
         "- `" + project + ".asm`: the entry point (0100) and the cartridge header.\n"
         "- `bank_00.asm`, `bank_01.asm`, ...: one bank each. Bank 0 is three sections: the rst\n"
         "  and interrupt vectors (0000-00FF), the header (in `" + project + ".asm`) and the rest\n"
         "  from 0150; every other bank is one section at `ROMX[$4000]` in its own bank.\n"
         "- `hardware.inc`: the GameBoy's registers by name (`rLCDC`, `rSTAT`, `rIE`, ...).\n"
         "- `ram.asm`: the symbol file's names of RAM and of numbers, as constants.\n"
         "- `charmap.inc` (with a text table): the game's text encoding.\n"
         "- `shiftcheck.sh`, `shiftcheck.refs`: `make shiftcheck` (below).\n\n"
         "## Changing it\n\n"
         "Build a changed source with `make SHA1=` (no check against the original), then fix the\n"
         "header's checksums with `rgbfix -v build/" + rom + "`.\n\n"
         "Addresses that the code holds are written as labels wherever the export knows what they\n"
         "point to, so code can move: the fill at the end of a bank is not part of its section\n"
         "(the linker pads it), so a bank's code can grow until the bank is full; a few bytes\n"
         "after the fill at the bank's very end keep their place in a section of their own. A bank that\n"
         "grows too big fails to assemble with an error that names its file\n"
         "(`Section \"ROM Bank $01\" grew too big ... at bank_01.asm(...)`).\n\n"
         "To move code to another bank, cut its lines (from its label to its last instruction)\n"
         "out of its bank's file and paste them before the fill of a bank with room; every `call`\n"
         "and `jp` to it from bank 0 and from its new bank then reaches it by name. Calls from\n"
         "other banks must switch banks first: the game's own far-call routine, with\n"
         "`ld a,BANK(Label)` and `ld hl,Label`, as the game does elsewhere. Numbers that stayed\n"
         "numbers (the table in `" + project + ".asm`) do not follow what they point to.\n\n"
         "## Checks\n\n"
         "`make shiftcheck` builds a copy into `build/shift/` with a byte of padding at the start of\n"
         "every section that may move (`SHIFT=4` for four; a bank without room at its end stays)\n"
         "and checks with the linker's symbol files that every label moved with it, that every\n"
         "operand the export wrote as a name (`shiftcheck.refs`) holds its label's new address, and\n"
         "that no other byte changed; it prints what did not. `make runcheck` (with velmora-cli on\n"
         "PATH) then runs the original and the shifted ROM for two minutes of the same input\n"
         "(`RUNINPUT=random:1`, or a file of button lines; `RUNFRAMES=7200`) and compares their\n"
         "screens every second.\n";
}

ExportedSource Exporter::Run(const ExportProgress& progress) {
  if (size_ == 0) throw ErrorFailure("The ROM is empty: there is nothing to export.");
  DecideInstructions();
  FindFarCallOperands();
  plan_ = std::make_unique<LabelPlan>(
      in_.labels, size_, FlowTargets(),
      // Names below 0100 where no instruction starts, or that have GBDK's shape of a bank
      // number or a size, are numbers: constants, which split no instruction.
      [&](uint32_t offset, std::string_view name) {
        // The cartridge's registers that code writes (GBDK names them as labels: _rROMB0).
        if (in_.code.WrittenRegisters.count(offset) != 0) return true;
        if (offset >= 0x100) return false;
        const bool vector = offset % 8 == 0 && offset <= 0x60;
        return IsConstantLabel(static_cast<int32_t>(offset), name) ||
               (length_[offset] == 0 && !vector);
      },
      [](std::string_view name, uint16_t address) {
        const HardwareRegister* r = address == 0 ? nullptr : HardwareRegisterAt(address);
        return address == 0 ? IsHardwareName(name) : r != nullptr && r->Name == name;
      });
  DropSplitInstructions();
  PlanNamedData();
  PlanSections();
  summary_.SymbolLabels = plan_->SymbolLabelCount();
  summary_.GeneratedLabels = plan_->GeneratedCount();
  summary_.Constants = plan_->Constants().size();

  images_ = PlanExportImages(in_.marks, in_.labels, size_);
  const uint32_t banks = (size_ + kBankSize - 1) / kBankSize;
  summary_.Banks = banks;
  exports_.assign(1 + banks, {});
  summary_.NumbersPerBank.assign(banks, 0);
  std::vector<std::string> texts(1 + banks);
  for (uint32_t bank = 0; bank < banks; ++bank) texts[1 + bank] = BankHead(bank);
  texts[1].reserve(kBankSize * 7);
  size_t labelCursor = 0;
  auto comment = in_.comments.begin();
  uint32_t done = 0;
  for (const Section& section : sections_) {
    file_ = section.File;
    std::string& out = texts[file_];
    if (file_ != 0) out.reserve(out.size() + (section.End - section.Begin) * 7);
    AppendSection(out, section, labelCursor, comment);
    out += '\n';
    const uint32_t bank = BankOf(section.Begin);
    if (progress && section.End == BankEnd(section.Begin) && bank + 1 > done) {
      done = bank + 1;
      progress(done, banks);
    }
  }
  texts[0] = MainHead() + texts[0];
  // Names that other files use, exported from the file that defines them.
  for (size_t f = 0; f < texts.size(); ++f) {
    size_t n = 0;
    for (const std::string& name : exports_[f]) {
      texts[f] += n++ % 8 == 0 ? "\nEXPORT " : ", ";
      texts[f] += name;
    }
    if (n != 0) texts[f] += '\n';
  }

  ExportedSource result;
  const std::string project = ProjectName(in_.romName);
  result.Files.push_back({project + ".asm", std::move(texts[0])});
  result.Files.push_back({"Makefile", MakefileText()});
  result.Files.push_back({"README.md", ReadmeText()});
  for (uint32_t bank = 0; bank < banks; ++bank) {
    result.Files.push_back({BankFileName(bank), std::move(texts[1 + bank])});
  }
  result.Files.push_back({"hardware.inc", HardwareIncText()});
  result.Files.push_back({"shiftcheck.sh", ShiftcheckScript()});
  result.Files.push_back({"shiftcheck.refs", ShiftcheckRefsText()});
  result.Files.push_back({"ram.asm", RamText()});
  if (!charmap_.Empty()) result.Files.push_back({"charmap.inc", charmap_.FileText()});
  for (const ExportImage& image : images_) {
    result.Files.push_back({image.PngName(), ExportImagePng(image, bytes_)});
  }
  result.Summary = summary_;
  return result;
}

}  // namespace

std::string ProjectName(const std::string& romFileName) {
  std::string name = romFileName.substr(romFileName.find_last_of("/\\") + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  for (char& c : name) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
    if (!keep) c = '_';
  }
  return name.empty() ? "rom" : name;
}

ExportCode ExportCodeOf(const Trace& trace) {
  ExportCode code;
  code.Starts.resize(trace.Classes.size());
  for (size_t i = 0; i < trace.Classes.size(); ++i) {
    code.Starts[i] = trace.Classes[i] == ByteClass::Code;
  }
  for (const Reference& ref : trace.Refs.All()) {
    if (ref.Space == RefSpace::Mbc && ref.Target < kBankSize) code.WrittenRegisters.insert(ref.Target);
    if (ref.Space == RefSpace::Rom) {
      switch (ref.Kind) {
        case RefKind::FarCall:
          code.FarCalls[ref.Source] = ref.Target;
          continue;
        case RefKind::Table:
          code.Words[ref.Source] = ref.Target;
          continue;
        case RefKind::Data:
          code.BankedTargets[ref.Source] = ref.Target;
          code.DataTargets.push_back(ref.Target);
          break;
        case RefKind::Pointer:
          // An entry of a table of pointers.
          if (trace.ClassAt(ref.Source) == ByteClass::Pointers) {
            code.PointerEntries[ref.Source] = ref.Target;
            continue;
          }
          // The address of a table of pointers that code jumps through.
          if (trace.ClassAt(ref.Target) == ByteClass::Pointers) {
            code.BankedTargets[ref.Source] = ref.Target;
            code.DataTargets.push_back(ref.Target);
          }
          break;
        default:
          break;
      }
    }
    if (ref.Source < kBankSize && ref.Space == RefSpace::Rom && ref.Target >= kBankSize) {
      code.BankedTargets[ref.Source] = ref.Target;
    }
    if ((ref.Space == RefSpace::Rom || ref.Space == RefSpace::UnknownBank) &&
        ref.Kind != RefKind::Rst) {
      code.AddressSources.insert(ref.Source);
    }
  }
  return code;
}

std::string ExportSummaryText(const ExportSummary& s, uint32_t romSize) {
  char share[32];
  std::snprintf(share, sizeof share, "%.1f%%",
                romSize == 0 ? 0.0 : 100.0 * s.InstructionBytes / romSize);
  return std::to_string(s.Banks) + (s.Banks == 1 ? " bank; " : " banks; ") + share +
         " of the bytes as instructions; " + std::to_string(s.SymbolLabels + s.GeneratedLabels) +
         " labels (" + std::to_string(s.SymbolLabels) + " from the symbol file, " +
         std::to_string(s.GeneratedLabels) + " made for jump targets); " +
         std::to_string(s.Constants) + " RAM names; " + std::to_string(s.LabelOperands) +
         " operands by name; " + std::to_string(s.Numbers) + " ROM addresses left as numbers";
}

ExportedSource ExportSource(const ExportInput& input, const ExportProgress& progress) {
  return Exporter(input).Run(progress);
}
