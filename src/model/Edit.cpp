#include "model/Edit.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "model/ByteRuns.h"

namespace {

using Span = RomJournal::Run;

// Puts the journal's runs back newest first, so every byte ends with the value it had before
// the first write to it.
void Unwind(std::vector<uint8_t>& image, const RomJournal& journal) {
  size_t end = journal.Old.size();
  for (auto run = journal.Runs.rbegin(); run != journal.Runs.rend(); ++run) {
    end -= run->Kept();
    if (run->Fill) {
      std::fill_n(image.begin() + run->Offset, run->Length, journal.Old[end]);
    } else {
      std::copy_n(journal.Old.begin() + static_cast<std::ptrdiff_t>(end), run->Length,
                  image.begin() + run->Offset);
    }
  }
}

// A touched range with its bytes as they were (old) and as they are (now). An old fill is one
// value throughout, at *Old.
struct Segment {
  uint32_t Offset;
  uint32_t Length;
  const uint8_t* Old;
  const uint8_t* Now;
  bool OldFill = false;
  bool NewFill = false;  // the bytes as they are now are known to be one value
};

// Where the segment's bytes differ from what they were, in rising order.
template <typename Run>
void ForEachChange(const Segment& seg, Run&& run) {
  if (!seg.OldFill) return ForEachDifferingRun(seg.Old, seg.Now, seg.Length, run);
  ForEachDifferingRunFromFill(*seg.Old, seg.Now, seg.Length, run);
}

// Copies a run's bytes; scattered changes are mostly a byte or two, cheaper than a memcpy call.
void CopyRun(uint8_t* to, const uint8_t* from, uint32_t length) {
  if (length > 8) {
    std::memcpy(to, from, length);
    return;
  }
  for (uint32_t k = 0; k < length; ++k) to[k] = from[k];
}

// The step between the segments' old and new bytes. Segments are ascending and never touch, so
// no run reaches from one into the next. `oldWhole`, when given, holds the old bytes of all the
// segments one after the other: a step in which every touched byte changed, and no run is of one
// value, takes it over instead of copying it. The step's vectors hold no spare capacity: it may
// stay on an undo stack for the rest of the session.
EditStep StepFromSegments(const std::vector<Segment>& segments, uint32_t oldSize, uint32_t newSize,
                          std::vector<uint8_t>* oldWhole) {
  EditStep step;
  step.OldSize = oldSize;
  step.NewSize = newSize;
  // A long run of one value keeps that value; every other run its bytes. The runs and what
  // they keep are found in one pass, so that their bytes are then copied into room of the
  // right size at once.
  const auto isFill = [](const uint8_t* bytes, size_t length) {
    return length >= RomJournal::kFillFrom && RomJournal::IsFill(bytes, length);
  };
  size_t touched = 0;
  size_t total = 0;
  size_t oldKept = 0;
  size_t newKept = 0;
  for (const Segment& seg : segments) {
    touched += seg.Length;
    const auto add = [&](size_t start, size_t end, bool newFill) {
      const size_t length = end - start;
      EditRun run{seg.Offset + static_cast<uint32_t>(start), static_cast<uint32_t>(length)};
      run.OldFill = seg.OldFill || isFill(seg.Old + start, length);
      run.NewFill = newFill;
      total += length;
      oldKept += run.OldFill ? 1 : length;
      newKept += run.NewFill ? 1 : length;
      step.Runs.push_back(run);
    };
    if (seg.OldFill && (seg.NewFill || isFill(seg.Now, seg.Length))) {
      // One value written over another (a ROM grown over the zeros past its end): one run or
      // none, without looking for where they differ.
      if (*seg.Now != *seg.Old) add(0, seg.Length, true);
      continue;
    }
    ForEachChange(seg, [&](size_t start, size_t end) {
      add(start, end, isFill(seg.Now + start, end - start));
    });
  }
  step.Runs.shrink_to_fit();
  if (total == touched && oldKept == total && newKept == total) {
    // Every touched byte changed: the segments whole, one after the other.
    if (oldWhole) {
      step.OldBytes = std::move(*oldWhole);
      step.OldBytes.shrink_to_fit();
    } else {
      step.OldBytes.reserve(total);
      for (const Segment& seg : segments) {
        step.OldBytes.insert(step.OldBytes.end(), seg.Old, seg.Old + seg.Length);
      }
    }
    step.NewBytes.reserve(total);
    for (const Segment& seg : segments) {
      step.NewBytes.insert(step.NewBytes.end(), seg.Now, seg.Now + seg.Length);
    }
    return step;
  }
  step.OldBytes.resize(oldKept);
  step.NewBytes.resize(newKept);
  uint8_t* old = step.OldBytes.data();
  uint8_t* now = step.NewBytes.data();
  auto seg = segments.begin();
  for (const EditRun& run : step.Runs) {
    while (seg->Offset + seg->Length <= run.Offset) ++seg;
    const uint32_t from = run.Offset - seg->Offset;
    CopyRun(old, seg->Old + (seg->OldFill ? 0 : from), run.OldFill ? 1 : run.Length);
    CopyRun(now, seg->Now + from, run.NewFill ? 1 : run.Length);
    old += run.OldFill ? 1 : run.Length;
    now += run.NewFill ? 1 : run.Length;
  }
  return step;
}

// The step between the image as the journal found it and as it is now; the image is only read.
EditStep StepFromJournal(const Rom& rom, RomJournal& journal, uint32_t oldSize) {
  const uint8_t* image = rom.RomImage.data();
  std::vector<Segment> segments;
  segments.reserve(journal.Runs.size());
  size_t at = 0;
  bool fills = false;
  for (const Span& run : journal.Runs) {
    segments.push_back({run.Offset, run.Length, journal.Old.data() + at, image + run.Offset,
                        run.Fill != 0, run.NewFill != 0});
    at += run.Kept();
    fills = fills || run.Fill;
  }
  const auto byOffset = [](const Segment& a, const Segment& b) { return a.Offset < b.Offset; };
  const bool ascending = std::is_sorted(segments.begin(), segments.end(), byOffset);
  if (!ascending) std::stable_sort(segments.begin(), segments.end(), byOffset);
  const bool apart =
      std::adjacent_find(segments.begin(), segments.end(), [](const Segment& a, const Segment& b) {
        return b.Offset <= a.Offset + a.Length;
      }) == segments.end();
  // No byte written twice (a patch, the extender): the journal holds each run's old bytes as
  // they are, and, when the runs came in rising order, all of them in the step's order.
  if (apart) {
    return StepFromSegments(segments, oldSize, rom.RomSize,
                            ascending && !fills ? &journal.Old : nullptr);
  }
  // Otherwise the touched ranges, joined where they overlap or touch, are copied as they are
  // now, and the journal is unwound in the copy, newest first, so that every byte gets the value
  // it had before the first write to it.
  std::vector<Span> spans;
  for (const Segment& seg : segments) {
    if (!spans.empty() && seg.Offset <= spans.back().Offset + spans.back().Length) {
      const uint32_t end =
          std::max(spans.back().Offset + spans.back().Length, seg.Offset + seg.Length);
      spans.back().Length = end - spans.back().Offset;
    } else {
      spans.push_back({seg.Offset, seg.Length});
    }
  }
  std::vector<size_t> startOf;
  startOf.reserve(spans.size());
  std::vector<uint8_t> old;
  for (const Span& span : spans) {
    startOf.push_back(old.size());
    old.insert(old.end(), image + span.Offset, image + span.Offset + span.Length);
  }
  size_t end = journal.Old.size();
  for (auto run = journal.Runs.rbegin(); run != journal.Runs.rend(); ++run) {
    end -= run->Kept();
    // The span that holds the run: the last one that starts at or before it.
    const auto span =
        std::upper_bound(spans.begin(), spans.end(), run->Offset,
                         [](uint32_t offset, const Span& s) { return offset < s.Offset; }) -
        1;
    const size_t into =
        startOf[static_cast<size_t>(span - spans.begin())] + (run->Offset - span->Offset);
    if (run->Fill) {
      std::memset(old.data() + into, journal.Old[end], run->Length);
    } else {
      std::memcpy(old.data() + into, journal.Old.data() + end, run->Length);
    }
  }
  segments.clear();
  for (size_t i = 0; i < spans.size(); ++i) {
    segments.push_back(
        {spans[i].Offset, spans[i].Length, old.data() + startOf[i], image + spans[i].Offset});
  }
  return StepFromSegments(segments, oldSize, rom.RomSize, nullptr);
}

void PutBytes(Rom& rom, const EditStep& step, bool after) {
  rom.WaitForCopy();
  const std::vector<uint8_t>& bytes = after ? step.NewBytes : step.OldBytes;
  auto from = bytes.begin();
  for (const EditRun& run : step.Runs) {
    if (after ? run.NewFill : run.OldFill) {
      std::fill_n(rom.RomImage.begin() + run.Offset, run.Length, *from++);
      continue;
    }
    std::copy_n(from, run.Length, rom.RomImage.begin() + run.Offset);
    from += run.Length;
  }
  const uint32_t size = after ? step.NewSize : step.OldSize;
  if (step.OldSize != step.NewSize) {
    rom.RomSize = size;
    rom.BankCount = size / kBankSize;
  }
}

}  // namespace

