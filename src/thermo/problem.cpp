#include "thermo/problem.hpp"

#include <cstring>

#include "common/escape.hpp"
#include "common/freeform.hpp"

namespace thermo {

std::string notanumber(const common::readresult& r) {
  char shown[4 * sizeof r.text];
  common::escape(r.text, std::strlen(r.text), shown, sizeof shown);
  return "item " + std::to_string(r.item) + " is not a number: \"" + shown + "\"";
}

}  // namespace thermo
