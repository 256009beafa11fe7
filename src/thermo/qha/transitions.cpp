#include "thermo/qha/transitions.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "thermo/qha/eos.hpp"

namespace thermo {

namespace {

constexpr int cells = 12;

// dG = G_b - G_a and its pressure derivative (eV, eV/GPa per formula unit)
// at one pressure, from the fits or from the guides.
struct sample {
  double p = 0.0, f = 0.0, d = 0.0;
  double c = 0.0;         // dd/dp, from the fits' V and B_T (0: none)
  double rounding = 0.0;  // of f, from the fits
  bool ok = false;
};

struct twophases {
  phasecurve& a;
  phasecurve& b;
  double hi, lo;        // the references' gap
  phasestate sa, sb;    // at the last fitted pressure
  std::string why;

  double gap(double ga, double gb) const { return hi + ((gb - ga) + lo); }

  sample fitted(double p) {
    sample s{p};
    s.ok = a.at(p, sa, why) && b.at(p, sb, why);
    if (s.ok) {
      s.f = gap(sa.gibbs, sb.gibbs);
      s.d = (sb.volume - sa.volume) / gpa;
      // dV/dP = -V/B_T of each phase.
      s.c = (sa.fitted / sa.bulk / a.units - sb.fitted / sb.bulk / b.units) / (gpa * gpa);
      s.rounding = 8.0 * std::numeric_limits<double>::epsilon() * (sa.size + sb.size);
    }
    return s;
  }

