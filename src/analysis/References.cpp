#include "analysis/References.h"

#include <algorithm>
#include <tuple>

#include "isa/Listing.h"
#include "model/BankAddress.h"
#include "model/NumberText.h"

namespace {

auto TargetKey(const Reference& r) {
  return std::tuple(r.Space, r.Target, r.Source);
}

}  // namespace

std::string_view RefKindName(RefKind kind) {
  switch (kind) {
    case RefKind::Call: return "call";
    case RefKind::Jump: return "jump";
    case RefKind::Branch: return "branch";
    case RefKind::Rst: return "rst";
    case RefKind::Read: return "read";
    case RefKind::Write: return "write";
    case RefKind::Pointer: return "pointer";
    case RefKind::FarCall: return "far call";
    case RefKind::Data: return "data";
    case RefKind::Table: return "table";
  }
  return "";
}

References::References(std::vector<Reference> refs) : bySource_(std::move(refs)) {
  std::stable_sort(bySource_.begin(), bySource_.end(),
                   [](const Reference& a, const Reference& b) { return a.Source < b.Source; });
  byTarget_.resize(bySource_.size());
  for (uint32_t i = 0; i < byTarget_.size(); ++i) byTarget_[i] = i;
  std::stable_sort(byTarget_.begin(), byTarget_.end(), [this](uint32_t a, uint32_t b) {
    return TargetKey(bySource_[a]) < TargetKey(bySource_[b]);
  });
}

std::span<const Reference> References::From(uint32_t source) const {
  const auto bySource = [](const Reference& r, uint32_t s) { return r.Source < s; };
  const auto first = std::lower_bound(bySource_.begin(), bySource_.end(), source, bySource);
  auto last = first;
  while (last != bySource_.end() && last->Source == source) ++last;
  return {first, last};
}

std::pair<size_t, size_t> References::TargetRange(uint32_t target, RefSpace space) const {
  const auto key = std::pair(space, target);
  const auto below = [this](uint32_t i, const std::pair<RefSpace, uint32_t>& k) {
    return std::pair(bySource_[i].Space, bySource_[i].Target) < k;
  };
  const auto above = [this](const std::pair<RefSpace, uint32_t>& k, uint32_t i) {
    return k < std::pair(bySource_[i].Space, bySource_[i].Target);
  };
  const auto first = std::lower_bound(byTarget_.begin(), byTarget_.end(), key, below);
  const auto last = std::upper_bound(first, byTarget_.end(), key, above);
  return {static_cast<size_t>(first - byTarget_.begin()),
          static_cast<size_t>(last - byTarget_.begin())};
}

std::vector<Reference> References::To(uint32_t target, RefSpace space) const {
  const auto [first, last] = TargetRange(target, space);
  std::vector<Reference> out;
  out.reserve(last - first);
  for (size_t i = first; i < last; ++i) out.push_back(bySource_[byTarget_[i]]);
  return out;
}

size_t References::CountTo(uint32_t target, RefSpace space) const {
  const auto [first, last] = TargetRange(target, space);
  return last - first;
}

std::vector<Reference> References::MaybeTo(uint32_t romOffset) const {
  if (romOffset < 0x4000) return {};
  return To((romOffset & 0x3FFFu) + 0x4000, RefSpace::UnknownBank);
}

size_t References::CountMaybeTo(uint32_t romOffset) const {
  return romOffset < 0x4000 ? 0 : CountTo((romOffset & 0x3FFFu) + 0x4000, RefSpace::UnknownBank);
}

std::string RefPlaceName(const LabelTables& labels, RefPlace place) {
  if (place.Space == RefSpace::Rom) {
    const int32_t label = labels.LastRomLabelAt(static_cast<int32_t>(place.Where));
    return label != LabelTables::kNone
               ? "@" + labels.RomLabels()[static_cast<size_t>(label)].Name
               : OffsetToBankAddress(place.Where);
  }
  const int32_t label = labels.FirstRamLabelAt(static_cast<uint16_t>(place.Where));
  return label != LabelTables::kNone ? "@" + labels.RamLabels()[static_cast<size_t>(label)].Name
                                     : "$" + IntToHex(place.Where, 4);
}

std::vector<Reference> ReferencesTo(const References& refs, uint32_t target, RefSpace space) {
  std::vector<Reference> out = refs.To(target, space);
  if (space == RefSpace::Rom) {
    const std::vector<Reference> maybe = refs.MaybeTo(target);
    out.insert(out.end(), maybe.begin(), maybe.end());
  }
  return out;
}

std::string ReferenceLine(const Rom& rom, const LabelTables& labels, ValueFormat format,
                          const Reference& ref, const RomMarks* marks) {
  std::string line(RefKindName(ref.Kind));
  if (ref.Space == RefSpace::UnknownBank) line += '?';
  line.resize(std::max<size_t>(line.size() + 1, 8), ' ');
  line += OffsetToBankAddress(ref.Source);
  line += ' ';
  const MarkBlock* block = marks != nullptr ? marks->BlockAt(ref.Source) : nullptr;
  if (block != nullptr && block->Kind == MarkKind::Pointers) {
    std::string entry;
    AppendPointerLine(entry, rom, labels, format, *block, ref.Source);
    // Past the bank address and the empty byte field.
    const size_t text = entry.find("          ");
    line += text == std::string::npos ? entry : entry.substr(text + 10);
    return line;
  }
  line += DecodeInstruction(rom, ref.Source, format, labels).Text;
  return line;
}
