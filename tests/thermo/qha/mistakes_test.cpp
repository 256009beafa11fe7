// The mistakes a new user makes with phonopy's quasi-harmonic inputs, each
// on a file of the kind that makes it: a cell whose volume the files state,
// files in a shell glob's order, e-v.dat in another unit, phases whose
// cells hold different atoms. An error leaves no rows; correct inputs stay
// silent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "qha/griddata.hpp"
#include "qha/qhadata.hpp"
#include "testutil.hpp"
#include "thermo/formats/yaml/thermal_properties.hpp"
#include "thermo/harmonic/constants.hpp"

namespace {

using namespace thermotest;

const std::vector<std::string> grid = {"--temperatures", "0,100,300"};

// Every line of `text` holding `key` with `line` after it.
std::string after(std::string text, const std::string& key, const std::string& line) {
  for (std::size_t p = text.find(key); p != std::string::npos; p = text.find(key, p + line.size() + 1)) {
    p = text.find('\n', p) + 1;
    text.insert(p, line);
  }
  return text;
}

// thermal_properties.yaml at each volume as phonopy 2.20 on writes it, its
// cell's volume (times `cell`) after natom, padded as phonopy pads it.
dataset stated(const std::string& name, double cell = 1.0) {
  dataset d = qhatables(name, 1.7, grid);
  for (std::size_t i = 0; i < d.doses.size(); ++i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "volume: %-20.10f\n", cell * d.volume[i]);
    d.doses[i] = writefile(name + "_v" + std::to_string(i), after(readtext(d.doses[i]), "natom:", buf));
  }
  return d;
}

// e-v.dat with every volume times v and every energy times e.
std::string scaled(const dataset& d, const std::string& name, double v, double e) {
  std::string s;
  char buf[96];
  for (std::size_t i = 0; i < d.volume.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v * d.volume[i], e * d.energy[i]);
    s += buf;
  }
  return writefile(name, s);
}

TEST(ThermoQhaMistakes, ACellWhoseVolumeIsStated) {
  const dataset d = stated("m_cell");
  // Both readers take the volume, to the same number.
  for (bool lines : {true, false}) {
    source in;
    std::string why;
    ASSERT_TRUE(in.open(d.doses[2], why)) << why;
    thermaltable t;
    problem p;
    std::vector<char> storage;
    ASSERT_TRUE(lines ? readthermalfile(d.doses[2], in, t, p, storage) : readthermal(in, t, p)) << p.what;
    EXPECT_EQ(t.volume, d.volume[2]) << lines;
    EXPECT_EQ(t.natom, 1) << lines;
  }
  const dataset unstated = qhatables("m_cell0", 1.7, grid);
  const auto right = runwith(qhaargs(d, {"--csv"}));
  EXPECT_EQ(right.status, 0);
  EXPECT_EQ(right.err, "");
  EXPECT_EQ(right.out, runwith(qhaargs(unstated, {"--csv"})).out);
  // e-v.dat's volumes 3 % off: an error giving both volumes, once.
  dataset off = d;
  off.ev = scaled(d, "m_cell_off", 1.03, 1.0);
  const auto three = runwith(qhaargs(off, {"--csv"}));
  EXPECT_EQ(three.status, 1);
  EXPECT_EQ(three.out, "");
  EXPECT_NE(three.err.find("m_cell_v0: its cell's volume is 11.2 A^3, but line 1 of the volumes in " + off.ev +
                           " gives 11.536 A^3, and every file's by the same factor: " + off.ev +
                           "'s volumes are 1.03 times the files' cells"),
            std::string::npos) << three.err;
  EXPECT_EQ(std::count(three.err.begin(), three.err.end(), '\n'), 1) << three.err;
  // A whole ratio: e-v.dat per primitive cell beside files per conventional cell.
  const auto four = runwith(qhaargs(stated("m_cell4", 4.0), {"--csv"}));
  EXPECT_EQ(four.status, 1);
  EXPECT_NE(four.err.find("the files describe a cell 4 times"), std::string::npos) << four.err;
  // Volumes in bohr^3: named, and read with --volume-unit.
  dataset bohr = d;
  bohr.ev = scaled(d, "m_cell_bohr", 1.0 / bohr3, 1.0);
  EXPECT_NE(runwith(qhaargs(bohr, {"--csv"})).err.find("'s volumes are in bohr^3: --volume-unit bohr3 reads them"),
            std::string::npos);
  const auto read = runwith(qhaargs(bohr, {"--csv", "--volume-unit", "bohr3"}));
  std::string why;
  EXPECT_EQ(read.err, "");
  EXPECT_TRUE(samerows(read.out, right.out, 1e-12, why)) << why;
  // A stated volume must be a volume.
  dataset bad = unstated;
  bad.doses[1] = writefile("m_cell_bad", after(readtext(bad.doses[1]), "natom:", "volume: -3\n"));
  EXPECT_NE(runwith(qhaargs(bad, {})).err.find("m_cell_bad:10: the volume -3 A^3 is not positive"), std::string::npos);
}

