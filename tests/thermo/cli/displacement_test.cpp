// lattice_thermo --displacements as a whole: each route's rows and columns,
// every kind of bad input with its message, and the warnings that say what
// a DOS could not resolve.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <cstdlib>
#include <string>
#include <vector>

#include "testutil.hpp"

namespace {

using namespace thermotest;

// A DOS of `atoms` columns in THz on 0 .. 10 THz in steps of `step`, each
// a Debye-like 3 E^2 (10 - E) / 2500 scaled by `scale` (its states ~3 each),
// zero below `from`.
std::string projected(int atoms, double step = 0.05, double from = 0.0, std::vector<double> scale = {}) {
  std::string s = "# f and a DOS per atom\n";
  char buf[64];
  for (double f = 0.0; f <= 10.0 + 1e-9; f += step) {
    std::snprintf(buf, sizeof buf, "%.10g", f);
    s += buf;
    for (int j = 0; j < atoms; ++j) {
      const double k = static_cast<std::size_t>(j) < scale.size() ? scale[static_cast<std::size_t>(j)] : 1.0;
      std::snprintf(buf, sizeof buf, " %.12g", f < from ? 0.0 : k * 0.0036 * f * f * (10.0 - f));
      s += buf;
    }
    s += "\n";
  }
  return s;
}

// The CSV's field `name` of each row.
std::vector<std::string> field(const std::string& csv, const std::string& name) {
  std::vector<std::string> head, out;
  std::size_t p = 0;
  for (std::size_t e = csv.find('\n'); p < e;) {
    const std::size_t c = std::min(csv.find(',', p), e);
    head.push_back(csv.substr(p, c - p));
    p = c + 1;
  }
  const std::size_t k = static_cast<std::size_t>(std::find(head.begin(), head.end(), name) - head.begin());
  for (p = csv.find('\n') + 1; p < csv.size(); p = csv.find('\n', p) + 1) {
    std::size_t at = p;
    for (std::size_t i = 0; i < k; ++i) at = csv.find(',', at) + 1;
    out.push_back(csv.substr(at, std::min(csv.find(',', at), csv.find('\n', at)) - at));
  }
  return out;
}

TEST(ThermoDisplacements, ProjectedAndTotalRoutes) {
  const std::string two = writefile("d_two.dat", projected(2)), one = writefile("d_one.dat", projected(1));
  const auto r = runwith({"--displacements", "--csv", "--temperatures", "0,300", "--masses", "10,40", two});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "temperature,atom,element,mass,mean_square_displacement,b_iso");
  const auto msd = field(r.out, "mean_square_displacement");
  ASSERT_EQ(msd.size(), 4u);
  // The same DOS: <|u|^2> goes as 1/m, and a column is the total DOS of one atom.
  EXPECT_NEAR(std::atof(msd[2].c_str()) / std::atof(msd[3].c_str()), 4.0, 1e-12);
  const auto total = runwith({"--displacements", "--csv", "--temperatures", "0,300", "--mass", "10", one});
  ASSERT_EQ(total.status, 0) << total.err;
  EXPECT_EQ(field(total.out, "mean_square_displacement"), (std::vector<std::string>{msd[0], msd[2]}));
  // The Lamb-Mossbauer factor from the CSV's own <|u|^2>, and B.
  const auto f = runwith({"--displacements", "--csv", "--temperatures", "300", "--mass", "10", "--mossbauer-energy",
                          "14.4125", one});
  const double u = std::atof(field(f.out, "mean_square_displacement")[0].c_str());
  const double k = 14.4125e3 * elementary / (planck / (2 * std::numbers::pi) * lightspeed) * 1e-10;
  EXPECT_NEAR(std::atof(field(f.out, "lamb_mossbauer")[0].c_str()), std::exp(-k * k * u / 3.0), 1e-15);
  EXPECT_NEAR(std::atof(field(f.out, "b_iso")[0].c_str()), 8.0 * std::numbers::pi * std::numbers::pi / 3.0 * u, 1e-15);
  // The table says how the rows were made.
  const auto table = runwith({"--displacements", "--temperatures", "300", "--masses", "10,40", two});
  EXPECT_NE(table.out.find("# route: a DOS column per atom (columns 2 to 3), each normalised to 3 states\n"),
            std::string::npos) << table.out;
  EXPECT_NE(table.out.find("# masses: from --masses\n"), std::string::npos);
}

