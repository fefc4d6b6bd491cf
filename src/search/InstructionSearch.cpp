#include "search/InstructionSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "isa/InstructionTable.h"
#include "model/BankAddress.h"

namespace {

constexpr std::string_view kHighPage = "$FF00 + ";
constexpr uint8_t kCbPrefix = 0xCB;

// A base template cut at its operand: the decoder writes the operand in place of the first "?"
// for the four operand kinds and leaves every other template as it stands.
struct TemplateShape {
  std::string_view whole;
  std::string_view before;
  std::string_view after;
  uint8_t kind = kOperandNone;
  bool hasOperand = false;
};

// The templates grouped by their first character, so that a search text is held only against
// the templates that can begin like it.
struct TemplateIndex {
  std::array<TemplateShape, 256> base;
  std::array<std::vector<uint8_t>, 256> baseByFirst;  // opcodes other than CB
  std::vector<uint8_t> baseAnyFirst;                  // templates that start with their operand
  std::array<std::vector<uint8_t>, 256> cbByFirst;    // the byte after CB
  std::vector<uint8_t> cbEmpty;
};

TemplateIndex BuildTemplateIndex() {
  TemplateIndex index;
  for (int op = 0; op < 256; ++op) {
    TemplateShape& shape = index.base[op];
    shape.whole = DisasmTable[op].Template;
    shape.kind = DisasmTable[op].Kind;
    const size_t mark = shape.whole.find('?');
    shape.hasOperand = (shape.kind == kOperandByte || shape.kind == kOperandWord ||
                        shape.kind == kOperandRelative || shape.kind == kOperandSigned) &&
                       mark != std::string_view::npos;
    if (shape.hasOperand) {
      shape.before = shape.whole.substr(0, mark);
      shape.after = shape.whole.substr(mark + 1);
    }
    if (op == kCbPrefix) continue;  // CB is always read as a prefix
    const std::string_view lead = shape.hasOperand ? shape.before : shape.whole;
    if (lead.empty()) {
      index.baseAnyFirst.push_back(static_cast<uint8_t>(op));
    } else {
      index.baseByFirst[static_cast<uint8_t>(lead[0])].push_back(static_cast<uint8_t>(op));
    }
  }
  for (int second = 0; second < 256; ++second) {
    const std::string_view whole = DisasmTable[kCbBase + second].Template;
    if (whole.empty()) {
      index.cbEmpty.push_back(static_cast<uint8_t>(second));
    } else {
      index.cbByFirst[static_cast<uint8_t>(whole[0])].push_back(static_cast<uint8_t>(second));
    }
  }
  return index;
}

const TemplateIndex& Templates() {
  static const TemplateIndex index = BuildTemplateIndex();
  return index;
}

// The value whose operand text in the format is exactly `text` (FormatByte, or FormatWord when
// `word`), if there is one.
std::optional<uint16_t> ValueOfNumberText(std::string_view text, ValueFormat format, bool word) {
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  std::string_view digits = text;
  switch (format) {
    case ValueFormat::Hex:
      if (text[0] != '$' || text.size() < 2 || text.size() > 5) return std::nullopt;
      digits.remove_prefix(1);
      for (char c : digits) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(d);
      }
      break;
    case ValueFormat::Bin:
      if (text[0] != '%' || text.size() < 2 || text.size() > 17) return std::nullopt;
      digits.remove_prefix(1);
      for (char c : digits) {
        if (c != '0' && c != '1') return std::nullopt;
        value = value * 2 + static_cast<uint32_t>(c - '0');
      }
      break;
    case ValueFormat::Dec:
    default:
      if (text.size() > 5) return std::nullopt;
      for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
      }
      break;
  }
  if (value > (word ? 0xFFFFu : 0xFFu)) return std::nullopt;
  // Leading zeros and digit counts are the formatter's business: read back only what it writes.
  const std::string written = word ? FormatWord(static_cast<uint16_t>(value), format)
                                   : FormatByte(static_cast<uint8_t>(value), format);
  if (written != text) return std::nullopt;
  return static_cast<uint16_t>(value);
}

