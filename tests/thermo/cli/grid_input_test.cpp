// --qha-grid from the command line: each refusal of a grid and each stop
// rule on a file that triggers it, the usage errors, the fit's health on a
// good grid, and the examples: fcc copper on a tetragonal grid against the
// one-dimensional mode on the same data.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qha/griddata.hpp"
#include "qha/qhadata.hpp"

namespace thermotest {
namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ThermoGridInput, RefusesBadGrids) {
  const griddataset d = makegrid("bad", cubic(1.0), 2, spaced(2.22, 2.36, 5));
  auto withgrid = [&](const std::string& name, const std::string& text) {
    griddataset e = d;
    e.grid = writefile(name, text);
    return runwith(gridargs(e, {}));
  };
  std::string lines;
  {
    std::ifstream in(d.grid);
    std::stringstream s;
    s << in.rdbuf();
    lines = s.str();
  }
  // Line 4's volume off by 1e-5: its angles are not the others'.
  std::string shifted = lines;
  {
    std::stringstream in(lines);
    std::string line, out;
    for (int k = 1; std::getline(in, line); ++k) {
      if (k == 4) {
        double a, c, v, e;
        std::sscanf(line.c_str(), "%lf %lf %lf %lf", &a, &c, &v, &e);
        char buf[160];
        std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g %.17g", a, c, v * (1.0 + 1e-5), e);
        line = buf;
      }
      out += line + "\n";
    }
    shifted = out;
  }
  outcome r = withgrid("angles.dat", shifted);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "angles.dat:4: volume / (a a c) is")) << r.err;
  EXPECT_TRUE(r.out.empty());
  // One cell twice; a line of five numbers among fours; too few cells.
  r = withgrid("twice.dat", lines + "2.22 2.22 10.941048 0\n");
  EXPECT_TRUE(has(r.err, "twice.dat:27: the same cell as on line 2")) << r.err;
  r = withgrid("mixed.dat", "2.2 2.2 2.2 10.648 0\n" + lines);
  EXPECT_TRUE(has(r.err, "mixed.dat:3: 4 numbers, where line 1 has 5")) << r.err;
  // A value written as nan is a value that is not finite, not a short line.
  r = withgrid("nan.dat", "2.2 nan 10.648 0\n" + lines);
  EXPECT_TRUE(has(r.err, "nan.dat:1: a value that is not finite")) << r.err;
  griddataset fewer = d;
  fewer.doses.pop_back();
  r = runwith(gridargs(fewer, {}));
  EXPECT_TRUE(has(r.err, "25 cells, but 24 files are given")) << r.err;
  // Too few values on an axis: c takes 3 of the 5.
  const griddataset narrow = makegrid("narrow", cubic(1.0), 2, spaced(2.22, 2.36, 5));
  std::string three;
  {
    std::stringstream in(lines);
    std::string line;
    std::getline(in, line);
    griddataset e = narrow;
    e.doses.clear();
    for (std::size_t i = 0; std::getline(in, line); ++i)
      if (i % 5 < 3) {
        three += line + "\n";
        e.doses.push_back(narrow.doses[i]);
      }
    e.grid = writefile("three.dat", three);
    r = runwith(gridargs(e, {}));
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "three.dat: c takes 3 distinct values; a surface of degree 3 needs 4 or more on each axis"))
      << r.err;
}

TEST(ThermoGridInput, UsageErrors) {
  const griddataset d = makegrid("usage", cubic(1.0), 2, spaced(2.22, 2.36, 5));
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--degree", "5"}, "the surface's total degree is 3 or 4"},
      {{"--eos", "vinet"}, "--eos goes with --qha"},
      {{"--qha", d.grid}, "--qha-grid and --qha do not go together"},
      {{"--yaml"}, "do not go with --qha-grid"},
  };
  for (const auto& [extra, message] : cases) {
    const outcome r = runwith(gridargs(d, extra));
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_TRUE(has(r.err, message)) << r.err;
  }
  outcome r = runwith({"--degree", "4", d.doses[0]});
  EXPECT_TRUE(r.status == 2 && has(r.err, "--degree goes with --qha-grid")) << r.err;
  r = runwith({"--lattice", d.grid, d.doses[0]});
  EXPECT_TRUE(r.status == 2 && has(r.err, "--lattice goes with --qha")) << r.err;
}

