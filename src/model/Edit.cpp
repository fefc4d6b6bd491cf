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

bool IsFillRun(const uint8_t* bytes, size_t length) {
  return length >= RomJournal::kFillFrom && RomJournal::IsFill(bytes, length);
}

// Calls run(start, end, newFill) for every stretch of the segment whose bytes differ from what
// they were, in rising order; newFill when the bytes there now are one long run of one value.
template <typename Run>
void ForEachChange(const Segment& seg, Run&& run) {
  if (seg.OldFill && (seg.NewFill || IsFillRun(seg.Now, seg.Length))) {
    // One value written over another (a ROM grown over the zeros past its end): one run or
    // none, without looking for where they differ.
    if (*seg.Now != *seg.Old) run(size_t{0}, size_t{seg.Length}, true);
    return;
  }
  const auto found = [&](size_t start, size_t end) {
    run(start, end, IsFillRun(seg.Now + start, end - start));
  };
  if (seg.OldFill) return ForEachDifferingRunFromFill(*seg.Old, seg.Now, seg.Length, found);
  ForEachDifferingRun(seg.Old, seg.Now, seg.Length, found);
}

// Copies n bytes from `from` to `to` and returns the end of the copy. Scattered changes are
// mostly a byte or two: where eight bytes may be read and written, eight are copied, which is
// cheaper than a call of memcpy for n.
uint8_t* AppendBytes(uint8_t* to, const uint8_t* toEnd, const uint8_t* from, const uint8_t* fromEnd,
                     size_t n) {
  if (n <= 8 && fromEnd - from >= 8 && toEnd - to >= 8) {
    std::memcpy(to, from, 8);
  } else {
    std::memcpy(to, from, n);
  }
  return to + n;
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
  // First how many runs there are and how many bytes they keep, so that the step's vectors are
  // made at their size at once. A patch that changes every tenth byte of 8 MiB is nearly a
  // million runs: they are counted a block at a time, and visited once, when they are stored.
  // There the bytes of a long run of one value are counted whole, and given back at the end.
  size_t runs = 0;
  size_t changed = 0;
  size_t oldKept = 0;
  size_t newKept = 0;
  size_t touched = 0;
  for (const Segment& seg : segments) {
    touched += seg.Length;
    if (!seg.OldFill) {
      const DifferingRunCount count = CountDifferingRuns(seg.Old, seg.Now, seg.Length);
      runs += count.Runs;
      changed += count.Bytes;
      oldKept += count.Bytes;
      newKept += count.Bytes;
      continue;
    }
    ForEachChange(seg, [&](size_t start, size_t end, bool newFill) {
      ++runs;
      changed += end - start;
      oldKept += 1;
      newKept += newFill ? 1 : end - start;
    });
  }
  // Every touched byte changed, so that each segment is one run, and none is of one value: the
  // old bytes given are the step's as they stand.
  const bool takeOld = oldWhole && changed == touched &&
                       std::none_of(segments.begin(), segments.end(), [](const Segment& seg) {
                         return IsFillRun(seg.Old, seg.Length) || IsFillRun(seg.Now, seg.Length);
                       });
  step.Runs.resize(runs);
  if (takeOld) {
    step.OldBytes = std::move(*oldWhole);
  } else {
    step.OldBytes.resize(oldKept);
  }
  step.NewBytes.resize(newKept);
  // A long run of one value keeps that value; every other run its bytes.
  EditRun* run = step.Runs.data();
  uint8_t* old = step.OldBytes.data();
  uint8_t* now = step.NewBytes.data();
  const uint8_t* const oldEnd = old + step.OldBytes.size();
  const uint8_t* const nowEnd = now + newKept;
  for (const Segment& seg : segments) {
    ForEachChange(seg, [&](size_t start, size_t end, bool newFill) {
      const size_t length = end - start;
      *run = {seg.Offset + static_cast<uint32_t>(start), static_cast<uint32_t>(length)};
      run->OldFill = seg.OldFill || IsFillRun(seg.Old + start, length);
      run->NewFill = newFill;
      if (!takeOld) {
        old = seg.OldFill ? AppendBytes(old, oldEnd, seg.Old, seg.Old + 1, 1)
                          : AppendBytes(old, oldEnd, seg.Old + start, seg.Old + seg.Length,
                                        run->OldFill ? 1 : length);
      }
      now = AppendBytes(now, nowEnd, seg.Now + start, seg.Now + seg.Length,
                        run->NewFill ? 1 : length);
      ++run;
    });
  }
  // Runs of one value kept a byte each: the room counted for the rest goes.
  if (!takeOld) step.OldBytes.resize(static_cast<size_t>(old - step.OldBytes.data()));
  step.NewBytes.resize(static_cast<size_t>(now - step.NewBytes.data()));
  step.OldBytes.shrink_to_fit();
  step.NewBytes.shrink_to_fit();
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