TEST(ThermoDisplacements, BadInputIsToldAndNoRowsFollow) {
  const std::string two = writefile("d_bad2.dat", projected(2)), one = writefile("d_bad1.dat", projected(1));
  const std::string plain = writefile("d_plain.yaml", meshyaml({"1", "1"}, {{"1", "2", "3"}, {"2", "3", "4"}}));
  const std::string reduced =
      writefile("d_reduced.yaml", meshyaml({"1", "3"}, {{"1", "2", "3"}, {"2", "3", "4"}}, true));
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{two}, "the atoms' masses are needed: --masses M1,M2,... (amu, one for each of the 2 DOS columns) or --mass M"},
      {{"--masses", "1,2,3", two}, "--masses gives 3 masses, but the file has 2 DOS columns: one mass each"},
      {{one}, "the mass of the crystal's atoms is needed: --mass M (amu), for a total DOS of one element"},
      {{"--masses", "1,2", one}, "a total DOS is a crystal of one element's: give its mass as --mass M"},
      {{plain}, "eigenvectors needed for per-atom displacements; run phonopy with --eigenvectors (and --nomeshsym), "
                "or give --mass M for a crystal of one element"},
      {{reduced}, "the q-points carry weights up to 3: the mesh was reduced by symmetry, and per-atom displacements "
                  "need the whole mesh; run phonopy with --nomeshsym"},
  };
  for (const auto& [args, said] : cases) {
    std::vector<std::string> all = {"--displacements", "--tmax", "100"};
    all.insert(all.end(), args.begin(), args.end());
    const auto r = runwith(all);
    EXPECT_EQ(r.status, 1) << said;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("lattice_thermo: " + args.back() + ": " + said, 0), 0u) << r.err;
  }
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--displacements", "--masses", "1,0", two}, {"--displacements", "--mass", "-2", one},
        {"--masses", "1,2", two}, {"--displacements", "--qha", two, one, one, one, one, one},
        {"--displacements", "--normalize", "--mass", "1", one}, {"--displacements", "--mossbauer-energy", "0", one},
        {"--displacements", "--mass", "1", "--masses", "1", one}})
    EXPECT_TRUE(usageerror(runwith(args))) << args[1];
  // A bad file among good ones: its message, the others' rows.
  const auto both = runwith({"--displacements", "--csv", "--tmax", "0", "--mass", "10", plain, one});
  EXPECT_EQ(both.status, 0) << both.err;  // --mass: the mesh's modes give the mean over its atoms
  const auto mixed = runwith({"--displacements", "--csv", "--tmax", "0", "--masses", "10,20", two, one, two});
  EXPECT_EQ(mixed.status, 1);
  EXPECT_EQ(linesabout(mixed.err, one), 1) << mixed.err;
  EXPECT_EQ(field(mixed.out, "atom").size(), 4u) << mixed.out;
}

// A mesh reduced by symmetry still gives, with --mass, the mean over its
// atoms from the modes: each atom the same, and the same as the whole mesh's
// own modes would give.
TEST(ThermoDisplacements, MassGivesTheMeanOnAnyMesh) {
  const auto freqs = std::vector<std::array<std::string, 3>>{{"1", "2", "3"}, {"2", "3", "4"}};
  const auto reduced = runwith({"--displacements", "--csv", "--temperatures", "300", "--mass", "63.546",
                                writefile("d_r.yaml", meshyaml({"1", "3"}, freqs, true))});
  const auto whole = runwith({"--displacements", "--csv", "--temperatures", "300", "--mass", "63.546",
                              writefile("d_w.yaml", meshyaml({"1", "1", "1", "1"}, {freqs[0], freqs[1], freqs[1], freqs[1]}))});
  ASSERT_EQ(reduced.status, 0) << reduced.err;
  EXPECT_NEAR(std::atof(field(reduced.out, "mean_square_displacement")[0].c_str()),
              std::atof(field(whole.out, "mean_square_displacement")[0].c_str()), 1e-16);
  EXPECT_EQ(field(reduced.out, "element"), std::vector<std::string>{"Cu"});
  // The masses given where the file has its own: a warning, the file's used.
  const std::string exact = writefile("d_e.yaml", meshyaml({"1", "1"}, freqs, true));
  const auto own = runwith({"--displacements", "--csv", "--temperatures", "300", exact});
  const auto given = runwith({"--displacements", "--csv", "--temperatures", "300", "--mass", "60", exact});
  EXPECT_EQ(given.out, own.out);
  EXPECT_NE(given.err.find("warning: the masses given differ from those of the file's points (atom 1: 60 against "
                           "63.546 amu); the file's are used"),
            std::string::npos) << given.err;
}