uint32_t EditStep::FirstOffset() const {
  return Runs.empty() ? std::min(OldSize, NewSize) : Runs.front().Offset;
}

EditStep RecordEdit(Rom& rom, const std::function<void()>& command) {
  RomJournal journal;
  RomJournal* const outer = rom.Journal;
  const uint32_t oldSize = rom.RomSize;
  const uint32_t oldBanks = rom.BankCount;
  auto leave = [&] {
    rom.Journal = outer;
    if (!outer) return;
    size_t at = 0;
    for (const Span& run : journal.Runs) {
      if (run.Fill) {
        outer->NoteFill(run.Offset, run.Length, journal.Old[at]);
      } else {
        outer->Note(run.Offset, journal.Old.data() + at, run.Length);
      }
      at += run.Kept();
    }
  };
  rom.WaitForCopy();
  rom.Journal = &journal;
  try {
    command();
  } catch (...) {
    Unwind(rom.RomImage, journal);
    rom.RomSize = oldSize;
    rom.BankCount = oldBanks;
    leave();
    throw;
  }
  leave();
  return StepFromJournal(rom, journal, oldSize);
}

void ApplyEdit(Rom& rom, const EditStep& step) {
  PutBytes(rom, step, true);
}

void RevertEdit(Rom& rom, const EditStep& step) {
  PutBytes(rom, step, false);
}
