// lattice_thermo --debye: its columns and tables, several phases per formula
// unit and their transitions on the search --qha uses, --static and --fits,
// the range rule, and every bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "qha/qhadata.hpp"
#include "testutil.hpp"

namespace {

using namespace thermotest;

// E(V) of third-order Birch-Murnaghan (V0 = 11.8 A^3, B0 = 136 GPa, B0' =
// 4.5), `scale` cells' worth, shifted by `shift` eV per cell and its
// volumes by `squeeze`, at n volumes from -8 % to +12 %.
std::string evfile(const std::string& name, int n = 15, double scale = 1.0, double shift = 0.0, double squeeze = 1.0) {
  std::string s = "# V E\n";
  char buf[96];
  for (int i = 0; i < n; ++i) {
    const double v = 11.8 * (0.92 + 0.2 * i / (n - 1)), eta = std::pow(11.8 / v, 2.0 / 3.0), d = eta - 1.0;
    const double e = -3.7 + 9.0 / 16.0 * 11.8 * 0.85 * (d * d * d * 4.5 + d * d * (6.0 - 4.0 * eta));
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v * scale * squeeze, (e + shift) * scale);
    s += buf;
  }
  return writefile(name, s);
}

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ThermoDebye, ColumnsAndTables) {
  const std::string ev = evfile("db_ev.dat");
  const std::vector<std::string> base = {"--debye", ev, "--mass", "63.546", "--atoms", "1", "--tmax", "600", "--tstep",
                                         "100"};
  const auto csv = runwith(with(base, {"--csv", "--pressure", "0,2"}));
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.err, "");
  EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
            "pressure,temperature,volume,gibbs_energy,bulk_modulus,bulk_modulus_s,bulk_modulus_prime,"
            "thermal_expansion,heat_capacity_v,heat_capacity_p,entropy,debye_temperature,gruneisen");
  const auto rows = qharows(csv.out);
  ASSERT_EQ(rows.size(), 14u);
  EXPECT_EQ(rows[7].at("pressure"), 2.0);
  EXPECT_LT(rows[7].at("volume"), rows[0].at("volume"));
  EXPECT_EQ(rows[0].at("heat_capacity_v"), 0.0);  // 0 K
  // --error-bars: a spread for every column; the electrons' own columns.
  const auto err = runwith(with(base, {"--csv", "--error-bars", "--dos-at-fermi", "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1"}));
  ASSERT_EQ(err.status, 0) << err.err;
  const std::string head = err.out.substr(0, err.out.find('\n'));
  for (const char* c : {",electronic_entropy,electronic_heat_capacity,volume_err_fit,", ",bulk_modulus_err_fit,",
                        ",gruneisen_err_fit,", ",electronic_heat_capacity_err_fit"})
    EXPECT_NE(head.find(c), std::string::npos) << c;
  const auto e = qharows(err.out);
  EXPECT_GT(e[3].at("volume_err_fit"), 0.0);
  EXPECT_LT(e[3].at("volume_err_fit"), 1e-3);
  EXPECT_GT(e[3].at("electronic_entropy"), 0.0);
  // The table: its header, and a row a temperature.
  const auto table = runwith(base);
  ASSERT_EQ(table.status, 0);
  EXPECT_EQ(table.out.rfind("# Debye model: ", 0), 0u) << table.out;
  EXPECT_NE(table.out.find("#   T [K]    V [A^3]  G [kJ/mol]"), std::string::npos);
  EXPECT_NE(table.out.find("\n   600.00   "), std::string::npos);
}

