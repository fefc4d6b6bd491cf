// IPS and BPS patch files applied to a small ROM. The first byte picks how the rest is used: even,
// the rest is the patch file as it stands; odd, the rest is a BPS patch without its three CRC32s,
// which are added here (the source's, a wrong one for the result, the patch's own) so that the
// actions are read rather than refused at the first check. The next two bytes give the ROM's
// size (1 to 1024 bytes: a loaded ROM is never empty). A patch that applies gives a result that
// is not empty and that an IPS and a BPS patch made between the two ROMs give again; one that
// does not apply is refused with an error box, or says that it was applied already.

#include "FuzzCommon.h"
#include "model/Failure.h"
#include "patch/Bps.h"
#include "patch/Ips.h"
#include "patch/Patch.h"

namespace {

void AppendLittleEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = AsText(data, size);
  const bool addCrcs = TakeNumber(input, 1) & 1;
  std::vector<uint8_t> source((TakeNumber(input, 2) & 0x3FF) + 1);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 13 + 5);
  std::vector<uint8_t> patch(input.begin(), input.end());
  if (addCrcs) {
    AppendLittleEndian(patch, Crc32(source));
    AppendLittleEndian(patch, 0);
    AppendLittleEndian(patch, Crc32(patch));
  }

  std::vector<uint8_t> result;
  try {
    result = ApplyPatch(source, patch);
  } catch (const Failure& f) {
    // Only "This patch is already applied." is no error.
    FUZZ_CHECK(f.kind == FailureKind::Error || f.text == "This patch is already applied.");
    return 0;
  }
  FUZZ_CHECK(!result.empty() && result.size() <= kRomCapacity);
  // Making patches of large results takes long; the small ones show the same rules.
  if (result.size() > 0x10000) return 0;
  FUZZ_CHECK(ApplyIps(source, MakeIps(source, result)) == result);
  FUZZ_CHECK(ApplyBps(source, MakeBps(source, result)) == result);
  return 0;
}
