// Number texts: StrToInt reads decimal with an optional sign or "$" and one to eight hex digits
// and refuses anything else with the whole text in its message; what it reads comes back from
// its decimal and "$" writings. BinToInt reads anything, and IntToBin writes what it reads back.

#include <charconv>

#include "FuzzCommon.h"
#include "model/Failure.h"
#include "model/NumberText.h"

namespace {

// What StrToInt should read, worked out with the standard library.
bool Expected(std::string_view text, int32_t& value) {
  if (text.size() >= 2 && text.size() <= 9 && text[0] == '$') {
    uint32_t bits = 0;
    auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), bits, 16);
    value = static_cast<int32_t>(bits);
    return error == std::errc() && end == text.data() + text.size();
  }
  const bool sign = !text.empty() && (text[0] == '+' || text[0] == '-');
  const std::string_view digits = text.substr(sign ? 1 : 0);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  int64_t wide = 0;
  if (std::from_chars(digits.data(), digits.data() + digits.size(), wide).ec != std::errc()) {
    return false;
  }
  if (text[0] == '-') wide = -wide;
  if (wide < INT32_MIN || wide > INT32_MAX) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = AsText(data, size);
  int32_t expected = 0;
  const bool readable = Expected(text, expected);
  try {
    const int32_t value = StrToInt(text);
    FUZZ_CHECK(readable && value == expected);
    FUZZ_CHECK(StrToInt(std::to_string(value)) == value);
    FUZZ_CHECK(StrToInt("$" + IntToHex(static_cast<uint32_t>(value), 1)) == value);
  } catch (const ConversionError& e) {
    FUZZ_CHECK(!readable);
    FUZZ_CHECK(e.text == "'" + std::string(text) + "' is not a valid integer value");
  }
  const uint16_t bits = BinToInt(text);
  FUZZ_CHECK(BinToInt(IntToBin(bits)) == bits);
  return 0;
}
