#include "model/TextTable.h"

#include <algorithm>
#include <cstdio>

#include "model/Failure.h"
#include "model/FileRead.h"

namespace {

std::string KeyOf(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An even, non-empty run of hex digits as bytes; false when the text is anything else.
bool ReadHexBytes(std::string_view hex, std::vector<uint8_t>& bytes) {
  if (hex.empty() || hex.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return true;
}

// Calls `line` with each line (without its CR LF or LF) and its 1-based number; a UTF-8 byte
// order mark at the start is not part of the first line.
template <class F>
void ForEachLine(std::string_view text, F line) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view one = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!one.empty() && one.back() == '\r') one.remove_suffix(1);
    line(one, ++number);
  }
}

void Skip(TableSkips& skips, int number, std::string_view line) {
  if (skips.Count++ == 0) {
    skips.FirstLine = number;
    skips.FirstText = std::string(line);
  }
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// One table-file line as an entry; false when it does not read.
bool ReadTableLine(std::string_view line, TableEntry& entry) {
  entry = {};
  if (line.front() == '/' || line.front() == '*') {
    entry.Code = line.front() == '/' ? TableCode::End : TableCode::Break;
    line.remove_prefix(1);
  }
  const size_t equals = line.find('=');
  if (!ReadHexBytes(line.substr(0, equals), entry.Bytes)) return false;
  if (equals != std::string_view::npos) entry.Text = std::string(line.substr(equals + 1));
  // A glyph needs its text; only the control codes may go without.
  return entry.Code != TableCode::Char || !entry.Text.empty();
}

// A number as rgbasm writes one: $hex, %binary, &octal, 0x/0b/0o prefixes, or decimal.
bool ReadAsmNumber(std::string_view s, uint32_t& value) {
  int base = 10;
  if (s.starts_with("$")) {
    base = 16, s.remove_prefix(1);
  } else if (s.starts_with("%")) {
    base = 2, s.remove_prefix(1);
  } else if (s.starts_with("&")) {
    base = 8, s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16, s.remove_prefix(2);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'b' || s[1] == 'B')) {
    base = 2, s.remove_prefix(2);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'o' || s[1] == 'O')) {
    base = 8, s.remove_prefix(2);
  }
  if (s.empty()) return false;
  value = 0;
  for (char c : s) {
    if (c == '_') continue;
    const int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return false;
    value = value * base + static_cast<uint32_t>(digit);
    if (value > 0xFFFF) return false;
  }
  return true;
}

// `charmap "text", n[, n...]` as an entry; false when the line is anything else.
bool ReadCharmapLine(std::string_view line, TableEntry& entry) {
  entry = {};
  if (!line.starts_with("charmap") || line.size() < 8 || (line[7] != ' ' && line[7] != '\t')) {
    return false;
  }
  line = TrimBlanks(line.substr(7));
  if (!line.starts_with("\"")) return false;
  size_t i = 1;
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] != '\\') {
      entry.Text += line[i];
      continue;
    }
    if (++i == line.size()) return false;
    switch (line[i]) {
      case 'n': entry.Text += '\n'; break;
      case 't': entry.Text += '\t'; break;
      case 'r': entry.Text += '\r'; break;
      case '0': entry.Text += '\0'; break;
      case '\\': case '"': case '\'': case '{': case '}': entry.Text += line[i]; break;
      default: return false;
    }
  }
  if (i == line.size() || entry.Text.empty()) return false;
  line.remove_prefix(i + 1);
  if (entry.Text == "\n") entry.Code = TableCode::Break, entry.Text.clear();
  // The values: one byte each, after a comma each.
  while (!(line = TrimBlanks(line)).empty()) {
    if (line.front() != ',') return false;
    line = TrimBlanks(line.substr(1));
    const size_t end = std::min(line.find_first_of(" \t,"), line.size());
    uint32_t value = 0;
    if (!ReadAsmNumber(line.substr(0, end), value) || value > 0xFF) return false;
    entry.Bytes.push_back(static_cast<uint8_t>(value));
    line.remove_prefix(end);
  }
  return !entry.Bytes.empty();
}