// A set of 16-bit operand values: a short list while it is short, a bitmap beyond that.
class ValueSet {
 public:
  void Add(uint16_t value) {
    if (!bits_.empty()) {
      bits_[value >> 6] |= uint64_t{1} << (value & 63);
      return;
    }
    if (std::find(few_.begin(), few_.end(), value) != few_.end()) return;
    few_.push_back(value);
    if (few_.size() > 8) {
      bits_.assign(1024, 0);
      for (uint16_t v : few_) bits_[v >> 6] |= uint64_t{1} << (v & 63);
      few_.clear();
    }
  }
  bool Empty() const { return few_.empty() && bits_.empty(); }
  bool Contains(uint16_t value) const {
    if (!bits_.empty()) return (bits_[value >> 6] >> (value & 63)) & 1;
    for (uint16_t v : few_) {
      if (v == value) return true;
    }
    return false;
  }

 private:
  std::vector<uint16_t> few_;
  std::vector<uint64_t> bits_;
};

// Every 16-bit value that the decoder could show as `operand` for a word operand or a jump
// target: the number itself, or any value that a label of that name could name ("@Name" for a
// RAM label or a ROM label seen from bank 0, the bare name for a label in the instruction's own
// bank). A superset is enough; the decoder has the last word at each place.
ValueSet WordValuesFor(std::string_view operand, ValueFormat format, const LabelTables& labels) {
  ValueSet values;
  if (std::optional<uint16_t> number = ValueOfNumberText(operand, format, true)) {
    values.Add(*number);
  }
  // The name indexes give the first and the last label of a name; every other label of that
  // name lies between them in the table, so only that stretch is read.
  auto romNamed = [&](std::string_view name) {
    const int32_t first = labels.FirstRomLabelNamed(name);
    if (first == LabelTables::kNone) return;
    const int32_t last = labels.LastRomLabelNamed(name);
    for (int32_t i = first; i <= last; ++i) {
      const RomLabel& label = labels.RomLabels()[i];
      if (label.Offset >= 0 && label.Name == name) {
        values.Add(CpuAddress(static_cast<uint32_t>(label.Offset)));
      }
    }
  };
  romNamed(operand);
  if (!operand.empty() && operand[0] == '@') {
    const std::string_view name = operand.substr(1);
    romNamed(name);
    const int32_t first = labels.FirstRamLabelNamed(name);
    if (first != LabelTables::kNone) {
      const int32_t last = labels.LastRamLabelNamed(name);
      for (int32_t i = first; i <= last; ++i) {
        const RamLabel& label = labels.RamLabels()[i];
        if (label.Name == name) values.Add(label.Address);
      }
    }
  }
  return values;
}

// The test at an offset that holds a candidate opcode: the operand it must carry (Word and
// Relative then still decode, for the label names).
enum class Check : uint8_t { None, SecondByte, CbSecond, Word, Relative };

// Set only for the candidate opcodes; the others are never read.
struct OpcodePlan {
  Check check;
  uint8_t second;  // SecondByte: the operand byte the text asks for
  uint8_t set;     // Word, Relative: index into sets
};

class SearchPlan {
 public:
  SearchPlan(const LabelTables& labels, std::string_view text)
      : labels_(labels), text_(text), format_(SearchFormatFor(text)) {
    const TemplateIndex& index = Templates();
    if (text.empty()) {
      for (int op = 0; op < 256; ++op) {
        if (op != kCbPrefix) ConsiderBase(static_cast<uint8_t>(op));
      }
      for (uint8_t second : index.cbEmpty) AddCb(second);
    } else {
      const auto first = static_cast<uint8_t>(text[0]);
      for (uint8_t op : index.baseByFirst[first]) ConsiderBase(op);
      for (uint8_t op : index.baseAnyFirst) ConsiderBase(op);
      for (uint8_t second : index.cbByFirst[first]) {
        if (DisasmTable[kCbBase + second].Template == text) AddCb(second);
      }
    }
  }

