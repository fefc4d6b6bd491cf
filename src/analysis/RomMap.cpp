#include "analysis/RomMap.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdio>

#include "model/BankAddress.h"
#include "model/Rom.h"

namespace {

// Code counts its operand bytes with it.
int Bucket(ByteClass c) {
  switch (c) {
    case ByteClass::Code:
    case ByteClass::Operand: return 0;
    case ByteClass::Data:
    case ByteClass::Image:
    case ByteClass::Pointers: return 1;
    case ByteClass::Text: return 2;
    case ByteClass::Unknown: return 3;
  }
  return 3;
}

std::string Share(uint32_t part, uint32_t whole) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%8.1f%%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return buf;
}

}  // namespace

std::vector<BankCoverage> CoverageByBank(const Trace& trace) {
  const auto size = static_cast<uint32_t>(trace.Classes.size());
  std::vector<BankCoverage> banks((size + kBankSize - 1) / kBankSize);
  for (uint32_t b = 0; b < banks.size(); ++b) {
    std::array<uint32_t, 4> counts{};
    const uint32_t end = std::min(size, (b + 1) * kBankSize);
    for (uint32_t i = b * kBankSize; i < end; ++i) ++counts[Bucket(trace.Classes[i])];
    banks[b] = {b, counts[0], counts[1], counts[2], counts[3]};
  }
  return banks;
}

BankCoverage TotalCoverage(const std::vector<BankCoverage>& banks) {
  BankCoverage total;
  total.Bank = static_cast<uint32_t>(banks.size());
  for (const BankCoverage& b : banks) {
    total.Code += b.Code;
    total.Data += b.Data;
    total.Text += b.Text;
    total.Unknown += b.Unknown;
  }
  return total;
}

std::vector<ByteClass> BankStrip(const Trace& trace, uint32_t bank, int slices) {
  // The strip tells images and pointer tables from other data.
  static constexpr ByteClass kOrder[] = {ByteClass::Code,  ByteClass::Data,     ByteClass::Text,
                                         ByteClass::Image, ByteClass::Pointers, ByteClass::Unknown};
  const auto stripBucket = [](ByteClass c) {
    const ByteClass k = c == ByteClass::Operand ? ByteClass::Code : c;
    return static_cast<int>(std::find(std::begin(kOrder), std::end(kOrder), k) - std::begin(kOrder));
  };
  std::vector<ByteClass> strip;
  if (slices <= 0) return strip;
  strip.reserve(static_cast<size_t>(slices));
  const uint64_t base = uint64_t{bank} * kBankSize;
  for (int s = 0; s < slices; ++s) {
    const uint64_t from = base + kBankSize * uint64_t(s) / uint64_t(slices);
    uint64_t to = base + kBankSize * uint64_t(s + 1) / uint64_t(slices);
    if (to == from) to = from + 1;
    std::array<uint32_t, std::size(kOrder)> counts{};
    for (uint64_t i = from; i < to; ++i) {
      ++counts[stripBucket(trace.ClassAt(static_cast<uint32_t>(i)))];
    }
    size_t best = 0;
    for (size_t k = 1; k < counts.size(); ++k)
      if (counts[k] > counts[best]) best = k;
    strip.push_back(kOrder[best]);
  }
  return strip;
}

std::string ClassAndReason(const Trace& trace, uint32_t offset) {
  std::string text(ClassName(trace.ClassAt(offset)));
  const std::string why = ReasonText(trace.ReasonAt(offset));
  if (!why.empty()) text += ", " + why;
  return text;
}

std::string PlaceSummary(const Trace& trace, uint32_t offset) {
  std::string text = OffsetToBankAddress(offset) + " " + ClassAndReason(trace, offset);
  if (trace.ClassAt(offset) == ByteClass::Operand) {
    text += " (in the instruction at " + OffsetToBankAddress(trace.InstructionStartAt(offset)) + ")";
  }
  return text;
}

std::string CoverageTable(const std::vector<BankCoverage>& banks) {
  std::string out = "bank     code     data     text  unknown\n";
  const auto line = [&out](const std::string& name, const BankCoverage& b) {
    char head[8];
    std::snprintf(head, sizeof head, "%-4s", name.c_str());
    out += head;
    for (uint32_t part : {b.Code, b.Data, b.Text, b.Unknown}) out += Share(part, b.Size());
    out += '\n';
  };
  for (const BankCoverage& b : banks) {
    char name[8];
    std::snprintf(name, sizeof name, "%02X", b.Bank);
    line(name, b);
  }
  const BankCoverage total = TotalCoverage(banks);
  line("all", total);
  out += "bytes: code " + std::to_string(total.Code) + ", data " + std::to_string(total.Data) +
         ", text " + std::to_string(total.Text) + ", unknown " + std::to_string(total.Unknown) +
         "\n";
  return out;
}

std::string ClassRanges(const Trace& trace) {
  std::string out;
  const auto size = static_cast<uint32_t>(trace.Classes.size());
  for (uint32_t start = 0; start < size;) {
    const std::string_view name = ClassName(trace.Classes[start]);
    uint32_t end = start + 1;
    while (end < size && BankOf(end) == BankOf(start) && ClassName(trace.Classes[end]) == name) ++end;
    out += OffsetToBankAddress(start) + ' ' + OffsetToBankAddress(end - 1) + ' ';
    out += name;
    const std::string reason = ReasonText(trace.ReasonAt(start));
    if (!reason.empty()) out += ' ' + reason;
    out += '\n';
    start = end;
  }
  return out;
}
