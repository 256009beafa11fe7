#include "thermo/qha/transitions.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/qha/crossing_search.hpp"

namespace thermo {

namespace {

constexpr int cells = 12;

// Whether the guides vouch for the sign of dG on the fits at the end g:
// their error against the fits, known at the nearest crossing found (where
// the fits' dG is 0, and its slope dV), carried to g, must be a tenth of
// dG there at most. `low`: dG on the fits is at or below 0 there.
bool vouched(phasepair& q, const gapsample& g, const std::vector<crossing>& found, bool& low) {
  const crossing* near = nullptr;
  for (const crossing& c : found)
    if (near == nullptr || std::fabs(c.pressure - g.p) < std::fabs(near->pressure - g.p)) near = &c;
  if (near == nullptr) return false;
  const gapsample at = q.guided(near->pressure);
  if (!at.ok) return false;
  const double e = -at.f, slope = (near->second.volume - near->first.volume) / gpa - at.d, h = g.p - near->pressure;
  const double f = g.f + e + slope * h, bound = std::fabs(e) + std::fabs(slope * h);
  low = f <= 0.0;
  return std::fabs(f) > 10.0 * bound + g.noise;
}

}  // namespace

void referencegap(const phasecurve& a, const phasecurve& b, double& hi, double& lo) {
  // r / z as q + low exactly to rounding: the remainder of the division by fma.
  auto divide = [](const phasecurve& c, double& q, double& low) {
    q = c.reference() / c.units;
    low = (std::fma(-q, c.units, c.reference()) + c.referencelow()) / c.units;
  };
  double qa, la, qb, lb;
  divide(a, qa, la);
  divide(b, qb, lb);
  // qb - qa with its rounding error (Knuth's two-sum).
  hi = qb - qa;
  const double bb = hi - qb;
  lo = ((qb - (hi - bb)) + (-qa - bb)) + (lb - la);
}

pairoutcome crossings(phasecurve& a, phasecurve& b, double pmin, double pmax) {
  pairoutcome out;
  a.common = b.common = a.guidevolume() / a.units;
  phasepair q(a, b);
  // Where to look: within a quarter of each guide's span of pressures
  // over its volumes beyond them.
  double lo = pmin, hi = pmax;
  for (const phasecurve* it : {&a, &b}) {
    double ps, pl;
    it->guiderange(ps, pl);
    const double margin = 0.25 * std::fabs(ps - pl);
    lo = std::fmax(lo, std::fmin(ps, pl) - margin);
    hi = std::fmin(hi, std::fmax(ps, pl) + margin);
  }
  if (!(lo < hi)) return out;
  auto fail = [&] {
    out.failed = true;
    out.why = q.why;
    return out;
  };
  // The guides at 13 pressures, both ends included, show where dG changes
  // sign, and where its slope turns it back toward zero (split where the
  // slope vanishes); each such cell's crossing is found on the fits.
  std::vector<gapsample> grid;
  searched s;
  for (int k = 0; k <= cells; ++k) {
    grid.push_back(q.guided(k == cells ? hi : lo + (hi - lo) * k / cells));
    s.differ = s.differ || grid.back().differ;
  }
  for (int k = 0; k < cells; ++k) {
    const gapsample &l = grid[k], &r = grid[k + 1];
    if (!l.ok || !r.ok) continue;
    if (below(l) != below(r) || l.f == 0.0) {
      if (!take(q, l, r, lo, hi, s)) return fail();
    } else if ((l.d < 0.0) != (r.d < 0.0) && (l.d < 0.0) == (l.f > 0.0)) {
      const gapsample m = q.guided(l.p + (r.p - l.p) * l.d / (l.d - r.d));
      if (m.ok && below(m) != below(l) && (!take(q, l, m, lo, hi, s) || !take(q, m, r, lo, hi, s))) return fail();
    }
  }
  std::sort(s.found.begin(), s.found.end(), [](const crossing& x, const crossing& y) { return x.pressure < y.pressure; });
  std::vector<crossing> all;
  for (const crossing& c : s.found)  // each once: two cells may find the same one
    if (all.empty() || c.pressure > all.back().pressure + 1e-9 * std::fmax(1.0, std::fabs(c.pressure))) all.push_back(c);
  // The sign of dG at both ends, where the guides cannot vouch for it on
  // the fits themselves: each crossing turns it, and where the ends say
  // otherwise, the guides missed one and the fits are scanned.
  bool ends[2], known = true;
  for (int k = 0; k < 2 && known; ++k) {
    const gapsample& g = grid[k == 0 ? 0 : cells];
    if (!(g.ok && vouched(q, g, all, ends[k]))) {
      q.why.clear();
      const gapsample f = q.fitted(g.p);
      const pairoutcome::lost lost = q.outside(g.p);
      if (!f.ok && !lost.first && !lost.second) return fail();
      known = f.ok;
      ends[k] = below(f);
      s.differ = s.differ || f.differ;
    }
  }
  // dG and dV within rounding wherever they were seen: the phases do not
  // differ.
  if (!s.differ) return out.same = true, out;
  if (known && (ends[0] != ends[1]) != (all.size() % 2 == 1)) {
    s = searched{};
    if (!scanfits(q, lo, hi, s)) return fail();
    all = s.found;
  }
  out.outside = s.lost;
  for (const crossing& c : all) {
    if (!(c.first.inside && c.second.inside))
      out.outside.push_back({c.pressure, !c.first.inside, !c.second.inside});
    else if (!(std::fabs(c.second.volume - c.first.volume) > volumenoise * std::fmax(c.first.volume, c.second.volume)))
      out.touching.push_back(c.pressure);  // no volume change beyond rounding: no transition
    else
      out.crossings.push_back(c);
  }
  return out;
}

}  // namespace thermo