TEST(ThermoGridInput, StopsWhereTheMinimumLeavesTheBox) {
  // gamma = 2.5 expands the crystal out of a 3 % box near 700 K.
  const griddataset d = makegrid("leave", cubic(2.5), 2, spaced(2.25, 2.32, 6));
  const outcome r = runwith(gridargs(d, {"--csv", "--tstep", "50", "--tmax", "1500"}));
  EXPECT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_GT(rows.size(), 3u);
  const double last = rows.back().at("temperature"), stop = last + 50.0;
  EXPECT_TRUE(has(r.err, "at " + significant(stop) + " K and 0 GPa the minimum leaves the box the grid spans: ")) << r.err;
  EXPECT_TRUE(has(r.err, "beyond 2.25 to 2.32 A: no rows from there on at this pressure")) << r.err;
  // The fit's health warned first, once, where the minimum neared the edge.
  const std::size_t edge = r.err.find("is within 5 % of the box's width of its edge (2.25 to 2.32 A)");
  EXPECT_LT(edge, r.err.find("leaves the box")) << r.err;
  EXPECT_EQ(r.err.find("is within 5 %", edge + 1), std::string::npos) << r.err;
  // The right temperature: the minimum at `last` is inside, at `stop` not.
  EXPECT_LE(rows.back().at("c"), 2.32);
  EXPECT_LE(rows.back().at("a"), 2.32);
  const outcome alone = runwith(gridargs(d, {"--csv", "--temperatures", significant(stop)}));
  EXPECT_EQ(alone.status, 1);
  EXPECT_TRUE(has(alone.err, "no temperature has its minimum within the box (a 2.25 to 2.32 A, c 2.25 to 2.32 A)"))
      << alone.err;
  // A second pressure holds the crystal inside longer.
  const outcome two = runwith(gridargs(d, {"--csv", "--tstep", "50", "--tmax", "1500", "--pressure", "0,10"}));
  EXPECT_EQ(two.status, 0);
  EXPECT_TRUE(has(two.out, "pressure,temperature,a,c,volume,")) << two.out.substr(0, 200);
}

