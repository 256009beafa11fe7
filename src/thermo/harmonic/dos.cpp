#include "thermo/harmonic/dos.hpp"

#include <cmath>
#include <limits>
#include <utility>

#include "thermo/harmonic/constants.hpp"
#include "thermo/base/number_text.hpp"

namespace thermo {

namespace {

struct unitinfo {
  unit u;
  const char* name;
  double joules;
};
constexpr unitinfo units[] = {
    {unit::thz, "THz", planck * 1e12},
    {unit::cm1, "cm-1", planck * lightspeed * 100.0},
    {unit::mev, "meV", elementary * 1e-3},
    {unit::ev, "eV", elementary},
    {unit::ry, "Ry", hartree / 2.0},
    {unit::ha, "Ha", hartree},
};

}  // namespace

bool parseunit(std::string_view name, unit& u) {
  // The spellings codes write, compared without case.
  static constexpr std::pair<const char*, unit> spellings[] = {
      {"thz", unit::thz},     {"cm-1", unit::cm1},     {"cm^-1", unit::cm1}, {"cm**-1", unit::cm1},
      {"1/cm", unit::cm1},    {"cm^{-1}", unit::cm1},  {"mev", unit::mev},   {"ev", unit::ev},
      {"ry", unit::ry},       {"ryd", unit::ry},       {"rydberg", unit::ry}, {"ha", unit::ha},
      {"hartree", unit::ha},
  };
  if (name.size() > 16) return false;
  char lower[17];
  for (std::size_t i = 0; i < name.size(); ++i)
    lower[i] = static_cast<char>(name[i] >= 'A' && name[i] <= 'Z' ? name[i] - 'A' + 'a' : name[i]);
  const std::string_view l(lower, name.size());
  for (const auto& [spelling, value] : spellings)
    if (l == spelling) {
      u = value;
      return true;
    }
  return false;
}

const char* unitname(unit u) {
  for (const auto& i : units)
    if (i.u == u) return i.name;
  return "?";
}

double joules(unit u) {
  for (const auto& i : units)
    if (i.u == u) return i.joules;
  return std::numeric_limits<double>::quiet_NaN();
}

spectrumbuilder::spectrumbuilder(spectrum& s, unit u) : s_(s), u_(u), scale_(joules(u)) { s_ = spectrum{}; }

void spectrumbuilder::setunit(unit u) {
  u_ = u;
  scale_ = joules(u);
}

bool energywithinlimits(double e, unit u, long line, problem& p) {
  if (!std::isfinite(e)) {
    p = {line, "a value that is not finite"};
    return false;
  }
  const double energy = e * joules(u);
  if (!std::isfinite(energy)) {
    p = {line, "the energy " + shortest(e) + " " + unitname(u) + " overflows in joules"};
    return false;
  }
  if (std::fabs(energy) > maxenergy) {
    p = {line, "the energy " + shortest(e) + " " + unitname(u) + " is beyond any phonon's (" + shortest(maxenergy) +
                   " J at most)"};
    return false;
  }
  return true;
}

bool spectrumbuilder::add(double e, double g, long line, problem& p) {
  if (!std::isfinite(e) || !std::isfinite(g)) {
    p = {line, "a value that is not finite"};
    return false;
  }
  if (!energywithinlimits(e, u_, line, p)) return false;
  const double energy = e * scale_, dos = g / scale_;
  if (!std::isfinite(dos)) {
    p = {line, "the DOS value " + shortest(g) + " per " + unitname(u_) + " overflows in states per joule"};
    return false;
  }
  const std::size_t n = s_.energy.size();
  if (n > 0) {
    if (!(energy > s_.energy[n - 1])) {
      p = {line, e > lastraw_ ? "energies " + shortest(lastraw_) + " and " + shortest(e) + " " + unitname(u_) +
                                    " are no longer distinct in joules (too close or too small)"
                              : std::string("energies do not increase strictly")};
      return false;
    }
    absolute_ += std::fabs(trapezoid(s_.energy[n - 1], s_.dos[n - 1], energy, dos));
    if (!(absolute_ <= maxstates)) {
      p = {line, "the DOS integrates to more than " + shortest(maxstates) + " states here"};
      return false;
    }
  }
  lastraw_ = e;
  if (energy > 0.0) ++positive_;
  if (dos < 0.0) ++s_.negative;
  s_.energy.push_back(energy);
  s_.dos.push_back(dos);
  return true;
}

bool spectrumbuilder::finish(problem& p) {
  const std::size_t n = s_.energy.size();
  if (n == 0) {
    p = {0, "no data: the file holds no DOS points"};
    return false;
  }
  if (positive_ < 2) {
    p = {0, "fewer than two points with energy above zero"};
    return false;
  }
  double integral = 0.0, above = 0.0;
  for (std::size_t i = 1; i < n; ++i) {
    const double a = trapezoid(s_.energy[i - 1], s_.dos[i - 1], s_.energy[i], s_.dos[i]);
    integral += a;
    if (s_.energy[i - 1] > 0.0) above += a;
  }
  if (!(integral > 0.0)) {
    p = {0, "the DOS does not integrate to a positive number of states"};
    return false;
  }
  if (!(above > 0.0)) {
    p = {0, "the DOS above zero energy does not integrate to a positive number of states"};
    return false;
  }
  return true;
}

}  // namespace thermo