TEST(ThermoDebye, PhasesPerFormulaUnitAndTheirTransitions) {
  // The same crystal in a cell twice as large with 2 formula units gives
  // the single cell's rows (with one degree: the average's weights take
  // their floor, 1e-15 Ha^2, per cell, and differ by some 1e-6).
  const std::string one = evfile("db_one.dat"), two = evfile("db_two.dat", 15, 2.0);
  const auto r = runwith({"--debye", one, "--debye", two, "--mass", "63.546,127.092", "--atoms", "1,2",
                          "--formula-units", "1,2", "--phase-names", "one,two", "--temperatures", "0,300,900",
                          "--degree", "4", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 6u);
  for (std::size_t i = 0; i < 6; i += 2)
    for (const char* c : {"volume", "gibbs_energy", "entropy", "heat_capacity_p", "thermal_expansion"})
      EXPECT_NEAR(rows[i].at(c), rows[i + 1].at(c), 1e-11 * std::fabs(rows[i].at(c)) + 1e-12) << c;
  // A denser phase 10 meV higher: fcc stable at 0 GPa, the transition
  // above, where both phases' rows give the same G.
  const std::string dense = evfile("db_dense.dat", 15, 1.0, 0.01, 0.97);
  const std::vector<std::string> both = {"--debye", one, "--debye", dense, "--mass", "63.546", "--atoms", "1",
                                         "--phase-names", "open,dense", "--temperatures", "300", "--csv"};
  const auto t = runwith(with(both, {"--transitions", "-2,10"}));
  ASSERT_EQ(t.status, 0) << t.err;
  const auto x = qharows(t.out);
  ASSERT_EQ(x.size(), 1u) << t.out;
  const double pt = x[0].at("pressure");
  EXPECT_GT(pt, 0.0);
  EXPECT_LT(x[0].at("volume_change"), 0.0);
  const auto at = runwith(with(both, {"--pressure", shortest(pt)}));
  ASSERT_EQ(at.status, 0) << at.err;
  const auto g = qharows(at.out);
  ASSERT_EQ(g.size(), 2u);
  EXPECT_NEAR(g[0].at("gibbs_energy"), g[1].at("gibbs_energy"), 1e-9);
  EXPECT_NEAR(g[1].at("volume") - g[0].at("volume"), x[0].at("volume_change"), 1e-9);
  EXPECT_NEAR(g[1].at("entropy") - g[0].at("entropy"), x[0].at("entropy_change"), 1e-9);
}

TEST(ThermoDebye, StaticFitsAndTheRangeRule) {
  const std::string ev = evfile("db_static.dat");
  const std::vector<std::string> base = {"--debye", ev, "--mass", "63.546", "--atoms", "1", "--csv"};
  const auto s = runwith(with(base, {"--static", "--error-bars", "--pressure", "0,10,500"}));
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.out.substr(0, s.out.find('\n')),
            "pressure,volume,static_energy,enthalpy,bulk_modulus,bulk_modulus_prime,volume_err_fit,bulk_modulus_err_fit");
  const auto rows = qharows(s.out);
  ASSERT_EQ(rows.size(), 2u);  // 500 GPa lies beyond the volumes
  EXPECT_NEAR(rows[0].at("volume"), 11.8, 1e-11);
  EXPECT_NEAR(rows[0].at("bulk_modulus"), 0.85 * 160.2176634, 1e-8);
  EXPECT_LT(rows[0].at("volume_err_fit"), 1e-11);
  EXPECT_NE(s.err.find("warning: at 500 GPa the static fit has no volume"), std::string::npos) << s.err;
  const auto f = runwith(with(base, {"--fits"}));
  ASSERT_EQ(f.status, 0);
  const auto members = qharows(f.out);
  ASSERT_EQ(members.size(), 5u);  // 15 volumes: degrees 2 to 6
  EXPECT_EQ(members[4].at("degree"), 6.0);
  EXPECT_NEAR(members[4].at("volume"), 11.8, 1e-11);
  // Under tension heat takes V(T) beyond the volumes: one warning, and the
  // rows up to there.
  const auto stop = runwith(with(base, {"--pressure", "-6", "--tmax", "2000", "--tstep", "100"}));
  EXPECT_EQ(stop.status, 0);
  EXPECT_NE(stop.err.find("at 800 K and -6 GPa no volume within those fitted"), std::string::npos) << stop.err;
  EXPECT_GT(qharows(stop.out).size(), 1u);
}