  int32_t Find(const Rom& rom, int32_t start) const {
    const int64_t from = start < 0 ? 0 : start;
    if (from >= rom.RomSize || candidateCount_ == 0) return -1;
    const uint8_t* image = rom.RomImage.data();
    const uint8_t* end = image + rom.RomSize;
    const uint8_t* p = image + from;

    // A few candidate opcodes: follow each with memchr and take the nearest.
    if (candidateCount_ <= kMemchrLimit) {
      std::array<const uint8_t*, kMemchrLimit> next{};
      const size_t n = candidateCount_;
      auto seek = [&](size_t i, const uint8_t* at) {
        const void* hit = std::memchr(at, candidates_[i], static_cast<size_t>(end - at));
        next[i] = hit ? static_cast<const uint8_t*>(hit) : end;
      };
      for (size_t i = 0; i < n; ++i) seek(i, p);
      for (;;) {
        size_t nearest = 0;
        for (size_t i = 1; i < n; ++i) {
          if (next[i] < next[nearest]) nearest = i;
        }
        const uint8_t* hit = next[nearest];
        if (hit == end) return -1;
        const auto offset = static_cast<uint32_t>(hit - image);
        if (Matches(rom, offset)) return static_cast<int32_t>(offset);
        seek(nearest, hit + 1);
      }
    }
    // Many candidates: one table look-up per byte.
    std::array<bool, 256> isCandidate{};
    for (size_t i = 0; i < candidateCount_; ++i) isCandidate[candidates_[i]] = true;
    for (; p < end; ++p) {
      if (isCandidate[*p]) {
        const auto offset = static_cast<uint32_t>(p - image);
        if (Matches(rom, offset)) return static_cast<int32_t>(offset);
      }
    }
    return -1;
  }

 private:
  static constexpr size_t kMemchrLimit = 4;

  void ConsiderBase(uint8_t op) {
    const TemplateShape& shape = Templates().base[op];
    if (!shape.hasOperand) {
      if (shape.whole == text_) AddCandidate(op, Check::None);
      return;
    }
    // Every operand text the decoder writes has at least one character.
    if (text_.size() <= shape.before.size() + shape.after.size() ||
        !text_.starts_with(shape.before) || !text_.ends_with(shape.after)) {
      return;
    }
    const std::string_view operand =
        text_.substr(shape.before.size(), text_.size() - shape.before.size() - shape.after.size());
    switch (shape.kind) {
      case kOperandByte:
        if (std::optional<uint16_t> v = ValueOfNumberText(operand, format_, false)) {
          AddCandidate(op, Check::SecondByte).second = static_cast<uint8_t>(*v);
        }
        break;
      case kOperandSigned: {
        // "+" and 0..127, or "-" and the magnitude 1..128 of a negative displacement.
        std::optional<uint16_t> magnitude = ValueOfNumberText(operand.substr(1), format_, false);
        if (!magnitude) break;
        if (operand[0] == '+' && *magnitude <= 127) {
          AddCandidate(op, Check::SecondByte).second = static_cast<uint8_t>(*magnitude);
        } else if (operand[0] == '-' && *magnitude >= 1 && *magnitude <= 128) {
          AddCandidate(op, Check::SecondByte).second = static_cast<uint8_t>(256 - *magnitude);
        }
        break;
      }
      case kOperandWord:
      case kOperandRelative: {
        ValueSet values = WordValuesFor(operand, format_, labels_);
        if (values.Empty()) break;
        sets_.push_back(std::move(values));
        AddCandidate(op, shape.kind == kOperandWord ? Check::Word : Check::Relative).set =
            static_cast<uint8_t>(sets_.size() - 1);
        break;
      }
      default:
        break;
    }
  }

