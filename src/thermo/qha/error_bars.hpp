// lattice_thermo: the error bars of quasi-harmonic results, as machinery any
// mode of the model can use: the jackknife over the volumes (each result
// again with one volume left out), the spread over the equations of state
// (each result again with another form), and the two in quadrature with a
// spread of the mode's own where it has one. A mode supplies the re-run
// (which volume to leave out, which form to fit) and its results; this
// supplies the statistics and the data without a volume.
#pragma once

#include <cmath>
#include <vector>

#include "thermo/qha/eos_fit.hpp"

namespace thermo {

// One value's error bar, in the value's unit.
struct errorbar {
  double data = 0.0;   // the jackknife's sigma over the volumes
  double model = 0.0;  // half the range over the spread's equations of state
  double fit = 0.0;    // a method's own spread (as across a polynomial's degrees); 0 where it has none
  double total() const { return std::hypot(data, model, fit); }
};

// The jackknife needs the fit's 5 volumes and one to leave out.
inline constexpr int errorbarvolumes = 6;

// The forms the model's spread is taken over, whatever form a run chooses,
// so that the figure means the same in every run.
inline constexpr eos spreadforms[] = {eos::vinet, eos::birch_murnaghan, eos::murnaghan};
inline constexpr int spreadcount = 3;

// sigma_j = sqrt((n - 1)/n sum_i (x_ij - mean_j)^2) of k values over n
// replicates, x[i * k + j] the value j with volume i left out.
void jackknifesigma(const double* x, int n, int k, double* sigma);

// Half the range of each of k values over m alternatives x[a * k + j].
void halfrange(const double* x, int m, int k, double* half);

// The data of a fit without one of its volumes.
struct leftout {
  std::vector<volumepoint> point;
  std::vector<double> g, dg, d2g;
  gibbsdata data() const {
    return {point.data(), g.data(), dg.data(), d2g.data(), static_cast<int>(point.size())};
  }
};
void leaveout(const gibbsdata& full, int left, leftout& out);

// The jackknife of k values over n volumes: values(i, x) fills x[0..k) with
// the result of volume i left out (false where it cannot), sigma[0..k)
// their spread. False where a replicate fails.
template <class Values>
bool jackknife(int n, int k, Values values, double* sigma) {
  std::vector<double> x(static_cast<std::size_t>(n) * static_cast<std::size_t>(k));
  for (int i = 0; i < n; ++i)
    if (!values(i, x.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(k))) return false;
  jackknifesigma(x.data(), n, k, sigma);
  return true;
}

// The spread of k values over the forms: values(form, x) fills x[0..k) with
// the result fitted with that form (false where it cannot), half[0..k) half
// their range. False where a form fails.
template <class Values>
bool formspread(int k, Values values, double* half) {
  std::vector<double> x(static_cast<std::size_t>(spreadcount) * static_cast<std::size_t>(k));
  for (int f = 0; f < spreadcount; ++f)
    if (!values(spreadforms[f], x.data() + static_cast<std::size_t>(f) * static_cast<std::size_t>(k))) return false;
  halfrange(x.data(), spreadcount, k, half);
  return true;
}

}  // namespace thermo