// Lines that hold nothing: blank, or a comment.
bool IsQuietLine(std::string_view line, bool hashComments) {
  const std::string_view trimmed = TrimBlanks(line);
  return trimmed.empty() || trimmed.front() == ';' || (hashComments && trimmed.front() == '#');
}

}  // namespace

size_t CharCount(std::string_view text) {
  // UTF-8 continuation bytes (10xxxxxx) do not start a character.
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<uint8_t>(c) & 0xC0) != 0x80;
  }));
}

void TextTable::Add(TableEntry entry) {
  const size_t index = entries_.size();
  const bool firstWithBytes = byBytes_.emplace(KeyOf(entry.Bytes), index).second;
  if (entry.Bytes.size() == 1 && firstWithBytes) {
    single_[entry.Bytes[0]] = static_cast<int32_t>(index);
  }
  if (entry.Bytes.size() > 1) startsLonger_[entry.Bytes[0]] = true;
  if (!entry.Text.empty()) byText_.emplace(entry.Text, index);
  if (entry.Code == TableCode::Break && breakEntry_ < 0) breakEntry_ = static_cast<int>(index);
  longestKey_ = std::max(longestKey_, entry.Bytes.size());
  longestText_ = std::max(longestText_, entry.Text.size());
  entries_.push_back(std::move(entry));
}

DecodedText TextTable::Decode(const uint8_t* data, size_t size, size_t maxChars) const {
  DecodedText out;
  std::string key;
  size_t at = 0;
  size_t chars = 0;
  while (at < size && chars < maxChars) {
    const size_t before = out.Text.size();
    const TableEntry* found = nullptr;
    const uint8_t first = data[at];
    if (!startsLonger_[first]) {
      if (single_[first] >= 0) found = &entries_[static_cast<size_t>(single_[first])];
    } else {
      for (size_t length = std::min(longestKey_, size - at); length > 0 && !found; --length) {
        key.assign(reinterpret_cast<const char*>(data + at), length);
        const auto it = byBytes_.find(key);
        if (it != byBytes_.end()) found = &entries_[it->second];
      }
    }
    if (found && !found->Text.empty()) {
      out.Text += found->Text;
    } else if (found && found->Code == TableCode::Break) {
      out.Text += "\\n";
    } else {
      // No entry, or an end code without text: the byte itself, which encodes back.
      for (size_t i = 0; i < (found ? found->Bytes.size() : 1); ++i) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "<$%02X>", data[at + i]);
        out.Text += escaped;
      }
    }
    at += found ? found->Bytes.size() : 1;
    chars += CharCount(std::string_view(out.Text).substr(before));
    if (found && found->Code == TableCode::End) {
      out.Ended = true;
      out.EndAt = before;
      out.EndLength = static_cast<uint32_t>(found->Bytes.size());
      break;
    }
  }
  out.Length = static_cast<uint32_t>(at);
  return out;
}

std::vector<uint8_t> TextTable::Encode(std::string_view text) const {
  std::vector<uint8_t> bytes;
  size_t at = 0;
  while (at < text.size()) {
    const std::string_view rest = text.substr(at);
    if (rest.size() >= 5 && rest.starts_with("<$") && rest[4] == '>' && HexDigit(rest[2]) >= 0 &&
        HexDigit(rest[3]) >= 0) {
      bytes.push_back(static_cast<uint8_t>(HexDigit(rest[2]) * 16 + HexDigit(rest[3])));
      at += 5;
      continue;
    }
    if (breakEntry_ >= 0 && rest.starts_with("\\n")) {
      const auto& b = entries_[static_cast<size_t>(breakEntry_)].Bytes;
      bytes.insert(bytes.end(), b.begin(), b.end());
      at += 2;
      continue;
    }
    const TableEntry* found = nullptr;
    for (size_t length = std::min(longestText_, rest.size()); length > 0 && !found; --length) {
      const auto it = byText_.find(std::string(rest.substr(0, length)));
      if (it != byText_.end()) found = &entries_[it->second];
    }
    if (!found) {
      // Name the whole character, all of its UTF-8 bytes.
      size_t length = 1;
      while (length < rest.size() && (static_cast<uint8_t>(rest[length]) & 0xC0) == 0x80) {
        ++length;
      }
      throw ErrorFailure("The table has no entry for '" + std::string(rest.substr(0, length)) +
                         "'.");
    }
    bytes.insert(bytes.end(), found->Bytes.begin(), found->Bytes.end());
    at += found->Text.size();
  }
  return bytes;
}