TEST(ThermoGridInput, WarnsWhereTheSurfaceDoesNotFollowTheData) {
  // A ripple in E that no cubic follows: its rms beyond 1 % of G's spread.
  crystal x = cubic(1.0);
  x.energy = [e = x.energy](double a, double b, double c) { return e(a, b, c) + 0.004 * std::sin(90.0 * a); };
  const griddataset d = makegrid("ripple", x, 2, spaced(2.22, 2.36, 7));
  const outcome r = runwith(gridargs(d, {"--tmax", "300", "--tstep", "100"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(has(r.err, "at 0 K and 0 GPa the surface's rms residual, ")) << r.err;
  EXPECT_TRUE(has(r.err, "is more than 1 % of G's spread over the grid")) << r.err;
  EXPECT_EQ(r.err.find("rms residual", r.err.find("rms residual") + 1), std::string::npos) << r.err;
}

TEST(ThermoGridInput, StopsWhereTheSurfaceHasNoMinimum) {
  // A saddle: the shear term's sign reversed.
  const griddataset d = makegrid("saddle", cubic(1.0, -20.0), 2, spaced(2.22, 2.36, 5));
  const outcome r = runwith(gridargs(d, {"--tmax", "100"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "at 0 K and 0 GPa the surface has no minimum within the box")) << r.err;
  EXPECT_TRUE(has(r.err, "no temperature has its minimum within the box")) << r.err;
}

// The example's grid lines with their files, as `a c volume energy` texts.
struct example {
  std::vector<std::string> lines, files;
};
example readexample(const std::string& dir) {
  example e;
  std::ifstream in(dir + "/grid.dat");
  std::string line;
  for (int k = 1; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') {
      e.lines.push_back(line);
      char name[16];
      std::snprintf(name, sizeof name, "/g%02d", k++);
      e.files.push_back(dir + name + "/total_dos.dat");
    }
  return e;
}

TEST(ThermoGridInput, ACubicCrystalOnATetragonalGrid) {
  const std::string dir = std::string(LHC_EXAMPLES) + "/cu_tetragonal_emt";
  const example e = readexample(dir);
  ASSERT_EQ(e.lines.size(), 81u);
  std::vector<std::vector<std::map<std::string, double>>> runs;
  for (const char* degree : {"3", "4"}) {
    std::vector<std::string> args = {"--qha-grid", dir + "/grid.dat", "--degree", degree, "--csv", "--tmax", "800",
                                     "--tstep", "100"};
    args.insert(args.end(), e.files.begin(), e.files.end());
    const outcome r = runwith(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;  // no check fires, no warning of the fit's health
    runs.push_back(qharows(r.out));
  }
  // The diagonal a = c is fcc copper itself: the one-dimensional mode on it.
  std::string ev = "# volume energy\n";
  std::vector<std::string> args = {"--csv", "--tmax", "800", "--tstep", "100"};
  for (std::size_t i = 0; i < e.lines.size(); i += 10) {
    double a, c, v, en;
    std::sscanf(e.lines[i].c_str(), "%lf %lf %lf %lf", &a, &c, &v, &en);
    ASSERT_EQ(a, c);
    ev += e.lines[i].substr(e.lines[i].find_first_not_of(' ', 30)) + "\n";
    args.push_back(e.files[i]);
  }
  const std::string evfile = writefile("diagonal_ev.dat", ev);
  args.insert(args.begin(), {"--qha", evfile});
  const outcome one = runwith(args);
  ASSERT_EQ(one.status, 0) << one.err;
  const auto line = qharows(one.out);
  ASSERT_EQ(line.size(), runs[0].size());
  for (std::size_t i = 1; i < line.size(); ++i) {
    const auto &d3 = runs[0][i], &d4 = runs[1][i];
    // a = c within the fit's error: the gap shrinks from degree 3 to 4.
    EXPECT_LT(std::fabs(d3.at("a") / d3.at("c") - 1.0), 3e-4) << d3.at("temperature");
    EXPECT_LT(std::fabs(d4.at("a") / d4.at("c") - 1.0), 2e-5) << d4.at("temperature");
    EXPECT_NEAR(d4.at("alpha_a"), d4.at("thermal_expansion") / 3.0, 2e-3 * d4.at("thermal_expansion"));
    EXPECT_NEAR(d4.at("alpha_c"), d4.at("thermal_expansion") / 3.0, 2e-3 * d4.at("thermal_expansion"));
    // V against the one-dimensional mode within the spread between degrees.
    const double spread = std::fabs(d3.at("volume") - d4.at("volume"));
    EXPECT_LT(std::fabs(d4.at("volume") - line[i].at("volume")), std::max(spread, 1e-5 * d4.at("volume")))
        << d4.at("temperature");
  }
}

TEST(ThermoGridInput, AGoodFiveByFiveGridGivesNoWarning) {
  // The hcp example's middle 5 x 5, and every other line of the cubic one's.
  for (const char* name : {"cu_hcp_grid_emt", "cu_tetragonal_emt"}) {
    const std::string dir = std::string(LHC_EXAMPLES) + "/" + name;
    const example e = readexample(dir);
    const std::size_t n = e.lines.size() == 49 ? 7 : 9;
    std::string grid;
    std::vector<std::string> args = {"--qha-grid", "", "--tmax", "800"};
    for (std::size_t i = 0; i < e.lines.size(); ++i) {
      const std::size_t r = i / n, c = i % n;
      const bool keep = n == 7 ? (r >= 1 && r <= 5 && c >= 1 && c <= 5) : (r % 2 == 0 && c % 2 == 0);
      if (!keep) continue;
      grid += e.lines[i] + "\n";
      args.push_back(e.files[i]);
    }
    args[1] = writefile(std::string(name) + "_5x5.dat", grid);
    ASSERT_EQ(args.size(), 29u);
    const outcome r = runwith(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << name << ": " << r.err;
  }
}

}  // namespace
}  // namespace thermotest

namespace thermotest {
namespace {

TEST(ThermoPathInput, AgainstTheGridOnACubicCrystal) {
  // The tetragonal example's diagonal, fcc copper relaxed (c/a = 1), as
  // --qha --lattice: its a(T) against the grid mode's a(T) and c(T).
  const std::string dir = std::string(LHC_EXAMPLES) + "/cu_tetragonal_emt";
  const example e = readexample(dir);
  std::string ev, lat;
  std::vector<std::string> path = {"--csv", "--tmax", "800", "--tstep", "100"};
  for (std::size_t i = 0; i < e.lines.size(); i += 10) {
    double a, c, v, en;
    std::sscanf(e.lines[i].c_str(), "%lf %lf %lf %lf", &a, &c, &v, &en);
    ev += e.lines[i].substr(30) + "\n";
    lat += e.lines[i].substr(0, 15) + e.lines[i].substr(0, 15) + e.lines[i].substr(0, 15) + "\n";
    path.push_back(e.files[i]);
  }
  const std::string evfile = writefile("path_ev.dat", ev), latfile = writefile("path_lat.dat", lat);
  const outcome plain = runwith([&] {
    auto a = path;
    a.insert(a.begin(), {"--qha", evfile});
    return a;
  }());
  path.insert(path.begin(), {"--qha", evfile, "--lattice", latfile});
  const outcome r = runwith(path);
  ASSERT_EQ(r.status, 0) << r.err;
  // The columns without --lattice stay as they are, the new ones after them.
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), plain.out.substr(0, plain.out.find('\n')) + ",a,b,c,alpha_a,alpha_b,alpha_c");
  std::vector<std::string> grid = {"--qha-grid", dir + "/grid.dat", "--degree", "4", "--csv", "--tmax", "800", "--tstep", "100"};
  grid.insert(grid.end(), e.files.begin(), e.files.end());
  const auto rows = qharows(r.out), onplain = qharows(plain.out), ongrid = qharows(runwith(grid).out);
  ASSERT_EQ(rows.size(), ongrid.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto &p = rows[i], &g = ongrid[i];
    EXPECT_EQ(p.at("volume"), onplain[i].at("volume"));
    EXPECT_NEAR(p.at("a"), p.at("c"), 1e-14 * p.at("a"));
    EXPECT_NEAR(p.at("volume"), p.at("a") * p.at("b") * p.at("c"), 1e-9 * p.at("volume"));  // k, from 8 decimals
    const double sum = p.at("alpha_a") + p.at("alpha_b") + p.at("alpha_c");
    EXPECT_NEAR(sum, p.at("thermal_expansion"), 1e-12 * std::fabs(sum) + 1e-300);
    EXPECT_NEAR(p.at("a"), g.at("a"), 5e-5 * g.at("a")) << p.at("temperature");
    EXPECT_NEAR(p.at("c"), g.at("c"), 5e-5 * g.at("c")) << p.at("temperature");
    if (i > 0) {
      EXPECT_NEAR(p.at("alpha_c"), g.at("alpha_c"), 0.02 * g.at("alpha_c")) << p.at("temperature");
    }
  }
}

TEST(ThermoPathInput, FollowsTheAxialRatiosAndRefusesBadFiles) {
  const dataset d = qhadata("path", 2.0);
  // c/a = 1.6 + 0.01 (V - 12): quadratic in V, followed exactly; k = 0.5.
  std::string lat;
  char buf[120];
  for (double v : d.volume) {
    const double r = 1.6 + 0.01 * (v - 12.0), a = std::cbrt(v / (0.5 * r));
    std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g\n", a, a, a * r);
    lat += buf;
  }
  const std::string file = writefile("path_ratio.dat", lat);
  outcome r = runwith(qhaargs(d, {"--lattice", file, "--csv", "--tmax", "600", "--tstep", "100"}));
  ASSERT_EQ(r.status, 0) << r.err;
  for (const auto& row : qharows(r.out)) {
    const double v = row.at("volume");
    EXPECT_NEAR(row.at("c") / row.at("a"), 1.6 + 0.01 * (v - 12.0), 1e-13);
    EXPECT_NEAR(v, 0.5 * row.at("a") * row.at("b") * row.at("c"), 1e-13 * v);
    const double sum = row.at("alpha_a") + row.at("alpha_b") + row.at("alpha_c");
    EXPECT_NEAR(sum, row.at("thermal_expansion"), 1e-12 * std::fabs(sum) + 1e-300);
  }
  // A line short, and a line of another cell's angles.
  r = runwith(qhaargs(d, {"--lattice", writefile("path_short.dat", lat.substr(0, lat.rfind('\n', lat.size() - 2) + 1))}));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "8 lines of lengths, but")) << r.err;
  std::string skew = lat;
  skew.insert(0, "2.5 2.5 2.5\n");
  skew.erase(skew.find('\n', 12) + 1, skew.find('\n', skew.find('\n', 12) + 1) - skew.find('\n', 12));
  r = runwith(qhaargs(d, {"--lattice", writefile("path_skew.dat", skew)}));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "path_skew.dat:")) << r.err;
  EXPECT_TRUE(has(r.err, "the cell's angles must be the same on every line")) << r.err;
}

}  // namespace
}  // namespace thermotest
