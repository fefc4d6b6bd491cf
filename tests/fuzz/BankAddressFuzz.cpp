// Bank-address texts ("01:4150", "100:4000") against a ROM of 0 to 1023 banks: a text that
// converts names a place in the ROM's banks, and that place written as a bank address converts
// back to it. Refusals are error boxes or conversion errors, nothing else.

#include "FuzzCommon.h"
#include "model/BankAddress.h"
#include "model/Failure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  const uint32_t bankCount = TakeNumber(text, 2) & 0x3FF;
  try {
    const uint32_t offset = BankAddressToOffset(text, bankCount);
    FUZZ_CHECK(BankOf(offset) <= bankCount);
    FUZZ_CHECK(BankAddressToOffset(OffsetToBankAddress(offset), bankCount) == offset);
  } catch (const Failure& f) {
    FUZZ_CHECK(f.kind == FailureKind::Error);
  } catch (const ConversionError&) {
  }
  return 0;
}
