#include "thermo/qha/crossing_search.hpp"

#include <cmath>
#include <limits>

namespace thermo {

namespace {

constexpr int cells = 12;

}  // namespace

phasepair::phasepair(phasecurve& a, phasecurve& b)
    : a_(a), b_(b), scale_(std::fabs(a.reference() / a.units) + std::fabs(b.reference() / b.units)) {
  referencegap(a, b, hi_, lo_);
}

gapsample phasepair::fitted(double p) {
  gapsample s{p};
  s.ok = s.fitted = a_.at(p, sa_, why) && b_.at(p, sb_, why);
  if (!s.ok) return s;
  s.f = gap(sa_.gibbs, sb_.gibbs);
  s.d = (sb_.volume - sa_.volume) / gpa;
  // dV/dP = -V/B_T of each phase.
  s.c = (sa_.fitted / sa_.bulk / a_.units - sb_.fitted / sb_.bulk / b_.units) / (gpa * gpa);
  s.rounding = 8.0 * std::numeric_limits<double>::epsilon() * (sa_.size + sb_.size);
  s.noise = std::fmax(s.rounding, gapnoise * (scale_ + sa_.size + sb_.size));
  s.differ = std::fabs(s.f) > s.noise ||
             std::fabs(sb_.volume - sa_.volume) > volumenoise * std::fmax(sa_.volume, sb_.volume);
  return s;
}

gapsample phasepair::guided(double p) {
  gapsample s{p};
  double ga, gb;
  if (ba_ > 0.0 && bb_ > 0.0) {
    va_ -= va_ / ba_ * (p - pg_) / gpa;
    vb_ -= vb_ / bb_ * (p - pg_) / gpa;
  } else {
    va_ = a_.guidevolume();
    vb_ = b_.guidevolume();
  }
  s.ok = a_.guideat(p, va_, ga, ba_) && b_.guideat(p, vb_, gb, bb_);
  pg_ = p;
  if (!s.ok) {
    ba_ = bb_ = 0.0;
    return s;
  }
  s.f = gap(ga / a_.units, gb / b_.units);
  s.d = (vb_ / b_.units - va_ / a_.units) / gpa;
  const double dv = s.d * gpa, v = std::fmax(va_ / a_.units, vb_ / b_.units);
  s.noise = gapnoise * (scale_ + std::fabs(ga / a_.units) + std::fabs(gb / b_.units));
  s.differ = std::fabs(s.f) > s.noise || std::fabs(dv) > volumenoise * v;
  return s;
}

bool phasepair::crossingat(double root, crossing& c) {
  if ((a_.lastpressure != root || b_.lastpressure != root) && !fitted(root).ok) return false;
  c.pressure = root;
  c.first = sa_;
  c.second = sb_;
  c.first.entropy = a_.entropy();
  c.second.entropy = b_.entropy();
  c.firstlow = sa_.volume > sb_.volume;  // dG = G_b - G_a falls through 0: a lower below
  return true;
}

pairoutcome::lost phasepair::outside(double p) const {
  auto out = [&](const phasecurve& it) {
    double v = it.guidevolume(), g, b;
    return !it.guideat(p, v, g, b) || v < it.smallest() || v > it.largest();
  };
  return {p, out(a_), out(b_)};
}

double tolerance(double p) {
  const double x = std::fmax(std::fabs(p), 1.0);
  return 4.0 * (std::nextafter(x, INFINITY) - x);
}

bool refine(phasepair& q, const gapsample& l, const gapsample& r, double lo, double hi, double& root) {
  gapsample neg, pos, s;
  for (const gapsample* end : {&l, &r})
    if (end->fitted) (below(*end) ? neg : pos) = *end;
  if (neg.ok && neg.f == 0.0) return root = neg.p, true;
  if (neg.ok && pos.ok) {
    s = std::fabs(neg.f) <= std::fabs(pos.f) ? neg : pos;
  } else {
    // The guides' root first, by a secant and Newton's steps, then the fits'.
    double x = r.f == l.f ? 0.5 * (l.p + r.p) : l.p - l.f * (r.p - l.p) / (r.f - l.f);
    for (int k = 0; k < 3; ++k) {
      const gapsample g = q.guided(x);
      if (!g.ok || g.d == 0.0) break;
      const double next = x - g.f / g.d;
      if (!(next >= l.p && next <= r.p)) break;
      x = next;
    }
    s = q.fitted(x);
  }
  const double w = r.p - l.p, from = std::fmax(lo, l.p - w), to = std::fmin(hi, r.p + w);
  for (int iter = 0; iter < 60; ++iter) {
    if (!s.ok) return false;
    // 0 within the fits' rounding: nearer no step can tell.
    if (std::fabs(s.f) <= s.rounding) return root = s.p, true;
    (s.f < 0.0 ? neg : pos) = s;
    const double tol = tolerance(s.p);
    if (neg.ok && pos.ok && std::fabs(pos.p - neg.p) <= tol) break;
    // Newton's step, with the curvature: the root of f + d x + c x^2 / 2
    // nearer 0, in the form that loses no digits.
    double step = -s.f / s.d;
    if (const double disc = s.d * s.d - 2.0 * s.c * s.f; s.c != 0.0 && disc >= 0.0)
      step = -2.0 * s.f / (s.d + std::copysign(std::sqrt(disc), s.d));
    if (!std::isfinite(step)) step = neg.ok && pos.ok ? 0.5 * ((neg.p + pos.p) - 2.0 * s.p) : 0.0;
    // Past the root by the tolerance at least, so that the bracket closes.
    if (std::fabs(step) < tol) step = std::copysign(tol, step);
    double next = s.p + step;
    if (neg.ok && pos.ok) {
      const double x = std::fmin(neg.p, pos.p), y = std::fmax(neg.p, pos.p);
      if (!(next > x && next < y)) next = x + 0.5 * (y - x);
    } else if (!(next >= from && next <= to)) {
      // Toward an end of the search: to that end, or none beyond it.
      const double end = next < from ? from : to;
      if (s.p == end) return false;
      next = end;
    }
    s = q.fitted(next);
  }
  // The bracket 4 ulp wide, or rounding that keeps the last steps from
  // closing it: its better end.
  if (!(neg.ok && pos.ok)) return false;
  root = std::fabs(neg.f) <= std::fabs(pos.f) ? neg.p : pos.p;
  return true;
}

bool beyondzero(phasepair& q, const gapsample& l, const gapsample& r, gapsample& m) {
  double x = l.p, y = r.p, at = l.p + (r.p - l.p) * l.d / (l.d - r.d);
  for (int iter = 0; iter < 6; ++iter) {
    m = q.fitted(at);
    if (!m.ok) return false;
    if (below(m) != below(l)) return true;
    ((m.d < 0.0) == (l.d < 0.0) ? x : y) = at;
    // The parabola's extreme f - d^2 / 2c: where it stays on f's side
    // beyond what rounding could move, or the step is lost in rounding, no
    // crossing.
    const double step = -m.d / m.c, extreme = m.f + 0.5 * m.d * step;
    if (!std::isfinite(step) || std::fabs(step) <= tolerance(at) ||
        ((extreme <= 0.0) == below(m) && std::fabs(extreme) > m.noise))
      return false;
    at = at + step > x && at + step < y ? at + step : x + 0.5 * (y - x);
  }
  return false;
}

bool take(phasepair& q, const gapsample& l, const gapsample& r, double lo, double hi, searched& s) {
  double root;
  crossing c;
  q.why.clear();
  if (refine(q, l, r, lo, hi, root)) return q.crossingat(root, c) ? (s.found.push_back(c), true) : false;
  if (q.why.empty()) return true;  // no root there
  // A fit that fails where both phases lie within their volumes is an
  // error; beyond them, where the data may have no minimum, it ends the
  // search of that cell.
  const pairoutcome::lost lost = q.outside(l.p + 0.5 * (r.p - l.p));
  if (!lost.first && !lost.second) return false;
  s.lost.push_back(lost);
  return true;
}

bool scanfits(phasepair& q, double lo, double hi, searched& found) {
  gapsample last, m;
  for (int k = 0; k <= cells; ++k) {
    const double p = k == cells ? hi : lo + (hi - lo) * k / cells;
    q.why.clear();
    const gapsample s = q.fitted(p);
    if (!s.ok) {
      // Beyond the volumes a failed fit ends the cells on either side.
      const pairoutcome::lost lost = q.outside(p);
      if (!lost.first && !lost.second) return false;
    } else {
      found.differ = found.differ || s.differ;
      if (last.ok && (below(last) != below(s) || last.f == 0.0)) {
        if (!take(q, last, s, lo, hi, found)) return false;
      } else if (last.ok && (last.d < 0.0) != (s.d < 0.0) && (last.d < 0.0) == (last.f > 0.0) &&
                 beyondzero(q, last, s, m)) {
        if (!take(q, last, m, lo, hi, found) || !take(q, m, s, lo, hi, found)) return false;
      }
    }
    last = s;
  }
  return true;
}

}  // namespace thermo