TEST(ThermoQhaMistakes, FilesInAShellGlobsOrder) {
  // thermal_properties.yaml-{-5..5} as a shell glob sorts them: --1 ... --5
  // before -0 ... -5, so that the zero-point energy rises, then falls.
  const dataset d = qhatables("m_glob", 1.7, grid, 11);
  dataset glob = d;
  for (int k = 0; k < 5; ++k) glob.doses[static_cast<std::size_t>(k)] = d.doses[static_cast<std::size_t>(4 - k)];
  const auto v = runwith(qhaargs(glob, {"--csv"}));
  EXPECT_EQ(v.status, 1);
  EXPECT_EQ(v.out, "");
  EXPECT_NE(v.err.find("m_glob3_tp: the zero-point energy (eV) rises from "), std::string::npos) << v.err;
  EXPECT_NE(v.err.find("and falls elsewhere: not monotonic in the volume, which is what files out of e-v.dat's order give "
                       "(a shell glob sorts -10 before -2, and --1 before -0); name them in its order"),
            std::string::npos) << v.err;
  // Two neighbours swapped: a zigzag, refused too.
  dataset swapped = d;
  std::swap(swapped.doses[6], swapped.doses[7]);
  EXPECT_EQ(runwith(qhaargs(swapped, {"--csv"})).status, 1);
  // A volume with imaginary modes (phonopy's rule) is passed over: its
  // zero-point energy leaves those modes out.
  dataset bumped = d;
  std::string s = readtext(d.doses[6]);
  const std::size_t z = s.find("zero_point_energy: ") + 19;
  s.replace(z, s.find('\n', z) - z, shortest(1.1 * std::stod(s.substr(z))));
  bumped.doses[6] = writefile("m_glob_bumped", s);
  EXPECT_EQ(runwith(qhaargs(bumped, {"--csv"})).status, 1);
  const std::size_t m = s.find("num_modes: ") + 11;
  s.replace(m, s.find('\n', m) - m, "10");
  bumped.doses[6] = writefile("m_glob_imaginary", s);
  EXPECT_EQ(runwith(qhaargs(bumped, {"--csv"})).err, "");
  // Rising throughout, as in a crystal that shrinks on heating: a warning.
  dataset reversed = d;
  std::reverse(reversed.doses.begin(), reversed.doses.end());
  const auto rise = runwith(qhaargs(reversed, {"--csv"}));
  EXPECT_EQ(rise.status, 0);
  EXPECT_NE(rise.err.find("warning: the zero-point energy (eV) rises"), std::string::npos) << rise.err;
  EXPECT_EQ(qharows(rise.out).size(), 3u);
  // A DOS that does not change with volume, but for rounding: no direction.
  dataset flat = qhadata("m_flat", 0.0);
  flat.doses[4] = writefile("m_flat_4", "5.999 0\n6.000000000001 3000\n6.001 0\n");
  EXPECT_EQ(runwith(qhaargs(flat, {"--csv", "--temperatures", "300"})).err, "");
}

