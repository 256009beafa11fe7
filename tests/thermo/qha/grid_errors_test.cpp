// The grid mode's error bars against the runs they stand for: the grid
// less each cell in turn (the jackknife) and the surface of the other
// degree (the model's spread), with two axes and three; the grids that
// cannot give them; the table's form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "griddata.hpp"
#include "qhadata.hpp"
#include "thermo/qha/error_bars.hpp"

namespace thermotest {
namespace {

using rows = std::vector<std::map<std::string, double>>;

rows csvrows(const std::vector<std::string>& args) {
  const outcome r = runwith(args);
  EXPECT_EQ(r.status, 0) << r.err;
  return qharows(r.out);
}

// d's grid with only the cells keep(i) says, the same DOS files.
griddataset some(const griddataset& d, const std::string& name, const std::function<bool(std::size_t)>& keep) {
  std::ifstream in(d.grid);
  std::string line, text;
  std::getline(in, line);
  text = line + "\n";
  griddataset out;
  for (std::size_t i = 0; std::getline(in, line); ++i)
    if (keep(i)) {
      text += line + "\n";
      out.doses.push_back(d.doses[i]);
      out.cells.push_back(d.cells[i]);
    }
  out.grid = writefile(name, text);
  return out;
}

TEST(ThermoGridErrors, AreTheGridLessEachCellAndTheOtherDegree) {
  // An anisotropic crystal whose energies scatter by a few meV about a
  // smooth surface, so that each cell moves the fit.
  crystal x = cubic(1.5);
  const auto smooth = x.energy;
  x.energy = [smooth](double a, double b, double c) { return smooth(a, b, c) + 2e-3 * std::sin(97.0 * a + 61.0 * b + 43.0 * c); };
  x.frequency = [](double a, double b, double c) { return 6.0 * std::pow(a * b * c / 12.0, -1.5) * (1.0 + 0.8 * (c - a)); };
  const std::vector<std::string> t = {"--temperatures", "0,300,700"};
  for (int axes : {2, 3}) {
    const griddataset d = makegrid("gerr" + std::to_string(axes), x, axes, spaced(2.22, 2.36, 5));
    std::vector<std::string> with = t;
    with.insert(with.end(), {"--error-bars", "--csv"});
    const rows full = csvrows(gridargs(d, with));
    ASSERT_EQ(full.size(), 3u);
    with = t;
    with.insert(with.end(), {"--degree", "4", "--csv"});
    const rows four = csvrows(gridargs(d, with));
    const std::size_t n = d.cells.size();
    std::vector<rows> less(n);
    with = t;
    with.push_back("--csv");
    for (std::size_t i = 0; i < n; ++i) {
      less[i] = csvrows(gridargs(some(d, "gerr_less.dat", [i](std::size_t j) { return j != i; }), with));
      ASSERT_EQ(less[i].size(), 3u) << i;
    }
    std::vector<std::string> names = {"a", "c", "volume", "alpha_a", "alpha_c", "thermal_expansion",
                                      "heat_capacity_p", "gibbs_energy"};
    if (axes == 3) names.insert(names.end(), {"b", "alpha_b"});
    for (std::size_t k = 0; k < full.size(); ++k) {
      EXPECT_EQ(full[k].count("b_err") == 1, axes == 3);
      for (const std::string& name : names) {
        std::vector<double> replicas(n);
        for (std::size_t i = 0; i < n; ++i) replicas[i] = less[i][k].at(name);
        double sigma = 0.0, half = 0.5 * std::fabs(four[k].at(name) - full[k].at(name));
        thermo::jackknifesigma(replicas.data(), static_cast<int>(n), 1, &sigma);
        const double scale = 1e-12 * std::fabs(full[k].at(name));
        const std::string at = name + " at " + std::to_string(full[k].at("temperature")) + " K, axes " + std::to_string(axes);
        EXPECT_NEAR(full[k].at(name + "_err_data"), sigma, 1e-6 * sigma + scale) << at;
        EXPECT_NEAR(full[k].at(name + "_err_model"), half, 1e-6 * half + scale) << at;
        EXPECT_NEAR(full[k].at(name + "_err"), std::hypot(sigma, half), 1e-6 * std::hypot(sigma, half) + scale) << at;
        if (k > 0) {
          EXPECT_GT(sigma, 100.0 * scale) << at;  // the scatter moves every value
        }
      }
    }
  }
}

TEST(ThermoGridErrors, RefusesGridsThatCannotGiveThemAndShowsThemInTheTable) {
  const griddataset d = makegrid("gref", cubic(1.2), 2, spaced(2.22, 2.36, 5));
  // c at 2.325 A in one cell alone: without it, three values of c are too
  // few for degree 3.
  const griddataset lone = some(d, "gref_lone.dat", [&](std::size_t i) {
    return d.cells[i][1] < 2.3 || (d.cells[i][1] < 2.34 && d.cells[i][0] == d.cells[2][0]);
  });
  EXPECT_EQ(runwith(gridargs(lone, {"--tmax", "300"})).status, 0);
  outcome r = runwith(gridargs(lone, {"--tmax", "300", "--error-bars"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(": --error-bars: the jackknife leaves out each cell in turn, and without the cell (a = 2.22 A, "
                       "c = 2.325 A): c takes 3 distinct values; a surface of degree 3 needs 4 or more"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out.empty());
  // 4 x 4: degree 3 alone, no spread between degrees.
  const griddataset four = makegrid("gref4", cubic(1.2), 2, spaced(2.22, 2.36, 4));
  r = runwith(gridargs(four, {"--tmax", "300", "--error-bars"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("the spread between the surfaces of degrees 3 and 4 needs both, and for degree 4: a takes 4 "
                       "distinct values"),
            std::string::npos)
      << r.err;
  // The table: each value with its error bar in its last digits.
  r = runwith(gridargs(d, {"--temperatures", "300", "--error-bars"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("#   T [K]            a [A]            c [A]          V [A^3]    alpha_a [1/K]"), std::string::npos)
      << r.out;
  const std::string row = r.out.substr(r.out.rfind("\n", r.out.size() - 2) + 1);
  EXPECT_EQ(std::count(row.begin(), row.end(), '('), 8) << row;
  EXPECT_TRUE(r.err.empty()) << r.err;
}

}  // namespace
}  // namespace thermotest
