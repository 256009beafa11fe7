// lattice_thermo: the quasi-harmonic approximation over a grid of lattice
// lengths. At each temperature and pressure, G(x) = E(x) + F_vib(x, T)
// (+ F_el) + P V(x) is fitted by a surface of total degree 3 or 4 in the
// scaled lengths; its minimum gives a(T), c(T) (and b(T)), and the same
// design matrix fitted to dG_i/dT and d2G_i/dT2 gives the exact temperature
// derivatives: dx/dT = -H^-1 grad(dG/dT), alpha_i, S, Cv and Cp.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "thermo/qha/error_bars.hpp"
#include "thermo/qha/model.hpp"
#include "thermo/qha/surface.hpp"
#include "thermo/qha/surface_minimum.hpp"

namespace thermo {

// The points' data and the fit of their surface, factorised once.
struct gridmodel {
  qhamodel points;        // E, the phonons and the electrons of each point, in its order
  int axes = 2;           // 2: a and c, b = a; 3: a, b and c
  std::vector<double> x;  // the lengths (A), points.volume.size() x axes, in the same order
  double k = 1.0;         // V = k a b c
  surfacebasis basis;
  std::vector<double> u;  // x scaled to the box
  surfacefit fit;
  std::vector<double> volume;  // k a b c in the basis's monomials (A^3)
};

// "a", "c" (two axes) or "a", "b", "c".
const char* const* axisnames(int axes);

// The model of the points in `in` (volume, energy, phonons, ...) with their
// lengths x (in in's order, axes per point) and the cell's k; false with
// the reason where the points do not determine a surface of this degree.
bool makegridmodel(qhainput in, const std::vector<double>& x, int axes, int degree, double k, gridmodel& out,
                   std::string& why);

// One row, per mole of cells.
struct gridrow {
  double temperature;       // K
  lengths3 length;          // a, b, c (A; b = a with two axes)
  double volume;            // A^3 per cell, k a b c
  lengths3 alpha;           // 1/K, (1/x) dx/dT of each
  double thermal_expansion; // 1/K, volumetric: the sum of the three
  double heat_capacity_p;   // J/K/mol, -T d2G/dT2
  double heat_capacity_v;   // J/K/mol, -T d2G/dT2 at fixed lengths
  double entropy;           // J/K/mol, -dG/dT
  double gibbs_energy;      // kJ/mol, G(T) at the minimum, the static energy included
  double fit_rms;           // kJ/mol, the fit's root-mean-square residual
};

// The values of a row that carry error bars, in the order of their
// columns: a, b, c, volume, alpha_a, alpha_b, alpha_c, thermal_expansion,
// heat_capacity_p, gibbs_energy (b's and alpha_b's are a's with two axes).
inline constexpr int griderrorcount = 10;
inline constexpr const char* griderrornames[griderrorcount] = {
    "a", "b", "c", "volume", "alpha_a", "alpha_b", "alpha_c", "thermal_expansion", "heat_capacity_p", "gibbs_energy"};
using griderrorbars = std::array<errorbar, griderrorcount>;
void gridvalues(const gridrow& r, double values[griderrorcount]);

// One temperature's outcome: its row, or where its minimum went.
struct gridoutcome {
  gridrow row{};
  griderrorbars errors{};     // where taken (grid_errors)
  std::string errorswhy;      // why they could not be, where they could not
  surfaceminimum::status where = surfaceminimum::status::none;
  bool tabulated = true;      // false: t is not a temperature of the tables
  int axis = -1;              // outside or none: the axis (surfaceminimum)
  lengths3 minimum{};         // the lengths at the minimum found (outside)
  lengths3 u{};               // the minimum, scaled (inside or outside)
  double spread = 0.0;        // kJ/mol, max - min of G_i
  double edge = 0.5;          // the minimum's distance to the box's nearest edge, a share of that axis's width
  int edgeaxis = 0;
  std::vector<double> coef;   // the surface at this pressure (eV, less the reference), where kept
  std::vector<double> g;      // G_i (eV, less the reference, with P V_i), where kept
};

// The row at temperature t (K) and pressure (GPa). `fit` replaces the
// model's (the same basis and points, one of them left out: a jackknife);
// `keep` keeps the surface and the data for a look at them.
void gridat(const gridmodel& m, double t, double pressure, gridoutcome& out, bool keep = false,
            const surfacefit* fit = nullptr);

// The points' G_i, dG_i/dT and d2G_i/dT2 at t (eV, less the reference, in
// m's order): the costly part of a row, the same for every fit of the same
// points. False where t is not a temperature of the tables.
struct gridgibbs {
  std::vector<double> g, dg, d2g;
};
bool gridgibbsat(const gridmodel& m, double t, gridgibbs& out);

// gridat's row from the points' data at t. `start` (scaled) is where
// Newton's steps begin (nullptr: the lowest point); `beyond` gives the row
// of a minimum outside the box too (a variant of a row that is inside),
// else where stays `outside` with no row.
void gridfrom(const gridmodel& m, const gridgibbs& data, double t, double pressure, gridoutcome& out, bool keep,
              const surfacefit* fit, const double* start = nullptr, bool beyond = false);

// The rows at t[0..n), on two threads where there are many.
void gridrows(const gridmodel& m, const double* t, std::size_t n, double pressure, gridoutcome* out, bool keep = false);

// The static surface E(x) alone: its minimum and rms (eV).
surfaceminimum staticsurface(const gridmodel& m, double& rms);

}  // namespace thermo
