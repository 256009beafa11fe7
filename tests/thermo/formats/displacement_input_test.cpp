// --displacements' readers: the exact route on a mesh worked by hand, the
// same results and the same messages from phonopy's layout read line by
// line and from libyaml's events, what a mesh.yaml's eigenvectors and points
// must be, and the rigid translations at q = 0 left out.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "testutil.hpp"
#include "thermo/formats/inputs/displacement_load.hpp"

namespace {

using namespace thermotest;

// phonopy's layout of a mesh of `atoms` atoms (masses 10, 20, ...) at
// `qpoints` q-points off q = 0 of weight `weight`: band b's eigenvector is
// the unit vector of component b, its frequency 1 + b + q/2 THz; with
// `flow`, each atom's part of it on one line, as only libyaml reads it.
std::string unitmesh(int atoms, int qpoints, const std::string& weight = "1", bool flow = false) {
  std::string s = "mesh: [ 2, 2, 2 ]\nnqpoint: " + std::to_string(qpoints) + "\nnatom: " + std::to_string(atoms) +
                  "\nlattice:\n- [ 3.0, 0.0, 0.0 ] # a\n- [ 0.0, 3.0, 0.0 ] # b\n- [ 0.0, 0.0, 3.0 ] # c\npoints:\n";
  for (int j = 0; j < atoms; ++j)
    s += "- symbol: X" + std::to_string(j) + " # " + std::to_string(j + 1) + "\n  coordinates: [ 0.0, 0.0, 0.0 ]\n"
         "  mass: " + std::to_string(10 * (j + 1)) + ".0\n";
  s += "\nphonon:\n";
  for (int q = 0; q < qpoints; ++q) {
    s += "- q-position: [ 0.25, " + std::to_string(q) + ".5, 0.0 ]\n  distance_from_gamma: 0.1\n  weight: " + weight +
         "\n  band:\n";
    for (int b = 0; b < 3 * atoms; ++b) {
      s += "  - # " + std::to_string(b + 1) + "\n    frequency: " + std::to_string(1.0 + b + 0.5 * q) + "\n    eigenvector:\n";
      for (int j = 0; j < atoms; ++j) {
        s += flow ? "    - [ " : "    - # atom " + std::to_string(j + 1) + "\n";
        for (int a = 0; a < 3; ++a)
          s += std::string(flow ? (a > 0 ? ", [ " : "[ ") : "      - [ ") + (3 * j + a == b ? "1.0" : "0.0") +
               (flow ? ", 0.0 ]" : ", 0.0 ]\n");
        if (flow) s += " ]\n";
      }
    }
    s += "\n";
  }
  return s;
}

// One file's table at temperatures t: read from the file (phonopy's layout
// line by line) or from memory as standard input (libyaml's events).
struct read {
  bool ok;
  displacementtable table;
  std::string message;  // with the path replaced by FILE
};
read readmesh(const std::string& text, bool fromfile, const displacementoptions& o = {},
              const std::vector<double>& t = {0.0, 300.0}) {
  read r;
  const std::string path = fromfile ? writefile("di_mesh.yaml", text) : "-";
  source in(text);
  source file;
  std::string why;
  if (fromfile && !file.open(path, why)) return {false, {}, why};
  filescratch scratch;
  r.ok = readdisplacements(fromfile ? file : in, path, readoptions{}, o, 0.0, t, true, {}, scratch, r.table, r.message);
  const std::string prefix = "lattice_thermo: " + path;
  if (r.message.rfind(prefix, 0) == 0) r.message.replace(0, prefix.size(), "lattice_thermo: FILE");
  return r;
}

TEST(ThermoDisplacementInput, ExactRouteWorkedByHand) {
  const read r = readmesh(unitmesh(2, 3), true);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_TRUE(r.table.matrices);
  EXPECT_EQ(r.table.elements, (std::vector<std::string>{"X0", "X1"}));
  EXPECT_EQ(r.table.masses, (std::vector<double>{10.0, 20.0}));
  const double hbar = planck / (2.0 * std::numbers::pi);
  for (std::size_t i = 0; i < 2; ++i)
    for (std::size_t j = 0; j < 2; ++j)
      for (std::size_t a = 0; a < 3; ++a) {
        double sum = 0.0;
        for (int q = 0; q < 3; ++q) {
          const double e = (1.0 + static_cast<double>(3 * j + a) + 0.5 * q) * planck * 1e12;
          sum += (i == 0 ? 1.0 : 1.0 / std::tanh(e / (2.0 * boltzmann * 300.0))) / e / 3.0;
        }
        const double want = hbar * hbar / (2.0 * 10.0 * static_cast<double>(j + 1) * amu) * sum * 1e20;
        const double* u = r.table.values.data() + (i * 2 + j) * 6;
        EXPECT_NEAR(u[a], want, 1e-13 * want) << i << " " << j << " " << a;
        EXPECT_EQ(u[3 + a], 0.0);
      }
}

// Both readers give the same rows from the same file, and from the same
// values in another layout (flow style), which only libyaml reads.
TEST(ThermoDisplacementInput, BothReadersGiveTheSameRows) {
  const std::string text = unitmesh(2, 4);
  const read lines = readmesh(text, true), events = readmesh(text, false);
  ASSERT_TRUE(lines.ok && events.ok) << lines.message << events.message;
  EXPECT_EQ(lines.table.values, events.table.values);
  const read other = readmesh(unitmesh(2, 4, "1", true), true);
  ASSERT_TRUE(other.ok) << other.message;
  EXPECT_EQ(other.table.values, events.table.values);
}

// What a mesh.yaml's eigenvectors and points must be, told alike by both
// readers: the same message at the same line.
TEST(ThermoDisplacementInput, MalformedMeshesToldAlike) {
  const std::string good = unitmesh(1, 2);
  auto with = [&](const std::string& from, const std::string& to, int nth = 0) {
    std::string s = good;
    std::size_t at = s.find(from);
    for (int k = 0; k < nth; ++k) at = s.find(from, at + 1);
    return s.replace(at, from.size(), to);
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {with("[ 1.0, 0.0 ]", "[ 0.5, 0.0 ]"), ":19: an eigenvector of norm 0.5, not 1: phonopy writes them normalised"},
      {with("[ 1.0, 0.0 ]", "[ 1.0, 0.0, 0.0 ]"), ":22: an eigenvector's component is not a [real, imaginary] pair"},
      {with("      - [ 0.0, 0.0 ]\n", "", 1), "an atom's part of an eigenvector has 2 components, not 3 (x, y, z)"},
      {with("[ 1.0, 0.0 ]", "[ 1.0, nan ]"), ":22: an eigenvector's component is not a finite number: \"nan\""},
      {with("  mass: 10.0", "  mass: -10.0"), ":11: a point's mass, -10 amu, is not an atom's"},
      {with("symbol: X0", "symbol: \"X,0\""), ":9: a point's symbol, \"X,0\", is not an element's"},
      {with("natom: 1", "natom: 2"), "eigenvectors of 1 atoms, but natom is 2"},
      {with("    eigenvector:", "    frequency: 2.0\n    eigenvector:"), "the key 'frequency' is given twice"},
      {with("    eigenvector:\n    - # atom 1\n      - [ 1.0, 0.0 ]\n      - [ 0.0, 0.0 ]\n      - [ 0.0, 0.0 ]\n", "", 1),
       "a q-point with eigenvectors for 2 of its 3 bands"},
  };
  for (const auto& [text, said] : cases) {
    const read lines = readmesh(text, true), events = readmesh(text, false);
    EXPECT_FALSE(lines.ok);
    EXPECT_NE(lines.message.find(said), std::string::npos) << lines.message;
    EXPECT_EQ(lines.message, events.message) << said;
  }
}

// The three modes of least |f| at q = 0 are the crystal's rigid
// translations, whatever the numerics made of them: a tiny positive
// frequency there, whose 1/E^2 would swamp every other mode, takes no part.
TEST(ThermoDisplacementInput, RigidTranslationsTakeNoPart) {
  std::string text = unitmesh(1, 2);
  text.replace(text.find("[ 0.25, 0.5, 0.0 ]"), 18, "[ 0.0, 1.0, 0.0 ]");
  const read exact = readmesh(text, true);
  std::string tiny = text;
  for (const char* f : {"frequency: 1.000000", "frequency: 2.000000", "frequency: 3.000000"})
    tiny.replace(tiny.find(f), std::string(f).size(), "frequency: 1e-7");
  const read r = readmesh(tiny, true);
  ASSERT_TRUE(exact.ok && r.ok) << exact.message << r.message;
  EXPECT_EQ(r.table.values, exact.table.values);
  EXPECT_NE(r.table.leftout.find("50.0000 %, the 3 rigid translations at q = 0"), std::string::npos) << r.table.leftout;
  // Slightly negative there, as numerics leave a Gamma-centred mesh's
  // acoustic modes: rigid translations still, not imaginary modes, in the
  // exact route, the mean route, the harmonic mode and --exclude-imaginary.
  std::string negative = text;
  for (const char* f : {"frequency: 1.000000", "frequency: 2.000000", "frequency: 3.000000"})
    negative.replace(negative.find(f), std::string(f).size(), "frequency: -2e-6");
  const read n = readmesh(negative, true);
  ASSERT_TRUE(n.ok) << n.message;
  EXPECT_EQ(n.table.values, exact.table.values);
  EXPECT_EQ(n.table.leftout, "modes that take no part: 0.0000 % at or below zero (imaginary modes); 50.0000 %, the 3 "
                             "rigid translations at q = 0");
  EXPECT_EQ(n.table.notes, "");
  const std::string path = writefile("di_negative.yaml", negative);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--displacements", "--mass", "10", "--tmax", "0"},
                                               {"--tmax", "0"}}) {
    auto all = args;
    all.push_back(path);
    const auto r = runwith(all);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("imaginary"), std::string::npos) << r.err;
  }
  loaded file;
  std::string message;
  filescratch scratch;
  ASSERT_TRUE(readfile(path, readoptions{}, 0.0, scratch, file, message)) << message;
  EXPECT_EQ(file.d.below, 1.5);  // half the modes, of 3 states
  EXPECT_EQ(imaginaryshare(file), 0.0);
}

}  // namespace
