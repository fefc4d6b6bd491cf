#include "export/SourceExport.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "export/ImageExport.h"
#include "export/LabelPlan.h"
#include "export/RgbdsCharmap.h"
#include "export/RgbdsSyntax.h"
#include "export/Sha1.h"
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

  uint8_t Byte(uint32_t offset) const { return offset < size_ ? bytes_[offset] : 0; }
  uint32_t BankEnd(uint32_t offset) const {
    return std::min<uint32_t>((offset | (kBankSize - 1)) + 1, size_);
  }

  void DecideInstructions();
  std::vector<FlowTarget> FlowTargets() const;
  void DropSplitInstructions();
  int64_t RomTarget(uint32_t source, uint16_t value) const;
  void AppendName(std::string& out, const PlannedLabel& label) const;
  bool AppendWordOperand(std::string& out, uint32_t source, uint16_t value, bool flow);
  void AppendInstruction(std::string& out, uint32_t offset);
  void AppendData(std::string& out, uint32_t from, uint32_t to);
  void AppendDataOrImages(std::string& out, uint32_t from, uint32_t to);
  void AppendDb(std::string& out, uint32_t from, uint32_t to);
  void AppendNumbers(std::string& out, uint32_t from, uint32_t to);
  void AppendText(std::string& out, uint32_t from, uint32_t to);
  const MarkBlock* TextBlockFrom(uint32_t offset) const;
  std::string BankText(uint32_t bank, size_t& labelCursor,
                       std::map<uint32_t, std::string>::const_iterator& comment);
  std::string MainText(uint32_t banks) const;
  std::string RamText() const;
  std::string MakefileText() const;
  // " gfx/a.2bpp gfx/b.1bpp": the tile files that rgbgfx makes from the pictures.
  std::string GfxFiles() const {
    std::string out;
    for (const ExportImage& image : images_) out += " " + image.BinName();
    return out;
  }
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
    bool ok = !form.Text.empty() && end <= BankEnd(pos) && (end <= kHeaderBegin || pos >= kHeaderEnd);
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
  if (value < 0x4000) {
    target = value;
  } else if (source >= kBankSize) {
    target = (source & ~(kBankSize - 1)) + (value & (kBankSize - 1));
  } else if (auto it = in_.code.BankedTargets.find(source); it != in_.code.BankedTargets.end()) {
    if (CpuAddress(it->second) == value) target = it->second;
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
bool Exporter::AppendWordOperand(std::string& out, uint32_t source, uint16_t value, bool flow) {
  if (value >= 0x8000) {
    if (const PlannedConstant* c = plan_->ConstantAt(value)) {
      out += c->Name;
      ++summary_.LabelOperands;
      return true;
    }
  } else if (flow || value >= 0x100) {
    const int64_t target = RomTarget(source, value);
    if (target >= 0) {
      if (const PlannedLabel* label = plan_->LabelAt(static_cast<uint32_t>(target))) {
        AppendName(out, *label);
        ++summary_.LabelOperands;
        return true;
      }
    }
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
      AppendHexByte(out, b1);
      break;
    case RgbdsOperand::Word:
      AppendWordOperand(out, offset, static_cast<uint16_t>(b1 | Byte(offset + 2) << 8),
                        form.Flow != RgbdsFlow::None);
      break;
    case RgbdsOperand::Relative:
      AppendWordOperand(out, offset,
                        static_cast<uint16_t>(CpuAddress(offset) + 2 + static_cast<int8_t>(b1)),
                        true);
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

std::string Exporter::BankText(uint32_t bank, size_t& li,
                               std::map<uint32_t, std::string>::const_iterator& comment) {
  const uint32_t begin = bank * kBankSize;
  const uint32_t end = BankEnd(begin);
  const std::vector<PlannedLabel>& labels = plan_->Labels();
  const auto commentsEnd = in_.comments.end();
  std::string out;
  out.reserve((end - begin) * 7);
  out += "; Bank $" + IntToHex(bank, 2) + " of " + OneLine(in_.romName) + ", " +
         OffsetToBankAddress(begin) + " to " + OffsetToBankAddress(end - 1) + "\n\n";
  if (bank == 0) {
    out += "SECTION \"ROM Bank $00\", ROM0[$0000]\n\n";
  } else {
    out += "SECTION \"ROM Bank $" + IntToHex(bank, 2) + "\", ROMX[$4000], BANK[$" +
           IntToHex(bank, 2) + "]\n\n";
  }
  scope_.clear();
  size_t field = 0;
  for (uint32_t pos = begin; pos < end;) {
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
    while (field < std::size(kHeaderFields) && kHeaderFields[field].offset < pos) ++field;
    if (bank == 0 && field < std::size(kHeaderFields) && kHeaderFields[field].offset == pos) {
      out += "; cartridge header: ";
      out += kHeaderFields[field].name;
      out += '\n';
      ++field;
    }
    if (length_[pos] != 0) {
      AppendInstruction(out, pos);
      const uint32_t next = pos + length_[pos];
      if (comment != commentsEnd && comment->first < next) {
        out += " ; ";
        AppendComment(out, comment->second);
        while (comment != commentsEnd && comment->first < next) ++comment;
      }
      out += '\n';
      pos = next;
      continue;
    }
    // Data up to the next instruction, label, comment or header field.
    if (comment != commentsEnd && comment->first == pos) {
      out += "; ";
      AppendComment(out, comment->second);
      out += '\n';
      ++comment;
    }
    uint32_t stop = end;
    if (li < labels.size()) stop = std::min(stop, labels[li].Offset);
    if (comment != commentsEnd) stop = static_cast<uint32_t>(std::min<uint64_t>(stop, comment->first));
    if (bank == 0 && field < std::size(kHeaderFields)) stop = std::min(stop, kHeaderFields[field].offset);
    uint32_t next = pos + 1;
    while (next < stop && length_[next] == 0) ++next;
    AppendDataOrImages(out, pos, next);
    pos = next;
  }
  return out;
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

std::string Exporter::MainText(uint32_t banks) const {
  std::string out = "; " + OneLine(in_.romName) +
                    ", exported by Velmora as source for RGBDS. `make` rebuilds it with rgbasm\n"
                    "; and rgblink and checks the result against the original's SHA-1.\n"
                    "; One file a bank, each bank one section at its place in the ROM.\n\n"
                    "INCLUDE \"ram.asm\"\n";
  if (!charmap_.Empty()) out += "INCLUDE \"charmap.inc\"\n";
  for (uint32_t bank = 0; bank < banks; ++bank) out += "INCLUDE \"" + BankFileName(bank) + "\"\n";
  return out;
}

std::string Exporter::RamText() const {
  std::string out =
      "; Names of RAM and of the GameBoy's registers, from the symbol file, as constants:\n"
      "; they name addresses, not bytes of the ROM.\n\n";
  for (const PlannedConstant& c : plan_->Constants()) {
    out += "DEF " + c.Name + " EQU $" + IntToHex(c.Value, 4) + " ; " + c.Where;
    if (c.Original != c.Name) out += " " + OneLine(c.Original);
    out += '\n';
  }
  return out;
}

std::string Exporter::MakefileText() const {
  const std::string project = ProjectName(in_.romName);
  const std::string rom = project + [&] {
    const size_t dot = in_.romName.rfind('.');
    const size_t slash = in_.romName.find_last_of("/\\");
    std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                          ? std::string(".gb")
                          : in_.romName.substr(dot);
    for (char& c : ext) {
      if (!IsRgbdsNameChar(c) && c != '.') c = '_';
    }
    return ext;
  }();
  std::string out =
      "# Rebuilds " + rom + " from this source with RGBDS (rgbasm and rgblink), then checks that\n"
      "# it is the original ROM byte for byte: its SHA-1 must be the one below, else the build\n"
      "# fails and the result is kept as " + rom + ".mismatch.\n"
      "# After changing the source on purpose, build with `make SHA1=` to skip the check, and fix\n"
      "# the header's checksums with `rgbfix -v " + rom + "`.\n\n"
      "RGBASM ?= rgbasm\nRGBLINK ?= rgblink\n" + (images_.empty() ? "" : "RGBGFX ?= rgbgfx\n") + "\n"
      "ROM := " + rom + "\n"
      "SHA1 := " + Sha1Hex(bytes_, size_) + "\n\n"
      ".PHONY: all clean\n\nall: $(ROM)\n\n" +
      project + ".o: " + project + ".asm ram.asm " + (charmap_.Empty() ? "" : "charmap.inc ") +
      "$(wildcard bank_*.asm)" + GfxFiles() + "\n"
      "\t$(RGBASM) -o $@ " + project + ".asm\n\n"
      "$(ROM): " + project + ".o\n"
      "\t$(RGBLINK) -o $@ -n " + project + ".sym " + project + ".o\n";
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
      "clean:\n"
      "\trm -f " + project + ".o " + project + ".sym $(ROM) $(ROM).mismatch" + GfxFiles() + "\n";
  return out;
}

ExportedSource Exporter::Run(const ExportProgress& progress) {
  if (size_ == 0) throw ErrorFailure("The ROM is empty: there is nothing to export.");
  DecideInstructions();
  plan_ = std::make_unique<LabelPlan>(in_.labels, size_, FlowTargets());
  DropSplitInstructions();
  summary_.SymbolLabels = plan_->SymbolLabelCount();
  summary_.GeneratedLabels = plan_->GeneratedCount();
  summary_.Constants = plan_->Constants().size();

  images_ = PlanExportImages(in_.marks, in_.labels, size_);
  const uint32_t banks = (size_ + kBankSize - 1) / kBankSize;
  summary_.Banks = banks;
  ExportedSource result;
  const std::string project = ProjectName(in_.romName);
  result.Files.push_back({project + ".asm", MainText(banks)});
  result.Files.push_back({"Makefile", MakefileText()});
  size_t labelCursor = 0;
  auto comment = in_.comments.begin();
  for (uint32_t bank = 0; bank < banks; ++bank) {
    result.Files.push_back({BankFileName(bank), BankText(bank, labelCursor, comment)});
    if (progress) progress(bank + 1, banks);
  }
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
    if (ref.Source < kBankSize && ref.Space == RefSpace::Rom && ref.Target >= kBankSize) {
      code.BankedTargets[ref.Source] = ref.Target;
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
         " operands by name";
}

ExportedSource ExportSource(const ExportInput& input, const ExportProgress& progress) {
  return Exporter(input).Run(progress);
}