// Several files in one CSV have the first file's columns: nan for the u_ab
// a later file lacks, and a warning where a later file's are left out.
TEST(ThermoDisplacements, SeveralFilesShareTheFirstFilesColumns) {
  const std::string mesh = writefile("d_m.yaml", meshyaml({"1", "1"}, {{"1", "2", "3"}, {"2", "3", "4"}}, true));
  const std::string dos = writefile("d_dos.dat", projected(1));
  const auto first = runwith({"--displacements", "--csv", "--tmax", "0", "--mass", "63.546", mesh, dos});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(field(first.out, "u_xy"), (std::vector<std::string>{field(first.out, "u_xy")[0], "nan"}));
  EXPECT_NE(field(first.out, "u_xy")[0], "nan");
  const auto second = runwith({"--displacements", "--csv", "--tmax", "0", "--mass", "63.546", dos, mesh});
  EXPECT_EQ(second.out.substr(0, second.out.find('\n')), "file,temperature,atom,element,mass,mean_square_displacement,b_iso");
  EXPECT_NE(second.err.find(mesh + ": warning: its u_ab are left out, as the CSV's columns are the first file's"),
            std::string::npos) << second.err;
}

// What a DOS could not resolve: a column far from 3 states, and states
// that begin too far from zero for the 1/E weight, each named with its
// share.
TEST(ThermoDisplacements, WarningsNameTheirShares) {
  const auto off = runwith({"--displacements", "--tmax", "0", "--masses", "1,1",
                            writefile("d_off.dat", projected(2, 0.05, 0.0, {1.0, 0.95}))});
  EXPECT_NE(off.err.find("warning: column 3 (atom 2) holds 2.8499"), std::string::npos) << off.err;
  EXPECT_EQ(off.err.find("column 2 (atom 1)"), std::string::npos) << off.err;
  EXPECT_EQ(off.err.find("too coarse"), std::string::npos) << off.err;
  const auto coarse = runwith({"--displacements", "--tmax", "0", "--mass", "1",
                               writefile("d_coarse.dat", projected(1, 0.25, 0.6))});
  EXPECT_NE(coarse.err.find("its first states lie at 0.75 THz, and a crystal's g ~ E^2 below three times that would "
                            "add about "),
            std::string::npos) << coarse.err;
  // A total DOS far from 3 states an atom is normalised, as the route
  // says: no hint of --normalize, which --displacements refuses.
  const std::string low = writefile("d_low.dat", projected(2, 0.05, 0.0, {0.8, 0.3}));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--column", "2"}, {"--column", "3"}, {}}) {
    std::vector<std::string> all = {"--displacements", "--tmax", "0", "--mass", "1"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back(args.empty() ? writefile("d_low1.dat", projected(1, 0.05, 0.0, {0.8})) : low);
    const auto r = runwith(all);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("--normalize"), std::string::npos) << r.err;
  }
  // The limits stated; a mass in kg refused as a mass, not blamed on the DOS.
  for (const auto& [args, said] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--mass", "1e-300"}, "--mass: 1e-300 amu is not an atom's mass (0.001 to 1e6 amu)"},
           {{"--masses", "1.05e-25"}, "(0.001 to 1e6 amu)"},
           {{"--mass", "1", "--mossbauer-energy", "2e4"}, "20000 keV is not a gamma ray's energy (above 0, up to 1e4 keV)"}}) {
    std::vector<std::string> all = {"--displacements"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back(low);
    const auto r = runwith(all);
    EXPECT_TRUE(usageerror(r)) << r.err;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
  }
  // Rows beyond the limit are refused before any is made.
  const auto many = runwith({"--displacements", "--tstep", "1", "--tmax", "6e6", "--masses", "1,1",
                             writefile("d_many.dat", projected(2, 1.0))});
  EXPECT_NE(many.err.find("6000001 temperatures for 2 atoms: more than 1e+07 rows in one run"), std::string::npos)
      << many.err;
}

}  // namespace
