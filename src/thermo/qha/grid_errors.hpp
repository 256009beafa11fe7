// lattice_thermo: the error bars of the grid mode's rows: each row again
// with each cell of the grid left out (the jackknife over the cells, the
// surface fitted to the rest) and with the surface of the other degree
// (3 for 4, 4 for 3: the spread between them stands where --qha has its
// equations of state's). The points' free energies are computed once per
// temperature and shared by every fit; each fit starts Newton's steps from
// the row's own minimum.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/grid_qha.hpp"

namespace thermo {

// What a grid's error bars need, made once: the fit less each cell, and the
// same points under the surface of the other degree.
struct griderrormodel {
  std::vector<surfacefit> less;  // less[i]: without point i (in the model's order)
  gridmodel other;
};

// The degree whose spread against d gives the model's error bar.
inline int otherdegree(int degree) { return degree == 4 ? 3 : 4; }

// False with the reason where the grid cannot give error bars: a cell
// whose leaving out leaves the surface undetermined, or points that do not
// determine the surface of the other degree.
bool makegriderrors(const gridmodel& m, griderrormodel& out, std::string& why);

// The row at t and pressure with its error bars (out.errors; where a fit
// without a cell, or of the other degree, finds no minimum, NaN and
// out.errorswhy says so). As gridat otherwise.
void griderrorsat(const gridmodel& m, const griderrormodel& e, double t, double pressure, gridoutcome& out,
                  bool keep = false);

// The rows at t[0..n), on two threads where there are many.
void griderrorrows(const gridmodel& m, const griderrormodel& e, const double* t, std::size_t n, double pressure,
                   gridoutcome* out, bool keep = false);

}  // namespace thermo
