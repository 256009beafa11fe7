#include "thermo/qha/eos.hpp"

namespace thermo {

bool parseeos(std::string_view name, eos& form) {
  if (name == "vinet") form = eos::vinet;
  else if (name == "birch_murnaghan") form = eos::birch_murnaghan;
  else if (name == "murnaghan") form = eos::murnaghan;
  else return false;
  return true;
}

const char* eosname(eos form) {
  switch (form) {
    case eos::birch_murnaghan: return "birch_murnaghan";
    case eos::murnaghan: return "murnaghan";
    case eos::vinet: break;
  }
  return "vinet";
}

}  // namespace thermo
