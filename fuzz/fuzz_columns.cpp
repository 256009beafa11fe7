// Arbitrary bytes as a lattice_thermo column file (the first byte picks the
// unit and the layout): either a DOS that passed every check, whose
// functions are then evaluated, or a problem with a message. Never a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "thermo/constants.hpp"
#include "thermo/debye.hpp"
#include "thermo/dos.hpp"
#include "thermo/harmonic.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const thermo::unit units[] = {thermo::unit::thz, thermo::unit::cm1, thermo::unit::mev,
                                thermo::unit::ev,  thermo::unit::ry,  thermo::unit::ha};
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  thermo::spectrum s;
  thermo::problem p;
  const bool pds = data[0] & 0x80;
  const bool ok = pds ? thermo::parsepds(text, s, p) : thermo::parsecolumns(text, units[data[0] % 6], s, p);
  if (!ok) {
    if (p.what.empty() || p.line < 0) std::abort();  // a problem always says what it is
    return 0;
  }
  if (s.energy.size() < 2 || s.energy.size() != s.dos.size()) std::abort();
  for (std::size_t i = 1; i < s.energy.size(); ++i)
    if (!(s.energy[i] > s.energy[i - 1]) || !std::isfinite(s.dos[i])) std::abort();
  const thermo::harmonicdos d = thermo::prepare(s);
  for (double t : {0.0, 1.0, 300.0}) {
    const thermo::harmonic h = thermo::evaluate(d, t);
    (void)thermo::debyetemperature(h.heat_capacity / (d.states * thermo::boltzmann), t);  // n = states / 3
  }
  return 0;
}
