// Tracing a ROM of up to 64 KiB (the input, after a few labels and marks it begins with): every
// instruction start is followed by exactly its operand bytes, in its bank; data and text are
// the marked bytes and what code reads through pointers; every reference comes from an
// instruction start or a table entry, and the
// lookups by source and by target give back exactly the references that match.

#include "FuzzCommon.h"
#include "analysis/Align.h"
#include "analysis/Trace.h"
#include "isa/Decoder.h"
#include "model/BankAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = AsText(data, size);
  TraceInput in;
  const uint32_t labelCount = TakeNumber(input, 1) % 16;
  const uint32_t markCount = TakeNumber(input, 1) % 8;
  std::vector<uint32_t> labels, marks;
  for (uint32_t i = 0; i < labelCount; ++i) labels.push_back(TakeNumber(input, 2));
  for (uint32_t i = 0; i < markCount; ++i) marks.push_back(TakeNumber(input, 4));
  const std::string_view image = input.substr(0, 0x10000);
  in.Image.assign(image.begin(), image.end());
  const auto romSize = static_cast<uint32_t>(in.Image.size());
  for (uint32_t l : labels) in.LabelOffsets.push_back(static_cast<int32_t>(l % (romSize + 1)));
  for (uint32_t m : marks) {
    const uint32_t offset = (m & 0xFFFF) % (romSize + 1);
    const uint32_t length = ((m >> 16) & 0x3FFF) + 1;
    in.Marks.Mark(offset, length, static_cast<MarkKind>((m >> 30) % 3));
  }

  const Trace trace = TraceRom(in);
  FUZZ_CHECK(trace.Classes.size() == romSize);
  for (uint32_t p = 0; p < romSize; ++p) {
    const ByteClass c = trace.Classes[p];
    const MarkBlock* block = in.Marks.BlockAt(p);
    const bool marked = block && block->Kind != MarkKind::Code;
    // Besides the marked bytes, only what traced code reads through a pointer is data.
    const bool read = trace.ReasonAt(p).Kind == ReasonKind::Read;
    FUZZ_CHECK(marked == (c == ByteClass::Text || (c == ByteClass::Data && !read)));
    if (c == ByteClass::Code) {
      const uint32_t end = p + InstructionLength(in.Image[p]);
      FUZZ_CHECK(end <= romSize && BankOf(end - 1) == BankOf(p));
      for (uint32_t q = p + 1; q < end; ++q) FUZZ_CHECK(trace.Classes[q] == ByteClass::Operand);
      FUZZ_CHECK(end == romSize || trace.Classes[end] != ByteClass::Operand);
      FUZZ_CHECK(trace.NextInstructionStart(p) == end);
    }
    if (c == ByteClass::Operand) {
      FUZZ_CHECK(trace.ClassAt(trace.InstructionStartAt(p)) == ByteClass::Code);
      FUZZ_CHECK(trace.ClassAt(AlignForward(trace, p)) != ByteClass::Operand);
    }
  }
  const References& refs = trace.Refs;
  uint32_t last = 0;
  for (const Reference& r : refs.All()) {
    // A table's entry is the source of the reference to what it points at.
    FUZZ_CHECK(trace.ClassAt(r.Source) ==
               (r.Kind == RefKind::Table ? ByteClass::Pointers : ByteClass::Code));
    FUZZ_CHECK(r.Source >= last);
    last = r.Source;
    bool seen = false;
    for (const Reference& s : refs.From(r.Source)) seen = seen || s == r;
    FUZZ_CHECK(seen);
    size_t same = 0;
    for (const Reference& s : refs.All()) same += s.Space == r.Space && s.Target == r.Target;
    FUZZ_CHECK(refs.CountTo(r.Target, r.Space) == same);
  }
  return 0;
}
