#include "thermo/base/problem.hpp"

#include <cstdio>
#include <cstring>

#include "common/escape.hpp"
#include "common/freeform.hpp"

namespace thermo {

std::string notanumber(const common::readresult& r) {
  char shown[4 * sizeof r.text];
  common::escape(r.text, static_cast<std::size_t>(r.length), shown, sizeof shown);
  return "item " + std::to_string(r.item) + " is not a number: \"" + shown + "\"";
}

std::string showpath(const std::string& path) {
  std::string s;
  for (const char c : path) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      s += buf;
    } else {
      s += c;
    }
  }
  return s;
}

std::string messageof(const std::string& path, const problem& p) {
  // In steps: g++ 12 misreads a + chain with to_string here (-Wrestrict).
  std::string s = "lattice_thermo: ";
  s += showpath(path);
  if (p.line > 0) {
    s += ':';
    s += std::to_string(p.line);
  }
  s += ": ";
  s += p.what;
  s += '\n';
  return s;
}

}  // namespace thermo
