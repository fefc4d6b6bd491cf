// The trace on small ROMs that RGBDS builds from the idioms games use to reach code through hl:
// bank-switching routines, jump tables, pointers to data. Each row checks the classes of the
// bytes at its labels, the reasons, and the references of the new kinds.

#include <gtest/gtest.h>

#include <regex>

#include "AssembledRom.h"
#include "TestRom.h"
#include "analysis/Trace.h"
#include "model/BankAddress.h"

namespace {

// Four banks behind an MBC5; the vectors hold D3 unless a row puts code there.
const char kPrelude[] = R"(
SECTION "entry", ROM0[$100]
  jp Start
SECTION "cart", ROM0[$147]
  db $19
SECTION "last", ROMX[$7FFF], BANK[3]
  db $D3
)";

// "C" an instruction start, "o" an operand byte, "d" data, "t" text, "i" image, "p" an entry
// of a table of addresses, "." unknown.
std::string Classes(const Trace& trace, uint32_t from, size_t count) {
  std::string out;
  for (uint32_t i = from; i < from + count; ++i) out += ".Codtip"[static_cast<int>(trace.ClassAt(i))];
  return out;
}

// "{Name}" replaced by the label's bank address.
std::string Placed(const AssembledRom& rom, const std::string& text) {
  std::string out;
  const std::regex name(R"(\{([A-Za-z_0-9.]+)\})");
  auto last = text.cbegin();
  for (std::sregex_iterator it(text.begin(), text.end(), name), end; it != end; ++it) {
    out.append(last, (*it)[0].first);
    out += OffsetToBankAddress(rom.At((*it)[1].str()));
    last = (*it)[0].second;
  }
  out.append(last, text.cend());
  return out;
}

// The far calls, data pointers and table entries: "far call 00:0155 02:4800 via 00:0160".
std::vector<std::string> NewKindRefs(const Trace& trace) {
  std::vector<std::string> out;
  for (const Reference& r : trace.Refs.All()) {
    if (r.Kind != RefKind::FarCall && r.Kind != RefKind::Data && r.Kind != RefKind::Table) continue;
    std::string line = std::string(RefKindName(r.Kind)) + " " + OffsetToBankAddress(r.Source) + " " +
                       OffsetToBankAddress(r.Target);
    if (r.Kind == RefKind::FarCall) line += " via " + OffsetToBankAddress(r.Via);
    out.push_back(line);
  }
  return out;
}

// The routine's index math of a jump table: a word per entry.
const char kIndex[] = R"(
  add a, a
  ld e, a
  ld d, 0
  add hl, de
  ld a, [hli]
  ld h, [hl]
  ld l, a
)";

