// Writes the bundled sample DOS file: the phonon density of states of a
// copper-like fcc crystal with nearest-neighbour central springs.
//
// The dynamical matrix of the model is
//   D(q) = (K/M) sum over the 12 neighbours d of (1 - cos(q.d)) d^ d^T,
// diagonalised on a uniform q-mesh over a cell of the reciprocal lattice.
// The spring constant K is set so that the highest phonon energy is 30 meV.
// The mode energies are histogrammed with a narrow Gaussian onto 339 energies
// from 0 to the highest, in hartree, and normalised to 3 states per atom.
//
// Usage: gen_sample_dos [output path]   (default: standard output)
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using mat3 = std::array<std::array<double, 3>, 3>;

// Eigenvalues of a symmetric 3x3 matrix by cyclic Jacobi rotations.
std::array<double, 3> eigenvalues(mat3 a) {
  for (int sweep = 0; sweep < 50; ++sweep) {
    const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
    if (off < 1e-30) break;
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (a[p][q] == 0) continue;
        const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        const double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1 / std::sqrt(t * t + 1);
        const double s = t * c;
        for (int k = 0; k < 3; ++k) {  // A <- A J
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {  // A <- J^T A
          const double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
      }
    }
  }
  return {a[0][0], a[1][1], a[2][2]};
}

// D(q) in units of K/M, with the cubic lattice constant 2 (neighbours at
// (+-1, +-1, 0) and permutations).
mat3 dynamical(double qx, double qy, double qz) {
  mat3 d{};
  const double q[3] = {qx, qy, qz};
  for (int zero = 0; zero < 3; ++zero) {
    const int i = (zero + 1) % 3, j = (zero + 2) % 3;
    for (int si = -1; si <= 1; si += 2) {
      for (int sj = -1; sj <= 1; sj += 2) {
        double v[3] = {0, 0, 0};
        v[i] = si;
        v[j] = sj;
        const double f = (1 - std::cos(q[0] * v[0] + q[1] * v[1] + q[2] * v[2])) / 2;  // |d|^2 = 2
        for (int a = 0; a < 3; ++a)
          for (int b = 0; b < 3; ++b) d[a][b] += f * v[a] * v[b];
      }
    }
  }
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr double pi = 3.14159265358979323846;
  constexpr double hartree_ev = 27.211386245988;
  constexpr double emax_ev = 0.030;             // highest phonon energy
  constexpr double mass_u = 63.546;             // copper
  constexpr double amu = 1.66053906660e-27;     // kg
  constexpr double hbar = 1.054571817e-34;      // J s
  constexpr double ev = 1.602176634e-19;        // J
  constexpr int npoints = 339;
  constexpr int mesh = 64;                      // q-points per axis

  // The highest eigenvalue of D in units of K/M: at the zone-boundary point X.
  double lmax = 0;
  for (double l : eigenvalues(dynamical(pi, 0, 0))) lmax = std::fmax(lmax, l);
  // K from hbar * sqrt(lmax K / M) = emax.
  const double omega = emax_ev * ev / hbar;
  const double spring = mass_u * amu * omega * omega / lmax;

  const double emax = emax_ev / hartree_ev;
  const double step = emax / (npoints - 1);
  const double sigma = 1.0 * step;  // light smoothing: one grid step
  std::vector<double> g(npoints, 0.0);
  // The cube of side 2 pi (lattice constant 2) is a cell of the fcc
  // reciprocal lattice, so a uniform mesh over it samples the zone evenly.
  for (int i = 0; i < mesh; ++i) {
    for (int j = 0; j < mesh; ++j) {
      for (int k = 0; k < mesh; ++k) {
        const double h = 2 * pi / mesh;
        for (double l : eigenvalues(dynamical((i + 0.5) * h, (j + 0.5) * h, (k + 0.5) * h))) {
          const double e = emax * std::sqrt(std::fmax(l, 0.0) / lmax);
          const int c = static_cast<int>(e / step + 0.5);
          for (int b = c - 5; b <= c + 5; ++b) {
            if (b < 0 || b >= npoints) continue;
            const double z = (b * step - e) / sigma;
            g[b] += std::exp(-0.5 * z * z);
          }
        }
      }
    }
  }
  // Normalise to 3 states per atom (trapezoid rule on the grid).
  double area = 0;
  for (int b = 1; b < npoints; ++b) area += 0.5 * (g[b] + g[b - 1]) * step;
  for (double& v : g) v *= 3 / area;

  std::FILE* out = argc > 1 ? std::fopen(argv[1], "w") : stdout;
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out,
               "# Phonon density of states of a copper-like fcc crystal (sample input)\n"
               "# Model: fcc lattice, nearest-neighbour central springs, one atom per cell\n"
               "# Mass: %.3f u; spring constant K = %.4f N/m\n"
               "# Highest phonon energy: %.1f meV = %.9E hartree\n"
               "# Dynamical matrix diagonalised on a %d^3 q-mesh over a reciprocal-lattice cell\n"
               "# Histogram with Gaussian smoothing of one grid step (%.6E hartree)\n"
               "# Normalised to 3 states per atom (trapezoid rule)\n"
               "# Grid: %d energies from 0 to the highest phonon energy\n"
               "# Written by tools/gen_sample_dos\n"
               "# Columns: energy (hartree), DOS (states per hartree per atom)\n"
               "# energy dos\n",
               mass_u, spring, emax_ev * 1000, emax, mesh, sigma, npoints);
  for (int b = 0; b < npoints; ++b) std::fprintf(out, "%22.14E %22.14E\n", b * step, g[b]);
  if (std::fclose(out) != 0) {
    std::perror("gen_sample_dos");
    return 1;
  }
  return 0;
}