// Every warning --debye gives, in the one form every mode's take
// ("lattice_thermo: FILE: warning: ", which --strict looks for), each with
// the rows still written.
TEST(ThermoDebye, EveryWarningInTheOneForm) {
  auto bm3 = [](double v) {
    const double eta = std::pow(11.8 / v, 2.0 / 3.0), d = eta - 1.0;
    return -3.7 + 9.0 / 16.0 * 11.8 * 0.85 * (d * d * d * 4.5 + d * d * (6.0 - 4.0 * eta));
  };
  // The volumes and energies of evfile(), bent or scaled.
  auto curve = [&](const std::string& name, double energyscale, double first, int levelled) {
    std::string s;
    char buf[96];
    std::vector<double> v;
    for (int i = 0; i < 15; ++i) v.push_back(11.8 * (0.92 + 0.2 * i / 14.0));
    if (first != 0.0) {  // a first volume above the curve's convex continuation
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v[0] - 0.2, bm3(v[0]) + first);
      s += buf;
    }
    for (double x : v) {
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", x, bm3(x) * energyscale);
      s += buf;
    }
    for (int k = 1; k <= levelled; ++k) {  // larger volumes where E(V) levels off
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v.back() + 0.15 * k, bm3(v.back()));
      s += buf;
    }
    return writefile("db_warned_" + name + ".dat", s);
  };
  struct warned {
    std::string file, atoms, what;
    std::vector<std::string> more;
  };
  const warned cases[] = {
      {curve("lead", 1.0, 0.001, 0), "1", "E(V) curves downward at its smallest volumes: the first 1", {}},
      {curve("tail", 1.0, 0.0, 3), "1", "E(V) curves downward from 12.8789 A^3 on: the 6 largest volumes", {}},
      {curve("stiff", 20.0, 0.0, 0), "1", "the static fit's B0 is 2723.7 GPa, outside 0.1 to 2000 GPa", {}},
      {curve("plain", 1.0, 0.0, 0), "4", "its volumes are 2.714 to 3.304 A^3 per atom for 4 atoms", {}},
      {curve("plain", 1.0, 0.0, 0), "1", "at 300 K and -20 GPa no volume within those fitted", {"--pressure", "-20,0"}},
      {curve("plain", 1.0, 0.0, 0), "1", "at 500 GPa the static fit has no volume", {"--pressure", "0,500", "--static"}},
  };
  for (const warned& c : cases) {
    const auto r = runwith(with({"--debye", c.file, "--mass", "63.546", "--atoms", c.atoms, "--csv", "--temperatures",
                                 "300"}, c.more));
    EXPECT_EQ(r.status, 0) << c.what << "\n" << r.err;
    EXPECT_EQ(qharows(r.out).size(), 1u) << c.what;
    const std::string line = "lattice_thermo: " + c.file + ": warning: ";
    EXPECT_EQ(r.err.rfind(line, 0), 0u) << r.err;
    EXPECT_NE(r.err.find(line + c.what), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one warning: " << r.err;
  }
}

