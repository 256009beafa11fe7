#include "thermo/harmonic/quadrature.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "thermo/harmonic/kernel.hpp"

namespace thermo {

namespace {

constexpr std::size_t np = modequadrature::points;

// The Chebyshev points t_j = cos(pi (2m + 1) / 2np), m = np - 1 - j, in
// increasing order, and T_k(t_j) = cos(k pi (2m + 1) / 2np), each from an
// angle reduced exactly to [0, pi/2] (an integer multiple of pi / 2np), so
// that every entry is within half a unit in the last place.
struct chebyshev {
  double t[np];
  double c[np][np];  // c[k][j] = T_k(t_j)
  chebyshev() {
    const double pi = 3.14159265358979323846;
    auto cosine = [&](std::size_t r) {  // cos(pi r / 2np)
      r %= 4 * np;
      if (r > 2 * np) r = 4 * np - r;
      if (r > np) return -std::cos(pi * static_cast<double>(2 * np - r) / (2 * np));
      return std::cos(pi * static_cast<double>(r) / (2 * np));
    };
    for (std::size_t j = 0; j < np; ++j) {
      const std::size_t m = np - 1 - j;
      t[j] = cosine(2 * m + 1);
      for (std::size_t k = 0; k < np; ++k) c[k][j] = cosine(k * (2 * m + 1));
    }
  }
};
const chebyshev& table() {
  static const chebyshev c;  // constant once made
  return c;
}

// Four doubles, as two or one vector registers hold them.
typedef double v4 __attribute__((vector_size(32)));

// a + b into sum and its rounding error into error (Knuth's two-sum), for
// doubles or four at a time.
template <class V>
void addexactly(V& sum, V& error, const V& a) {
  const V t = sum + a, z = t - sum;
  error += (sum - (t - z)) + (a - z);
  sum = t;
}

// mu[k] = sum_i w[i] T_k(t_i) over the points x[i] of [a, b], t = (x - mid) /
// half: the Chebyshev moments of the points' weights on the span, four
// points at a time (each point's recurrence in k is a chain of dependent
// operations; four of them side by side keep the processor busy). mu_0 and
// mu_1 are summed with their rounding errors: the virtual weights add up to
// mu_0 and carry its error whole into every sum, while an error in a higher
// moment reaches the sums only times the term's Chebyshev coefficient of
// that degree, which falls fast.
void moments(const double* x, const double* w, std::size_t count, double mid, double half, double mu[np]) {
  v4 acc[np] = {}, low[2] = {};
  const double inv = 1.0 / half;
  for (std::size_t i = 0; i < count; i += 4) {
    v4 xv = {mid, mid, mid, mid}, wv = {};  // past the end: weight 0 at the middle
    for (std::size_t q = 0; q < 4 && i + q < count; ++q) {
      xv[q] = x[i + q];
      wv[q] = w[i + q];
    }
    const v4 t = (xv - mid) * inv, twice = t + t;
    v4 previous = {1.0, 1.0, 1.0, 1.0}, current = t;
    addexactly(acc[0], low[0], wv);
    addexactly(acc[1], low[1], wv * t);
    for (std::size_t k = 2; k < np; ++k) {
      const v4 next = twice * current - previous;
      previous = current;
      current = next;
      acc[k] += wv * next;
    }
  }
  for (std::size_t k = 0; k < np; ++k) {
    double sum = 0.0, error = 0.0;
    for (int q = 0; q < 4; ++q) {
      addexactly(sum, error, acc[k][q]);
      if (k < 2) error += low[k][q];
    }
    mu[k] = sum + error;
  }
}

// A bin's virtual modes from the Chebyshev moments of its weights on [a, b]
// (a < b): W_j = (mu_0 + 2 sum_k T_k(t_j) mu_k) / np, the sum over the bin
// of g l_j(t).
void virtualmodes(const double mu[np], double a, double b, double* energy, double* weight) {
  const chebyshev& ch = table();
  const double mid = 0.5 * (a + b), half = 0.5 * (b - a);
  double s[np] = {};
  for (std::size_t k = np - 1; k >= 1; --k)
    for (std::size_t j = 0; j < np; ++j) s[j] += ch.c[k][j] * mu[k];
  for (std::size_t j = 0; j < np; ++j) {
    weight[j] = (mu[0] + 2.0 * s[j]) / static_cast<double>(np);
    energy[j] = mid + half * ch.t[j];
  }
}

}  // namespace

void modequadrature::build(const double* e, const double* g, std::size_t n) {
  levels_.clear();
  if (n < 2 * leaf) return;
  for (std::size_t size = leaf; size <= n; size *= 2) {
    levels_.emplace_back();
    level& here = levels_.back();
    const level* below = levels_.size() > 1 ? &levels_[levels_.size() - 2] : nullptr;
    const std::size_t bins = n / size;
    here.energy.resize(bins * np);
    here.weight.resize(bins * np);
    here.span.resize(bins);
    for (std::size_t b = 0; b < bins; ++b) {
      const double a = e[b * size], z = e[(b + 1) * size - 1];
      double* energy = &here.energy[b * np];
      double* weight = &here.weight[b * np];
      if (!(z > a)) {  // every mode at one energy: one virtual mode holds them all
        double total = 0.0, error = 0.0;
        for (std::size_t i = b * size; i < (b + 1) * size; ++i) addexactly<double>(total, error, g[i]);
        std::fill(energy, energy + np, a);
        std::fill(weight, weight + np, 0.0);
        weight[0] = total + error;
        here.span[b] = 0.0;
        continue;
      }
      // The moments over the bin's modes, or over its two halves' virtual
      // modes, which give every moment below degree np exactly.
      double mu[np];
      const double mid = 0.5 * (a + z), half = 0.5 * (z - a);
      if (below == nullptr) moments(e + b * size, g + b * size, size, mid, half, mu);
      else moments(&below->energy[2 * b * np], &below->weight[2 * b * np], 2 * np, mid, half, mu);
      virtualmodes(mu, a, z, energy, weight);
      here.span[b] = a + z >= narrow * (z - a) ? z - a : std::numeric_limits<double>::infinity();
    }
  }
}

std::size_t modequadrature::bytes() const {
  std::size_t total = 0;
  for (const level& l : levels_)
    total += (l.energy.capacity() + l.weight.capacity() + l.span.capacity()) * sizeof(double);
  return total;
}

void highsums(const double* e, const double* g, std::size_t from, std::size_t to, double kt, double absweight,
              const modequadrature* q, double out[4]) {
  constexpr std::size_t leaf = modequadrature::leaf;
  const std::size_t levels = q != nullptr ? q->levels_.size() : 0;
  const double widest = modequadrature::widest * kt;
  // The segment to sum next: modes one by one (kind -1), or consecutive
  // bins of level `kind`, whose virtual modes follow one another in memory.
  const double* se = nullptr;
  const double* sg = nullptr;
  std::size_t count = 0;
  int kind = -2;
  auto flush = [&] {
    if (count > 0) {
      double s[4];
      modesums(se, sg, count, kt, s);
      for (int k = 0; k < 4; ++k) out[k] += s[k];
    }
    count = 0;
    kind = -2;
  };
  // Whether the modes from i on can be left out: for x >= 2 each of the
  // four terms (the energy's over k_B T) is at most 1.34 (x^2 + x + 1) e^-x
  // in size, a bound that falls as x grows.
  auto negligible = [&](std::size_t i) {
    const double x = e[i] / kt;
    const double bound = 1.34 * ((x + 1.0) * x + 1.0) * std::exp(-x) * absweight;
    return bound <= 1e-19 * std::fabs(out[0]) && bound * kt <= 1e-19 * std::fabs(out[1]) &&
           bound <= 1e-19 * std::fabs(out[2]) && bound <= 1e-19 * std::fabs(out[3]);
  };
  constexpr std::size_t most = 512;  // modes or virtual modes summed between two such checks
  std::size_t i = from;
  while (i < to) {
    int chosen = -1;
    std::size_t size = 0;
    if (i % leaf == 0)
      for (std::size_t l = levels; l-- > 0;) {
        size = leaf << l;
        if (i % size == 0 && i + size <= to && q->levels_[l].span[i / size] <= widest) {
          chosen = static_cast<int>(l);
          break;
        }
      }
    if (chosen >= 0) {
      const auto& here = q->levels_[static_cast<std::size_t>(chosen)];
      const double* ne = &here.energy[i / size * modequadrature::points];
      if (kind != chosen || se + count != ne) {
        flush();
        if (negligible(i)) return;
        se = ne;
        sg = &here.weight[i / size * modequadrature::points];
        kind = chosen;
      }
      count += modequadrature::points;
      i += size;
    } else {
      const std::size_t next = std::min(to, (i / leaf + 1) * leaf);
      if (kind != -1) {
        flush();
        if (negligible(i)) return;
        se = e + i;
        sg = g + i;
        kind = -1;
      }
      count += next - i;
      i = next;
    }
    if (count >= most && i < to) {
      flush();
      if (negligible(i)) return;
    }
  }
  flush();
}

}  // namespace thermo