TextTable ReadTableText(std::string_view text, TableSkips& skips) {
  TextTable table;
  TableEntry entry;
  ForEachLine(text, [&](std::string_view line, int number) {
    if (IsQuietLine(line, true)) return;
    if (ReadTableLine(line, entry)) {
      table.Add(std::move(entry));
    } else {
      Skip(skips, number, line);
    }
  });
  return table;
}

TextTable ReadCharmapText(std::string_view text, TableSkips& skips) {
  TextTable table;
  TableEntry entry;
  ForEachLine(text, [&](std::string_view line, int number) {
    // A comment may follow the entry; a ";" inside the quoted text is part of it.
    std::string_view body = TrimBlanks(line);
    bool quoted = false;
    for (size_t i = 0; i < body.size(); ++i) {
      if (body[i] == '\\' && quoted) {
        ++i;
      } else if (body[i] == '"') {
        quoted = !quoted;
      } else if (body[i] == ';' && !quoted) {
        body = TrimBlanks(body.substr(0, i));
        break;
      }
    }
    if (body.empty()) return;
    if (ReadCharmapLine(body, entry)) {
      table.Add(std::move(entry));
    } else {
      Skip(skips, number, line);
    }
  });
  return table;
}

TextTable ReadAnyTableText(std::string_view text, TableSkips& skips) {
  bool charmap = false;
  // The first line that is neither blank nor a comment tells the form.
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view line = TrimBlanks(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#' || line == "\r") continue;
    charmap = line.starts_with("charmap") || line.starts_with("\xEF\xBB\xBF" "charmap");
    break;
  }
  return charmap ? ReadCharmapText(text, skips) : ReadTableText(text, skips);
}

std::string CharmapText(const TextTable& table) {
  std::string out;
  for (const TableEntry& e : table.Entries()) {
    if (e.Text.empty() && e.Code != TableCode::Break) continue;
    out += "charmap \"";
    for (char c : (e.Code == TableCode::Break && e.Text.empty()) ? std::string("\n") : e.Text) {
      switch (c) {
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        case '\\': case '"': case '{': case '}': out += '\\', out += c; break;
        default: out += c;
      }
    }
    out += '"';
    for (uint8_t b : e.Bytes) {
      char hex[8];
      std::snprintf(hex, sizeof hex, ", $%02X", b);
      out += hex;
    }
    out += '\n';
  }
  return out;
}

std::string TableFileBeside(const std::string& romFileName) {
  const size_t slash = romFileName.rfind('/');
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = romFileName.rfind('.');
  // A dot that starts the file name (".gb") or stands in a folder name is no extension.
  const bool hasExtension = dot != std::string::npos && dot > base;
  return (hasExtension ? romFileName.substr(0, dot) : romFileName) + ".tbl";
}

TextTable LoadTableFile(const std::string& path, TableSkips& skips) {
  const std::string text = ReadRegularFile(path, 16u << 20, "The table file is larger than 16 MiB.");
  return ReadAnyTableText(text, skips);
}

std::string TableSkipsText(const TableSkips& skips, const std::string& fileName) {
  if (skips.Count == 0) return {};
  const std::string line = "line " + std::to_string(skips.FirstLine) + ": " + skips.FirstText;
  if (skips.Count == 1) return "1 line of " + fileName + " skipped: " + line;
  return std::to_string(skips.Count) + " lines of " + fileName + " skipped; first, " + line;
}