// 20,000 volumes: the fits' memory grows as the volumes times the degrees
// (a square of the volumes would be 3.2 GB here).
TEST(ThermoDebye, ManyVolumes) {
  const auto r = runwith({"--debye", evfile("db_many.dat", 20000), "--mass", "63.546", "--atoms", "1", "--temperatures",
                          "300", "--csv", "--error-bars"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NEAR(rows[0].at("volume") / 11.8, 1.0, 0.02);
  // k/N in the weights' exponent makes them near equal for so many
  // volumes, degree 2 included: a spread of some 5e-4 A^3.
  EXPECT_LT(rows[0].at("volume_err_fit"), 1e-3);
}

TEST(ThermoDebye, BadInput) {
  const std::string ev = evfile("db_bad.dat");
  const std::vector<std::string> ok = {"--debye", ev, "--mass", "63.5", "--atoms", "1"};
  auto usage = [&](std::vector<std::string> args, const std::string& what) {
    const auto r = runwith(args);
    EXPECT_EQ(r.status, 2) << what << "\n" << r.err;
    EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
  };
  usage({"--debye", ev, "--atoms", "1"}, "--debye needs --mass M");
  usage({"--debye", ev, "--mass", "63.5"}, "--debye needs --atoms N");
  usage(with(ok, {"--mass", "0"}), "--mass is given more than once");
  usage({"--debye", ev, "--mass", "-3", "--atoms", "1"}, "--mass: -3 is not a molar mass");
  usage({"--debye", ev, "--mass", "63.5", "--atoms", "1.5"}, "--atoms: 1.5 is not a whole number");
  usage({"--debye", ev, "--debye", ev, "--mass", "1,2,3", "--atoms", "1"}, "--mass gives 3 values for 2 phases");
  usage(with(ok, {"--poisson", "0.5"}), "--poisson: 0.5 is not a Poisson ratio");
  usage(with(ok, {"--gruneisen", "grueneisen"}), "--gruneisen: 'grueneisen' is none of");
  usage(with(ok, {"--degree", "1"}), "--degree: '1' is neither average nor");
  usage(with(ok, {"--strain", "lagrangian"}), "--strain: 'lagrangian' is neither bm");
  usage(with(ok, {"--constants", "codata2018"}), "--constants: 'codata2018'");
  usage(with(ok, {"--degree", "3", "--error-bars"}), "--error-bars needs the average of degrees");
  usage(with(ok, {"--static", "--fits"}), "--static, --fits and --transitions do not go together");
  usage(with(ok, {"--eos", "vinet"}), "--eos vinet does not go with it");
  usage(with(ok, {"dos.dat"}), "--debye takes no DOS files");
  usage(with(ok, {"--efe", "fe-v.dat"}), "--efe does not go with --debye");
  usage(with(ok, {"--qha", ev}), "--qha and --debye do not go together");
  usage({"--poisson", "0.3", "x.dat"}, "--poisson, --gruneisen, --constants, --static and --fits go with --debye");
  usage({"--strain", "pt", "--qha", ev, "x.dat"}, "--strain goes with --debye or --eos strain");
  usage({"--degree", "3", "--qha", ev, "x.dat"}, "--degree goes with --qha-grid, --debye or --eos strain");
  // Errors of the file: exit 1, FILE or FILE:LINE.
  auto bad = [&](const std::string& text, const std::string& what, std::vector<std::string> more = {}) {
    const std::string f = writefile("db_badfile.dat", text);
    const auto r = runwith(with({"--debye", f, "--mass", "63.5", "--atoms", "1"}, more));
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << what;
  };
  bad("10 1\n11 0\n12 0.5\n13 2\n", "4 volumes; the fits need at least 5");
  bad("10 1\n11 0\n12 0.5\n13 2\nx 1\n", ":5: ");
  bad("10 1\n11 0\n12 0.5\n11 2\n14 3\n", ":4: the volume 11 A^3 is given twice");
  bad("10 5\n11 4\n12 3\n13 2\n14 1\n", "E(V) nowhere curves upward over its volumes: it has no minimum");
  bad("10 5\n11 3\n12 2\n13 1.5\n14 1.2\n", "E(V) has no minimum within the volumes (10 to 14 A^3)");
  bad("10 1\n11 0.2\n12 0\n13 0.3\n14 1\n", "--dos-at-fermi gives 2 values", {"--dos-at-fermi", "1,2"});
  // Exponents that overflow theta are named as such, not blamed on E(V)'s curvature.
  bad("10 1\n11 0.2\n12 0\n13 0.3\n14 1\n", "is inf K, theta0 (B/B0)^1e+300", {"--gruneisen", "1e300,1e300"});
  const auto missing = runwith({"--debye", "no-such-file.dat", "--mass", "63.5", "--atoms", "1"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("lattice_thermo: no-such-file.dat: "), std::string::npos) << missing.err;
}

}  // namespace
