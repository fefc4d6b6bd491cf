#include "model/NumberText.h"

#include "model/Failure.h"

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

int32_t StrToInt(std::string_view text) {
  auto fail = [&]() -> int32_t { throw ConversionError(std::string(text)); };
  if (text.empty()) return fail();
  if (text[0] == '$') {
    // "$" and one to eight hexadecimal digits: the bits as they stand (so $FFFFFFFF is -1).
    if (text.size() < 2 || text.size() > 9) return fail();
    uint32_t value = 0;
    for (size_t i = 1; i < text.size(); ++i) {
      int d = HexDigit(text[i]);
      if (d < 0) return fail();
      value = value * 16 + static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(value);
  }
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return fail();
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fail();
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return fail();
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return fail();
  return static_cast<int32_t>(value);
}

std::string GroupedDecimal(uint64_t value) {
  std::string digits = std::to_string(value);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits;
}

std::string IntToHex(uint32_t value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  while (static_cast<int>(out.size()) < digits) out.insert(out.begin(), '0');
  return out;
}

std::string IntToBin(uint16_t value) {
  std::string out = "%";
  bool started = false;
  for (int bit = 15; bit >= 0; --bit) {
    bool set = (value >> bit) & 1;
    if (set) started = true;
    if (started) out += set ? '1' : '0';
  }
  if (!started) out += '0';
  return out;
}

uint16_t BinToInt(std::string_view text) {
  std::string_view rest = text.empty() ? text : text.substr(1);
  std::string digits(rest);
  if (digits.size() < 16) digits.insert(0, 16 - digits.size(), '0');
  uint16_t value = 0;
  for (int i = 0; i < 16; ++i) {
    if (digits[i] == '1') value |= static_cast<uint16_t>(1u << (15 - i));
  }
  return value;
}

std::string ByteCountText(uint64_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}