  void AddCb(uint8_t second) {
    if (!cbUsed_) cbSeconds_.fill(false);
    cbUsed_ = true;
    AddCandidate(kCbPrefix, Check::CbSecond);
    cbSeconds_[second] = true;
  }

  OpcodePlan& AddCandidate(uint8_t op, Check check) {
    if (std::find(candidates_.begin(), candidates_.begin() + candidateCount_, op) ==
        candidates_.begin() + candidateCount_) {
      candidates_[candidateCount_++] = op;
    }
    plan_[op] = OpcodePlan{check, 0, 0};
    return plan_[op];
  }

  // Where the text has no operand, or a byte operand whose text was read back through the
  // decoder's own formatter, the checks settle it. Word operands and jump targets may turn into
  // label names, so there the decoder has the last word.
  bool Matches(const Rom& rom, uint32_t offset) const {
    const OpcodePlan& plan = plan_[rom.RomImage[offset]];
    switch (plan.check) {
      case Check::None:
        return true;
      case Check::SecondByte:
        return rom.Byte(int64_t{offset} + 1) == plan.second;
      case Check::CbSecond:
        return cbSeconds_[rom.Byte(int64_t{offset} + 1)];
      case Check::Word: {
        const auto value = static_cast<uint16_t>(rom.Byte(int64_t{offset} + 1) |
                                                 (rom.Byte(int64_t{offset} + 2) << 8));
        if (!sets_[plan.set].Contains(value)) return false;
        break;
      }
      case Check::Relative: {
        const auto target = static_cast<uint16_t>(
            CpuAddress(offset) + 2 + static_cast<int8_t>(rom.Byte(int64_t{offset} + 1)));
        if (!sets_[plan.set].Contains(target)) return false;
        break;
      }
    }
    return DecodeInstruction(rom, offset, format_, labels_).Text == text_;
  }

  const LabelTables& labels_;
  std::string_view text_;
  ValueFormat format_;
  // Left uninitialised: a search runs once per Search > Again, and clearing these tables would
  // cost more than the rest of setting it up.
  std::array<OpcodePlan, 256> plan_;
  std::array<bool, 256> cbSeconds_;
  bool cbUsed_ = false;
  std::array<uint8_t, 256> candidates_;
  size_t candidateCount_ = 0;
  std::vector<ValueSet> sets_;
};

}  // namespace

ValueFormat SearchFormatFor(std::string_view text) {
  const size_t highPage = text.find(kHighPage);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '$' && i != highPage) return ValueFormat::Hex;
  }
  if (text.find('%') != std::string_view::npos) return ValueFormat::Bin;
  return ValueFormat::Dec;
}

int32_t SearchInstruction(const Rom& rom, const LabelTables& labels, int32_t start,
                          std::string_view text) {
  if (start >= 0 && static_cast<uint32_t>(start) >= rom.RomSize) return -1;
  return SearchPlan(labels, text).Find(rom, start);
}

std::vector<int32_t> SearchInstructionAll(const Rom& rom, const LabelTables& labels,
                                          std::string_view text, size_t limit) {
  std::vector<int32_t> found;
  if (limit == 0) return found;
  const SearchPlan plan(labels, text);
  for (int32_t at = plan.Find(rom, 0); at >= 0; at = plan.Find(rom, at + 1)) {
    found.push_back(at);
    if (found.size() == limit) break;
  }
  return found;
}

int32_t SearchInstructionByDecoding(const Rom& rom, const LabelTables& labels, int32_t start,
                                    std::string_view text) {
  const ValueFormat format = SearchFormatFor(text);
  for (uint32_t p = start < 0 ? 0 : static_cast<uint32_t>(start); p < rom.RomSize; ++p) {
    if (DecodeInstruction(rom, p, format, labels).Text == text) return static_cast<int32_t>(p);
  }
  return -1;
}