  // The guides at p, each volume starting from the last one found, moved
  // along dV/dP = -V/B.
  double va = 0.0, vb = 0.0, ba = 0.0, bb = 0.0, pg = 0.0;
  sample guided(double p) {
    sample s{p};
    double ga, gb;
    if (ba > 0.0 && bb > 0.0) {
      va -= va / ba * (p - pg) / gpa;
      vb -= vb / bb * (p - pg) / gpa;
    } else {
      va = a.guidevolume();
      vb = b.guidevolume();
    }
    s.ok = a.guideat(p, va, ga, ba) && b.guideat(p, vb, gb, bb);
    pg = p;
    if (s.ok) {
      s.f = gap(ga / a.units, gb / b.units);
      s.d = (vb / b.units - va / a.units) / gpa;
    } else {
      ba = bb = 0.0;
    }
    return s;
  }
};

// 4 ulp of p, of 1 GPa near 0.
double tolerance(double p) {
  const double x = std::fmax(std::fabs(p), 1.0);
  return 4.0 * (std::nextafter(x, INFINITY) - x);
}

// The root in the cell [l, r] whose guide values differ in sign: the
// guides' own root first, by secant and Newton steps, then the fits'.
bool refine(twophases& q, const sample& l, const sample& r, double pmin, double pmax, double& root) {
  double x = r.f == l.f ? 0.5 * (l.p + r.p) : l.p - l.f * (r.p - l.p) / (r.f - l.f);
  for (int k = 0; k < 3; ++k) {
    const sample s = q.guided(x);
    if (!s.ok || s.d == 0.0) break;
    const double next = x - s.f / s.d;
    if (!(next >= l.p && next <= r.p)) break;
    x = next;
  }
  // Newton on the fits, keeping the last point of each sign.
  const double w = r.p - l.p, lo = std::fmax(pmin, l.p - w), hi = std::fmin(pmax, r.p + w);
  sample neg, pos, s = q.fitted(x);
  for (int iter = 0; iter < 60; ++iter) {
    if (!s.ok) return false;
    // 0 within the fits' rounding: nearer no step can tell.
    if (std::fabs(s.f) <= s.rounding) return root = s.p, true;
    (s.f < 0.0 ? neg : pos) = s;
    const double tol = tolerance(s.p);
    if (neg.ok && pos.ok && std::fabs(pos.p - neg.p) <= tol) {
      root = std::fabs(neg.f) <= std::fabs(pos.f) ? neg.p : pos.p;
      return true;
    }
    // Newton's step, with the curvature where there is one: the root of
    // f + d x + c x^2 / 2 nearer 0, in the form that loses no digits.
    double step = -s.f / s.d;
    if (const double disc = s.d * s.d - 2.0 * s.c * s.f; s.c != 0.0 && disc >= 0.0)
      step = -2.0 * s.f / (s.d + std::copysign(std::sqrt(disc), s.d));
    if (!std::isfinite(step)) step = neg.ok && pos.ok ? 0.5 * ((neg.p + pos.p) - 2.0 * s.p) : 0.0;
    // Past the root by the tolerance at least, so that the bracket closes.
    if (std::fabs(step) < tol) step = std::copysign(tol, step);
    double next = s.p + step;
    if (neg.ok && pos.ok) {
      const double a = std::fmin(neg.p, pos.p), b = std::fmax(neg.p, pos.p);
      if (!(next > a && next < b)) next = a + 0.5 * (b - a);
    } else if (!(next >= lo && next <= hi)) {
      // Toward an end of the search: to that end, or none beyond it.
      const double end = next < lo ? lo : hi;
      if (s.p == end) return false;
      next = end;
    }
    s = q.fitted(next);
  }
  // Rounding that keeps the last steps from closing the bracket: its better end.
  if (!(neg.ok && pos.ok)) return false;
  root = std::fabs(neg.f) <= std::fabs(pos.f) ? neg.p : pos.p;
  return true;
}

// Which guides put their volumes at p outside the volumes sampled (or
// nowhere).
pairoutcome::lost guidesoutside(twophases& q, double p) {
  auto outside = [&](const phasecurve& it) {
    double v = it.guidevolume(), g, b;
    return !it.guideat(p, v, g, b) || v < it.smallest() || v > it.largest();
  };
  return {p, outside(q.a), outside(q.b)};
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
  twophases q{a, b, 0.0, 0.0, {}, {}, {}};
  referencegap(a, b, q.hi, q.lo);
  a.common = b.common = a.guidevolume() / a.units;
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
  std::vector<sample> grid;
  for (int k = 0; k <= cells; ++k) grid.push_back(q.guided(k == cells ? hi : lo + (hi - lo) * k / cells));
  // The cells holding a crossing.
  std::vector<std::pair<sample, sample>> found;
  for (int k = 0; k < cells; ++k) {
    const sample &l = grid[k], &r = grid[k + 1];
    if (!l.ok || !r.ok) continue;
    if ((l.f <= 0.0) != (r.f <= 0.0) || l.f == 0.0) {
      found.emplace_back(l, r);
    } else if ((l.d < 0.0) != (r.d < 0.0) && (l.d < 0.0) == (l.f > 0.0)) {
      // An extremum toward zero between them: split there.
      const sample m = q.guided(l.p + (r.p - l.p) * l.d / (l.d - r.d));
      if (m.ok && (m.f <= 0.0) != (l.f <= 0.0)) {
        found.emplace_back(l, m);
        found.emplace_back(m, r);
      }
    }
  }
  std::vector<crossing> all;
  for (const auto& [l, r] : found) {
    double root;
    q.why.clear();
    if (!refine(q, l, r, pmin, pmax, root)) {
      // A fit that fails where both phases lie within their volumes is an
      // error; beyond them, where the data may have no minimum, it ends
      // the search of that cell.
      if (q.why.empty()) continue;
      const double where = r.f == l.f ? 0.5 * (l.p + r.p) : l.p - l.f * (r.p - l.p) / (r.f - l.f);
      const pairoutcome::lost lost = guidesoutside(q, where);
      if (!lost.first && !lost.second) {
        out.failed = true;
        out.why = q.why;
        return out;
      }
      out.outside.push_back(lost);
      continue;
    }
    crossing c;
    // The states at the root: fitted there last, unless the root is the
    // bracket's other end.
    if (a.lastpressure != root || b.lastpressure != root) q.fitted(root);
    c.pressure = root;
    c.first = q.sa;
    c.second = q.sb;
    c.first.entropy = a.entropy();
    c.second.entropy = b.entropy();
    c.firstlow = q.sa.volume > q.sb.volume;  // dG = G_b - G_a falls through 0: a lower below
    if (!(c.first.inside && c.second.inside)) out.outside.push_back({root, !c.first.inside, !c.second.inside});
    else all.push_back(c);
  }
  // In increasing pressure, each once (two cells may find the same one).
  std::sort(all.begin(), all.end(), [](const crossing& x, const crossing& y) { return x.pressure < y.pressure; });
  for (const crossing& c : all)
    if (out.crossings.empty() || c.pressure > out.crossings.back().pressure + 1e-9 * std::fmax(1.0, std::fabs(c.pressure)))
      out.crossings.push_back(c);
  return out;
}

}  // namespace thermo
