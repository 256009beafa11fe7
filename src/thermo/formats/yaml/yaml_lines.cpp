#include "thermo/formats/yaml/yaml_lines.hpp"

#include <array>

namespace thermo {

namespace {

// The characters of a key, by table (a key is read a character at a time
// on every line).
constexpr auto keychars = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<std::size_t>(c)] =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  return t;
}();
bool keychar(char c) { return keychars[static_cast<unsigned char>(c)]; }

bool itemchar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '+' ||
         c == '-' || c == '_';
}

}  // namespace

bool printable(std::string_view line) {
  unsigned char outside = 0;
  for (const char c : line) outside |= static_cast<unsigned char>(static_cast<unsigned char>(c) - 0x20u) >= 0x5Fu;
  return outside == 0;
}

std::string_view trimmed(std::string_view s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') + 1 - a);
}

bool splitkey(std::string_view s, std::string_view& key, std::string_view& rest) {
  // The key's characters up to the first colon, in one pass.
  std::size_t colon = 0;
  while (colon < s.size() && keychar(s[colon])) ++colon;
  if (colon == 0 || colon == s.size() || s[colon] != ':') return false;
  key = s.substr(0, colon);
  rest = s.substr(colon + 1);
  if (!rest.empty() && rest[0] != ' ') return false;
  if (rest.find('\t') != std::string_view::npos) return false;
  rest = trimmed(rest);
  return true;
}

bool plainvalue(std::string_view rest, std::string_view& value) {
  // One pass: a tab or a further `: ` sends the line to libyaml, ` #` ends it.
  bool cut = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    // Digits, '-', '.' and '/', which most values are made of, need no look.
    if (static_cast<unsigned char>(rest[i] - '-') <= '9' - '-') continue;
    const char c = rest[i], before = i > 0 ? rest[i - 1] : ' ';
    if (c == '\t' || (c == ' ' && before == ':')) return false;
    if (c == '#' && before == ' ') {
      rest = rest.substr(0, i);
      cut = true;
      break;
    }
  }
  // Already trimmed (as splitkey leaves it) unless a comment was cut off.
  value = !cut && !rest.empty() && rest.front() != ' ' && rest.back() != ' ' ? rest : trimmed(rest);
  if (value.empty()) return true;
  // A colon at the end is YAML's key indicator, not part of the text.
  if (value.back() == ':') return false;
  switch (value[0]) {
    case '[': case ']': case '{': case '}': case '&': case '*': case '!': case '|': case '>': case '\'': case '"':
    case '%': case '@': case '`': case '#': case ',': case '?': case ':': return false;
    case '-': return value.size() > 1 && value[1] != ' ';
    default: return true;
  }
}

bool keyvalue(std::string_view s, std::string_view& key, std::string_view& value) {
  std::string_view rest;
  return splitkey(s, key, rest) && plainvalue(rest, value);
}

int flowitems(std::string_view s, std::string_view* items, int most) {
  if (s.empty() || s[0] != '[' || s.find('\t') != std::string_view::npos) return -1;
  const std::size_t close = s.find(']');
  if (close == std::string_view::npos) return -1;
  const std::string_view after = trimmed(s.substr(close + 1));
  if (!after.empty() && !(after[0] == '#' && s[close + 1] == ' ')) return -1;
  std::string_view inside = s.substr(1, close - 1);
  int n = 0;
  for (;;) {
    const std::size_t comma = inside.find(',');
    const std::string_view item = trimmed(inside.substr(0, comma));
    // A dash alone may be YAML's block entry, which a flow list refuses.
    if (item.empty() || item == "-" || n == most) return -1;
    for (const char c : item)
      if (!itemchar(c)) return -1;
    items[n++] = item;
    if (comma == std::string_view::npos) return n;
    inside.remove_prefix(comma + 1);
  }
}

bool item(std::string_view line, std::size_t indent, std::string_view& rest) {
  if (line.size() < indent + 1 || line.find_first_not_of(' ') != indent || line[indent] != '-') return false;
  if (line.size() == indent + 1) {
    rest = {};
    return true;
  }
  if (line[indent + 1] != ' ') return false;
  rest = trimmed(line.substr(indent + 2));
  if (!rest.empty() && rest[0] == '#') rest = {};
  // More blanks after the dash move a mapping's keys to where its first one
  // stands, which the layout does not follow.
  return rest.empty() || line[indent + 2] != ' ';
}

bool keyat(std::string_view line, std::size_t indent, std::string_view& key, std::string_view& rest) {
  return line.size() > indent && line.find_first_not_of(' ') == indent && splitkey(line.substr(indent), key, rest);
}

}  // namespace thermo