TEST(TraceIdiomsTest, CodeReachedThroughHlAndDataReadThroughPointers) {
  struct Row {
    const char* what;
    std::string source;
    bool withLabels;  // the symbol file's labels go into the trace
    std::vector<std::pair<std::string, std::string>> classes;  // label, classes from there
    std::vector<std::pair<std::string, std::string>> reasons;  // label, reason
    std::vector<std::string> refs;
  };
  const std::vector<Row> rows = {
      {"a GBDK-style trampoline through an rst $20 holding jp hl",
       R"(
SECTION "rst20", ROM0[$20]
  jp hl
SECTION "main", ROM0[$150]
Start:
  ld e, BANK(Far)
  ld hl, Far
FarSite:
  call Bcall
  jr Start
Bcall:
  ldh a, [$FF90]
  push af
  ld a, e
  ldh [$FF90], a
  ld [$2000], a
  rst $20
  pop af
  ldh [$FF90], a
  ld [$2000], a
  ret
SECTION "far", ROMX[$4800], BANK[2]
Far:
  ld a, 1
  ret
)",
       false, {{"Far", "CoC."}, {"Bcall", "CoCCCoCooC"}},
       {{"Far", "far call from {FarSite} via {Bcall}"}},
       {"far call {FarSite} {Far} via {Bcall}"}},
      {"a routine that sets the bank through a called one, then jumps through an rst; far calls "
       "where nothing else leads",
       R"(
SECTION "rst28", ROM0[$28]
Bankswitch:
  ldh [$FF82], a
  ld [$2000], a
  ret
SECTION "rst38", ROM0[$38]
  jp hl
SECTION "main", ROM0[$150]
Start:
  ld b, BANK(Far)
  ld hl, Far
FarSite:
  call CallAcross
  jr Start
CallAcross:
  ldh a, [$FF82]
  push af
  ld a, b
  rst $28
  rst $38
  pop af
  rst $28
  ret
Unreached:
  ld hl, Far2
  ld b, BANK(Far2)
UnreachedJp:
  jp CallAcross
SECTION "far", ROMX[$4800], BANK[2]
Far:
  ld a, 1
  ret
SECTION "far2", ROMX[$5000], BANK[3]
Far2:
  ret
)",
       false, {{"Far", "CoC."}, {"Unreached", "CooCoCoo"}, {"Far2", "C."}},
       {{"Far", "far call from {FarSite} via {CallAcross}"},
        {"Unreached", "far call to {CallAcross}"},
        {"Far2", "far call from {UnreachedJp} via {CallAcross}"}},
       {"far call {FarSite} {Far} via {CallAcross}", "far call {UnreachedJp} {Far2} via {CallAcross}"}},
      {"ld a,BANK then an rst that writes a to the bank register: calls, jumps and data "
       "pointers into that bank; a helper that switches through it and jumps to hl",
       R"(
SECTION "rst28", ROM0[$28]
  jp SetBank
SECTION "main", ROM0[$150]
Start:
  ld a, BANK(Far)
  rst $28
CallSite:
  call Far
DataSite:
  ld hl, Message
  ld a, [hl]
  ld b, BANK(Far2)
  ld hl, Far2
HelperSite:
  call CallHl
  ld a, BANK(Far3)
  rst $28
JumpSite:
  jp Far3
SetBank:
  ld [$2000], a
  ret
CallHl:
  ld a, b
  rst $28
  jp hl
SECTION "far", ROMX[$4800], BANK[2]
Far:
  ld a, 1
  ret
Message:
  db $3E, $01, $C9
SECTION "far2", ROMX[$5000], BANK[3]
Far2:
  ret
  db $D3
Far3:
  jr Far3
)",
       false, {{"Far", "CoCddd"}, {"Far2", "C."}, {"Far3", "Co"}},
       {{"Far", "traced from {CallSite}"}, {"Message", "read from {DataSite}"},
        {"Far2", "far call from {HelperSite} via {CallHl}"}, {"Far3", "traced from {JumpSite}"}},
       {"data {DataSite} {Message}", "far call {HelperSite} {Far2} via {CallHl}"}},
      {"the switching rst's code at its vector; helpers that switch through it and call a "
       "jp hl stub, or an rst that jumps to hl when it is below 8000",
       R"(
SECTION "rst08", ROM0[$08]
  ld [$2000], a
  ret
SECTION "rst38", ROM0[$38]
  bit 7, h
  jr nz, RamCall
  jp hl
RamCall:
  jp $C000
SECTION "main", ROM0[$150]
Start:
  ld a, BANK(Far)
  rst $08
CallSite:
  call Far
  ld hl, Far2
  ld b, BANK(Far2)
HelperSite:
  call CallHl
  ld b, BANK(Far3)
  ld hl, Far3
RstSite:
  call CallRst
DispatchSite:
  call Dispatch
After:
  jr Start
Dispatch:
  push hl
  call Far
  pop hl
TableRead:
  ld hl, Table
  ld a, [hli]
  ld h, [hl]
  ld l, a
  rst $38
  ret
Table:
  dw Entry
Entry:
  ret
CallRst:
  ldh a, [$FF82]
  push af
  ld a, b
  rst $08
  rst $38
  pop af
  rst $08
  ret
CallHl:
  ld a, b
  rst $08
  call JpHl
  ld a, 1
  rst $08
  ret
JpHl:
  jp hl
SECTION "far", ROMX[$4800], BANK[2]
Far:
  ret
  db $D3
SECTION "far2", ROMX[$5000], BANK[3]
Far2:
  ret
  db $D3
Far3:
  ret
  db $D3
)",
       false, {{"Far", "C."}, {"Far2", "C."}, {"Far3", "C."}, {"After", "Co"}, {"Entry", "C"}},
       {{"Far", "traced from {CallSite}"}, {"Far2", "far call from {HelperSite} via {CallHl}"},
        {"Far3", "far call from {RstSite} via {CallRst}"}},
       {"far call {HelperSite} {Far2} via {CallHl}", "far call {RstSite} {Far3} via {CallRst}",
        "data {TableRead} {Table}"}},
      {"a helper that reads the bank and address after its call",
       R"(
SECTION "main", ROM0[$150]
Start:
FarSite:
  call FarCall
  db BANK(Far)
  dw Far
After:
  jr Start
FarCall:
  pop hl
  ld a, [hli]
  ld [$2000], a
  ld a, [hli]
  ld e, a
  ld a, [hli]
  ld d, a
  push hl
  ld h, d
  ld l, e
  jp hl
SECTION "far", ROMX[$5000], BANK[3]
Far:
  ld a, 1
  ret
)",
       false, {{"FarSite", "CoopppCo"}, {"Far", "CoC."}},
       {{"Far", "far call from {FarSite} via {FarCall}"},
        {"After", "traced from 00:0100"}},
       {"far call {FarSite} {Far} via {FarCall}"}},
      {"an rst whose routine jumps through the words after the rst",
       R"(
SECTION "rst28", ROM0[$28]
JumpTable:
  pop hl
  add a, a
  add a, l
  ld l, a
  jr nc, .skip
  inc h
.skip
  ld a, [hli]
  ld h, [hl]
  ld l, a
  jp hl
SECTION "main", ROM0[$150]
Start:
  ldh a, [$FF80]
Site:
  rst $28
Table:
  dw First
Table1:
  dw Second
First:
  ld a, 1
  ret
Second:
  ld a, 2
  ret
)",
       false, {{"Site", "CppppCoCCoC."}},
       {{"Table", "table used at {Site}"}, {"First", "table at {Table}"},
        {"Second", "table at {Table1}"}},
       {"table {Table} {First}", "table {Table1} {Second}"}},
      {"ld hl,Table then an index and jp hl",
       std::string(R"(
SECTION "main", ROM0[$150]
Start:
  ldh a, [$FF80]
  ld hl, Table
)") + kIndex + R"(
Jump:
  jp hl
Table:
  dw First
Table1:
  dw Second
Next:
  dw $D3D3
First:
  ld a, 1
  ret
Second:
  ret
)",
       false, {{"Jump", "Cpppp.."}, {"First", "CoCC."}},
       {{"Table", "table used at {Jump}"}, {"Second", "table at {Table1}"}},
       {"table {Table} {First}", "table {Table1} {Second}"}},
      {"a table in bank 0 whose entries are in the bank written before",
       std::string(R"(
SECTION "main", ROM0[$150]
Start:
  ld a, BANK(First)
  ld [$2000], a
  ldh a, [$FF80]
  ld hl, Table
)") + kIndex + R"(
  jp hl
Table:
  dw First
Table1:
  dw Second
SECTION "far", ROMX[$4000], BANK[2]
First:
  ld a, 1
  ret
Second:
  ret
)",
       false, {{"Table", "pppp"}, {"First", "CoCC."}}, {{"Second", "table at {Table1}"}},
       {"table {Table} {First}", "table {Table1} {Second}"}},
      {"a label read through hl is data; calls through hl; a label without evidence",
       R"(
SECTION "main", ROM0[$150]
Start:
  ld hl, Message
  ld a, [hli]
  ld hl, Routine
HlSite:
  call CallHl
  jr Start
CallHl:
  jp hl
Routine:
  ret
  db $D3
Orphan:
  ld a, 2
  ret
Message:
  db $3E, $01, $C9
Junk:
  db $D3, $C9
)",
       true, {{"Message", "ddd.."}, {"Routine", "C.CoC"}},
       {{"Message", "read from {Start}"}, {"Routine", "traced from {HlSite}"}, {"Orphan", "label"},
        {"Junk", ""}},
       {"data {Start} {Message}"}},
  };
  if (RgbdsBin().empty()) GTEST_SKIP() << "rgbasm and rgblink not found (PATH or RGBDS_BIN)";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const AssembledRom built = Assemble(kPrelude + row.source);
    ASSERT_FALSE(built.image.empty()) << built.error;
    auto rom = MakeRom(static_cast<uint32_t>(built.image.size()));
    std::copy(built.image.begin(), built.image.end(), rom->RomImage.begin());
    LabelTables labels;
    if (row.withLabels)
      for (const auto& [name, offset] : built.labels) labels.AddRomLabel(static_cast<int32_t>(offset), name);
    const Trace trace = TraceRom(*rom, labels, {});
    for (const auto& [name, expected] : row.classes)
      EXPECT_EQ(Classes(trace, built.At(name), expected.size()), expected) << name;
    for (const auto& [name, expected] : row.reasons)
      EXPECT_EQ(ReasonText(trace.ReasonAt(built.At(name))), Placed(built, expected)) << name;
    std::vector<std::string> refs;
    for (const std::string& r : row.refs) refs.push_back(Placed(built, r));
    EXPECT_EQ(NewKindRefs(trace), refs);
  }
}

}  // namespace
