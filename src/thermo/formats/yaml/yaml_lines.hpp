// lattice_thermo: the lines of phonopy's own YAML layouts read without
// libyaml (thermal_lines, mesh_lines): `key: value`, with a value YAML takes
// as the plain text it is, and a flow list of such values. Anything these
// do not recognise, the caller reads with libyaml instead, so that what a
// file says never depends on the reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace thermo {

// Whether every byte of a line is printable ASCII. A line with anything
// else (a control character, a tab, UTF-8) goes to libyaml, which alone
// tells valid UTF-8 from invalid and refuses control characters.
bool printable(std::string_view line);

// s without the blanks around it.
std::string_view trimmed(std::string_view s);

// `key: rest`: a key of letters, digits, '_' and '-', a colon, and the rest
// of the line after a blank (trimmed; empty where none), no tab anywhere.
bool splitkey(std::string_view s, std::string_view& key, std::string_view& rest);

// The rest of a `key: rest` line as a value that YAML takes as the plain
// text it is (a comment after it cut off): none of its indicators at the
// start, no further `: ` in it nor `:` at its end. An empty value is one.
bool plainvalue(std::string_view rest, std::string_view& value);

// `key: value` with a value that YAML takes as the plain text it is (a
// comment after it cut off): none of its indicators at the start, no
// further `: ` in it nor `:` at its end. An empty value is one.
bool keyvalue(std::string_view s, std::string_view& key, std::string_view& value);

// A flow list `[ a, b, ... ]`, a comment after it allowed, of at most `most`
// items, each of letters, digits and `.+-_` alone (not a lone `-`): their
// count, with the items in `items`; -1 where s is not such a list.
int flowitems(std::string_view s, std::string_view* items, int most);

// `- rest` at `indent` blanks: the rest after "- ", trimmed (empty for a
// lone `-` or a comment alone); not where more blanks precede the rest.
bool item(std::string_view line, std::size_t indent, std::string_view& rest);

// `key: rest` at exactly `indent` blanks, as splitkey takes it.
bool keyat(std::string_view line, std::size_t indent, std::string_view& key, std::string_view& rest);

// The keys of one mapping, for a key given twice (which libyaml refuses).
class keyset {
 public:
  bool fresh(std::string_view key) {
    for (const std::string& k : keys_)
      if (k == key) return false;
    keys_.emplace_back(key);
    return true;
  }
  void clear() { keys_.clear(); }

 private:
  std::vector<std::string> keys_;
};

}  // namespace thermo
