// lattice_thermo: the pieces of the search for two phases' crossings at one
// temperature: G_b - G_a at one pressure on the fits themselves or on the
// guides, a crossing found to full precision inside its bracket on the
// fits, and the fits' own scan of an interval where the guides' count does
// not add up.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/eos.hpp"
#include "thermo/qha/phase_curve.hpp"
#include "thermo/qha/transitions.hpp"

namespace thermo {

// What rounding alone could give: G differences within 1e-12 of the
// phases' energies (no input's decimals say more; or the fits' own
// rounding, where larger), and volume changes within 1e-9 of the volume.
inline constexpr double gapnoise = 1e-12, volumenoise = 1e-9;

// dG = G_b - G_a (eV per formula unit) at pressure p (GPa), its derivative
// d = dV / gpa (eV/GPa) and that one's, c (0 on the guides).
struct gapsample {
  double p = 0.0, f = 0.0, d = 0.0, c = 0.0;
  double rounding = 0.0;  // of f, on the fits
  double noise = 0.0;     // what rounding alone could make of f
  bool differ = false;    // f or dV beyond what rounding could make of them
  bool ok = false;
  bool fitted = false;    // on the fits themselves
};

// Two phases at one temperature, as the search takes them.
class phasepair {
 public:
  phasepair(phasecurve& a, phasecurve& b);

  // On the fits, each started from the last one (the states in a() and b()).
  gapsample fitted(double p);
  // On the guides, each volume started from the last one.
  gapsample guided(double p);
  // Both phases' states at root, fitted there unless they were last.
  bool crossingat(double root, crossing& c);
  // Which guides put their volumes at p outside the volumes sampled.
  pairoutcome::lost outside(double p) const;

  std::string why;  // of the last fit that failed

 private:
  phasecurve &a_, &b_;
  double hi_ = 0.0, lo_ = 0.0;  // the references' gap
  double scale_ = 0.0;          // eV, the references' sizes per formula unit
  phasestate sa_, sb_;          // at the last fitted pressure
  double va_ = 0.0, vb_ = 0.0, ba_ = 0.0, bb_ = 0.0, pg_ = 0.0;  // the guides' last volumes and moduli
  double gap(double ga, double gb) const { return hi_ + ((gb - ga) + lo_); }
};

// 4 ulp of p, of 1 GPa near 0.
double tolerance(double p);
inline bool below(const gapsample& s) { return s.f <= 0.0; }

// The root in the cell [l, r] whose values differ in sign (on the guides,
// the fits or both), within the search's interval [lo, hi]: from the
// guides' own root or the nearer fitted end, Newton's steps on the fits,
// inside a bracket once one is seen. False where none is found (or a fit
// fails: q.why says why).
bool refine(phasepair& q, const gapsample& l, const gapsample& r, double lo, double hi, double& root);

// Between l and r, of one sign, whose slopes turn dG back toward zero: the
// extremum (Newton's steps on dV = 0 on the fits, kept inside); true with
// it in m where dG there has the other sign, a crossing on either side.
bool beyondzero(phasepair& q, const gapsample& l, const gapsample& r, gapsample& m);

// What a search finds: the crossings in increasing pressure, those it
// could not refine where a phase lies beyond its volumes, and whether dG
// or dV passed rounding anywhere.
struct searched {
  std::vector<crossing> found;
  std::vector<pairoutcome::lost> lost;
  bool differ = false;
};

// The crossing in the cell [l, r] refined, with both phases' states, into
// s; false where a fit fails within both phases' volumes (q.why).
bool take(phasepair& q, const gapsample& l, const gapsample& r, double lo, double hi, searched& s);

// The fits themselves at 13 pressures from lo to hi, both included, each
// fit from the last: every cell whose ends differ in sign, or that
// beyondzero splits, taken. False where a fit fails within both phases'
// volumes (q.why).
bool scanfits(phasepair& q, double lo, double hi, searched& s);

}  // namespace thermo