TEST(ThermoQhaMistakes, EnergiesAndVolumesInOtherUnits) {
  // Quantum ESPRESSO's Ry and bohr^3, ABINIT's Ha, kJ/mol and meV: the eV and
  // A^3 run's rows, beside mesh.yaml files that know their cells.
  const dataset d = qhamesh("m_units", 1.7);
  const auto ev = runwith(qhaargs(d, {"--csv", "--tstep", "100"}));
  ASSERT_EQ(ev.err, "");
  const double kjmol = avogadro * elementary / 1000.0;
  const struct {
    const char* energy;
    double perev, pera3;
  } units[] = {{"Ry", 1.0 / 13.605693122994, 1.0 / bohr3}, {"ha", 1.0 / 27.211386245988, 1.0},
               {"kJ/mol", kjmol, 1.0 / bohr3}, {"meV", 1000.0, 1.0}};
  for (const auto& u : units) {
    dataset x = d;
    x.ev = scaled(d, std::string("m_units_") + u.energy[0], u.pera3, u.perev);
    std::vector<std::string> args = {"--csv", "--tstep", "100", "--energy-unit", u.energy};
    if (u.pera3 != 1.0) args.insert(args.end(), {"--volume-unit", "bohr3"});
    const auto r = runwith(qhaargs(x, args));
    std::string why;
    EXPECT_EQ(r.err, "") << u.energy;
    EXPECT_TRUE(samerows(r.out, ev.out, 1e-9, why)) << u.energy << ": " << why;
  }
  // Ry read as eV: B0 13.6 times too small, still plausible, but the
  // zero-point pressure 13.6 times its share of it.
  dataset ry = qhadata("m_ry", 1.7, 9, 11.2, 14.8);
  ry.ev = scaled(ry, "m_ry_ev", 1.0, 1.0 / 13.605693122994);
  const std::string warned = runwith(qhaargs(ry, {"--csv"})).err;
  EXPECT_NE(warned.find(ry.ev + ": warning: the zero-point pressure, -dZPE/dV = "), std::string::npos) << warned;
  EXPECT_NE(warned.find("% of the static B0 (ordinary solids: 0.3 to 1.3 %): the energies may be in Ry or Ha, not eV "
                        "(--energy-unit Ry reads them)"),
            std::string::npos) << warned;
  EXPECT_EQ(runwith(qhaargs(ry, {"--csv", "--energy-unit", "Ry"})).err, "");
  EXPECT_EQ(runwith(qhaargs(qhadata("m_ev", 1.7, 9, 11.2, 14.8), {"--csv"})).err, "");
  // The options' own mistakes.
  EXPECT_TRUE(usageerror(runwith(qhaargs(d, {"--energy-unit", "erg"}))));
  EXPECT_TRUE(usageerror(runwith(qhaargs(d, {"--volume-unit", "m3"}))));
  EXPECT_TRUE(usageerror(runwith(qhaargs(d, {"--volume-unit="}))));
  EXPECT_TRUE(usageerror(runwith({"--energy-unit", "Ry", d.doses[0]})));
}

TEST(ThermoQhaMistakes, AGridInOtherUnits) {
  // The grid mode's file in Ry, bohr and bohr^3: the eV and A run's rows.
  const griddataset d = makegrid("m_grid", cubic(1.7), 2, spaced(2.22, 2.36, 7));
  griddataset ry = d;
  std::string text = readtext(d.grid), lines;
  const double bohr = std::cbrt(bohr3);
  char buf[160];
  for (std::size_t p = text.find('\n') + 1; p < text.size(); p = text.find('\n', p) + 1) {
    double a, c, v, e;
    ASSERT_EQ(std::sscanf(text.c_str() + p, "%lf %lf %lf %lf", &a, &c, &v, &e), 4);
    std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g %.17g\n", a / bohr, c / bohr, v / bohr3, e / 13.605693122994);
    lines += buf;
  }
  ry.grid = writefile("m_grid_ry", lines);
  const auto ev = runwith(gridargs(d, {"--csv", "--tstep", "100", "--tmax", "500"}));
  const auto read = runwith(gridargs(ry, {"--csv", "--tstep", "100", "--tmax", "500", "--energy-unit", "Ry",
                                          "--volume-unit", "bohr3"}));
  std::string why;
  ASSERT_EQ(ev.status, 0) << ev.err;
  EXPECT_EQ(read.err, ev.err);
  EXPECT_TRUE(samerows(read.out, ev.out, 1e-9, why)) << why;
}

TEST(ThermoQhaMistakes, PhasesOfDifferentCells) {
  // fcc's one atom against a doubled cell's two, compared per cell.
  const dataset a = qhadata("m_fcc", 1.7);
  std::vector<std::string> doubled;
  for (std::size_t i = 0; i < a.doses.size(); ++i)
    doubled.push_back(writefile("m_two" + std::to_string(i), "5.999 0\n6 6000\n6.001 0\n"));
  const std::string ev2 = scaled(a, "m_two_ev", 2.0, 2.0);
  auto args = [&](std::vector<std::string> extra) {
    for (const auto& [ev, doses] : {std::pair{a.ev, a.doses}, std::pair{ev2, doubled}}) {
      extra.push_back("--qha");
      extra.push_back(ev);
      extra.insert(extra.end(), doses.begin(), doses.end());
    }
    return extra;
  };
  const auto none = runwith(args({"--csv", "--temperatures", "300"}));
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find(a.ev + ", " + ev2 + ": the cell of phase phase1 holds 1 atom and that of phase2 2 atoms, and "
                          "phases are compared per formula unit: give each cell's with --formula-units (1,2 where the "
                          "phases share a composition)"),
            std::string::npos) << none.err;
  const auto wrong = runwith(args({"--csv", "--temperatures", "300", "--formula-units", "1,1"}));
  EXPECT_EQ(wrong.status, 0);
  EXPECT_NE(wrong.err.find("warning: --formula-units gives 1 and 1 formula units to cells of 1 atom and 2 atoms"),
            std::string::npos) << wrong.err;
  const auto right = runwith(args({"--csv", "--temperatures", "300", "--formula-units", "1,2"}));
  EXPECT_EQ(right.err, "");
  EXPECT_EQ(qharows(right.out).size(), 2u);
}

}  // namespace
