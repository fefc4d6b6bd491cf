#include "export/RgbdsCharmap.h"

#include <algorithm>

#include "export/RgbdsSyntax.h"
#include "model/TextRows.h"

namespace {

// A text rgbasm reads back byte for byte from a string literal: well-formed UTF-8, and no
// control character but the three that have escapes.
bool WritableText(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\n' && c != '\t' && c != '\r') || c == 0x7F) return false;
      ++i;
      continue;
    }
    const size_t length = c >= 0xC2 && c < 0xE0    ? 2
                          : c >= 0xE0 && c < 0xF0  ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return !text.empty();
}

// The text inside a string literal's quotes.
void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
      case '"':
      case '{':
      case '}':
        out += '\\', out += c;
        break;
      default:
        out += c;
    }
  }
}

std::string KeyOf(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace

RgbdsCharmap::RgbdsCharmap(const TextTable* table) : table_(table) {
  if (table == nullptr) return;
  for (const TableEntry& e : table->Entries()) {
    const std::string text =
        e.Text.empty() && e.Code == TableCode::Break ? std::string("\n") : e.Text;
    // A second line for a text would replace the first in rgbasm; the table encodes by the first.
    if (!WritableText(text) || byText_.count(text) != 0) continue;
    byText_.emplace(text, e.Bytes);
    textOfBytes_.emplace(KeyOf(e.Bytes.data(), e.Bytes.size()), text);
    longestText_ = std::max(longestText_, text.size());
    lines_ += "charmap \"";
    AppendEscaped(lines_, text);
    lines_ += '"';
    for (uint8_t b : e.Bytes) {
      lines_ += ", ";
      AppendHexByte(lines_, b);
    }
    lines_ += '\n';
  }
}

std::string RgbdsCharmap::FileText() const {
  return "; The game's text encoding, from its table: each text and the bytes rgbasm writes for\n"
         "; it in a string.\n\n" +
         lines_;
}

bool RgbdsCharmap::Encodes(std::string_view text, const std::vector<uint8_t>& bytes) const {
  size_t out = 0;
  for (size_t at = 0; at < text.size();) {
    const std::vector<uint8_t>* found = nullptr;
    size_t length = std::min(longestText_, text.size() - at);
    for (; length > 0; --length) {
      const auto it = byText_.find(std::string(text.substr(at, length)));
      if (it != byText_.end()) {
        found = &it->second;
        break;
      }
    }
    if (found == nullptr) return false;  // rgbasm would copy the character as it stands
    if (out + found->size() > bytes.size() ||
        !std::equal(found->begin(), found->end(), bytes.begin() + static_cast<ptrdiff_t>(out))) {
      return false;
    }
    out += found->size();
    at += length;
  }
  return out == bytes.size();
}

std::string RgbdsCharmap::RowOperands(const uint8_t* data, size_t size, size_t& used) const {
  const size_t row = table_ == nullptr ? std::min<size_t>(size, 8)
                                       : table_->Decode(data, size, kTextRowWidth).Length;
  std::string operands;
  std::string pending;  // a string being gathered, unescaped
  std::vector<uint8_t> pendingBytes;
  auto separate = [&] {
    if (!operands.empty()) operands += ", ";
  };
  auto flush = [&] {
    if (pending.empty()) return;
    separate();
    operands += '"';
    AppendEscaped(operands, pending);
    operands += '"';
    pending.clear();
    pendingBytes.clear();
  };
  auto numbers = [&](const uint8_t* from, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      separate();
      AppendHexByte(operands, from[i]);
    }
  };
  for (size_t at = 0; at < row;) {
    // One key of the table at a time, as the listing decodes it.
    const size_t length = table_ == nullptr ? 1 : table_->Decode(data + at, row - at, 1).Length;
    const auto text = textOfBytes_.find(KeyOf(data + at, length));
    if (text == textOfBytes_.end()) {
      flush();
      numbers(data + at, length);
      at += length;
      continue;
    }
    std::string longer = pending + text->second;
    std::vector<uint8_t> longerBytes = pendingBytes;
    longerBytes.insert(longerBytes.end(), data + at, data + at + length);
    if (Encodes(longer, longerBytes)) {
      pending = std::move(longer);
      pendingBytes = std::move(longerBytes);
    } else {
      flush();
      const std::vector<uint8_t> own(data + at, data + at + length);
      if (Encodes(text->second, own)) {
        pending = text->second;
        pendingBytes = own;
      } else {
        numbers(data + at, length);
      }
    }
    at += length;
  }
  flush();
  used = std::max<size_t>(row, 1);
  return operands;
}
