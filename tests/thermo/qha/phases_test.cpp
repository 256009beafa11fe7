// Several phases in one quasi-harmonic run: an exact closed case of the
// transition pressure against a bisection of its own, the Clapeyron slope
// as the derivative of p_t(T), two crossings of one pair, formula units, the
// stable column, each phase's own electrons, and the bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "qha/qhadata.hpp"
#include "testutil.hpp"

namespace {

using namespace thermotest;

constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV

// The CSV's text column `name` of each row.
std::vector<std::string> textcolumn(const std::string& csv, const std::string& name) {
  std::stringstream in(csv);
  std::string line, f;
  std::getline(in, line);
  std::size_t k = 0;
  for (std::stringstream h(line); std::getline(h, f, ',') && f != name;) ++k;
  std::vector<std::string> out;
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    for (std::size_t j = 0; j <= k; ++j) std::getline(fields, f, ',');
    out.push_back(f);
  }
  return out;
}

// Phase B is phase A with every volume times s and every static energy plus
// delta: G_B(p) = G_A(s p) + delta exactly, for every equation of state.
struct closedcase {
  dataset a;
  std::string b;
  double s = 0.97, delta = 0.01;
  closedcase() : a(qhadata("ph_closed", 1.7)) {
    std::vector<double> v, e;
    for (std::size_t i = 0; i < a.volume.size(); ++i) {
      v.push_back(s * a.volume[i]);
      e.push_back(a.energy[i] + delta);
    }
    b = evfile("ph_closed_b", v, e);
  }
  std::vector<std::string> args(std::vector<std::string> extra) const {
    return phasesargs({{a.ev, a.doses}, {b, a.doses}}, std::move(extra));
  }
  // G_B - G_A (kJ/mol) at p from phase A's own rows at p and s p.
  double gap(double p, double t) const {
    const auto r = runwith(qhaargs(a, {"--csv", "--temperatures", shortest(t), "--pressure",
                                       shortest(p) + "," + shortest(s * p)}));
    const auto rows = qharows(r.out);
    if (rows.size() != 2) ADD_FAILURE() << r.err;
    return rows.size() == 2 ? rows[1].at("gibbs_energy") + delta * kjmol - rows[0].at("gibbs_energy") : NAN;
  }
};

TEST(ThermoPhases, TheExactClosedCaseAgainstABisection) {
  const closedcase c;
  const auto r = runwith(c.args({"--csv", "--temperatures", "0,300,900", "--transitions", "0,8"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("temperature,phase_low,phase_high,pressure,volume_change,entropy_change,clapeyron_slope\n", 0), 0u);
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 3u) << r.out << r.err;
  for (const auto& row : rows) {
    const double t = row.at("temperature");
    // Bisection on the single phase's rows, to 1e-9 GPa.
    double lo = 2.0, hi = 7.0, flo = c.gap(lo, t);
    ASSERT_LT(flo * c.gap(hi, t), 0.0);
    while (hi - lo > 1e-9) {
      const double mid = 0.5 * (lo + hi), f = c.gap(mid, t);
      (f * flo > 0.0 ? lo : hi) = mid;
      if (f * flo > 0.0) flo = f;
    }
    EXPECT_NEAR(row.at("pressure"), 0.5 * (lo + hi), 1e-6) << t;
    // The denser phase B is stable above: V_high - V_low < 0, about 1 - s of V.
    EXPECT_LT(row.at("volume_change"), -0.02 * 11.0) << t;
  }
  EXPECT_EQ(textcolumn(r.out, "phase_low"), (std::vector<std::string>(3, "phase1")));
  EXPECT_EQ(textcolumn(r.out, "phase_high"), (std::vector<std::string>(3, "phase2")));
}

TEST(ThermoPhases, TheClapeyronSlopeIsTheDerivativeOfTheTransitionPressure) {
  const closedcase c;
  const auto r = runwith(c.args({"--csv", "--temperatures", "99,100,101,299,300,301,799,800,801", "--transitions", "0,8"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 9u) << r.out;
  for (std::size_t k = 1; k < rows.size(); k += 3) {
    const double central = (rows[k + 1].at("pressure") - rows[k - 1].at("pressure")) / 2.0;
    EXPECT_NEAR(rows[k].at("clapeyron_slope"), central, 1e-4 * std::fabs(central)) << rows[k].at("temperature");
    // dS / dV of the columns themselves.
    EXPECT_NEAR(rows[k].at("clapeyron_slope"),
                rows[k].at("entropy_change") / rows[k].at("volume_change") / (elementary * avogadro) * gpa,
                1e-12 * std::fabs(central));
  }
}

TEST(ThermoPhases, EachCrossingOfAPairHasItsRow) {
  // B: smaller (V0 11.9 A^3), stiffer (130 GPa), 1 meV higher: denser than A
  // at first, then, as A compresses more, less dense. B is stable between
  // two crossings.
  const dataset a = qhadata("ph_twice_a", 1.7);
  const dataset bd = qhadata("ph_twice_b", 1.7, 9, 10.6, 12.8);
  const double p[4] = {-4.0 + 0.001, 130.0 / gpa, 4.5, 11.9};
  std::vector<double> e;
  for (double v : bd.volume) e.push_back(energy(eos::vinet, v, p));
  const std::string b = evfile("ph_twice_b_ev", bd.volume, e);
  const auto r = runwith(phasesargs({{a.ev, a.doses}, {b, bd.doses}}, {"--csv", "--temperatures", "0,300", "--transitions", "-2,12"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  const auto low = textcolumn(r.out, "phase_low"), high = textcolumn(r.out, "phase_high");
  ASSERT_EQ(rows.size(), 4u) << r.out << r.err;
  for (std::size_t k = 0; k < 4; k += 2) {
    EXPECT_EQ(rows[k].at("temperature"), rows[k + 1].at("temperature"));
    EXPECT_LT(rows[k].at("pressure"), rows[k + 1].at("pressure"));
    EXPECT_EQ(low[k] + high[k] + low[k + 1] + high[k + 1], "phase1phase2phase2phase1");
    // Each time the phase above is the denser.
    EXPECT_LT(rows[k].at("volume_change"), 0.0);
    EXPECT_LT(rows[k + 1].at("volume_change"), 0.0);
  }
  // The rows of the phases between and beyond: stable as the crossings say.
  const double p1 = rows[0].at("pressure"), p2 = rows[1].at("pressure");
  const auto at = runwith(phasesargs({{a.ev, a.doses}, {b, bd.doses}}, {"--csv", "--temperatures", "0", "--pressure",
                                                                        shortest(p1 - 0.1) + "," + shortest(0.5 * (p1 + p2)) + "," + shortest(p2 + 0.1)}));
  const auto stable = textcolumn(at.out, "stable"), phase = textcolumn(at.out, "phase");
  ASSERT_EQ(stable.size(), 6u) << at.err;
  EXPECT_EQ(phase[0] + stable[0] + phase[2] + stable[2] + phase[4] + stable[4], "phase11phase10phase11");
}

TEST(ThermoPhases, TheStableColumnAndTheRangeRule) {
  // B's volumes end at 12.2 A^3: its rows stop as it expands, A's go on.
  const dataset a = qhadata("ph_stable_a", 1.7);
  const dataset b = qhadata("ph_stable_b", 1.7, 9, 11.4, 12.2);
  const auto r = runwith(phasesargs({{a.ev, a.doses}, {b.ev, b.doses}},
                                    {"--csv", "--pressure", "0,3", "--tmax", "3000", "--tstep", "100"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("pressure,phase,temperature,volume,", 0), 0u);
  EXPECT_NE(r.err.find("leaves the volumes sampled (11.4 to 12.2 A^3)"), std::string::npos) << r.err;
  const auto rows = qharows(r.out);
  const auto phase = textcolumn(r.out, "phase");
  std::map<std::pair<double, double>, std::vector<std::size_t>> at;
  for (std::size_t i = 0; i < rows.size(); ++i) at[{rows[i].at("pressure"), rows[i].at("temperature")}].push_back(i);
  int alone = 0;
  for (const auto& [key, idx] : at) {
    double stables = 0.0, lowest = INFINITY;
    for (std::size_t i : idx) {
      stables += rows[i].at("stable");
      lowest = std::fmin(lowest, rows[i].at("gibbs_energy"));
    }
    EXPECT_EQ(stables, 1.0) << key.first << " " << key.second;
    for (std::size_t i : idx) EXPECT_EQ(rows[i].at("stable") == 1.0, rows[i].at("gibbs_energy") == lowest);
    if (idx.size() == 1) {
      ++alone;
      EXPECT_EQ(phase[idx[0]], "phase1");  // B has left its volumes
    }
  }
  EXPECT_GT(alone, 5);
}

TEST(ThermoPhases, FormulaUnitsOfADoubledCell) {
  // The same crystal in a cell twice as large: E, V and the DOS's states twice.
  const dataset a = qhadata("ph_fu", 1.7);
  const dataset two = doubled(a, "ph_fu2");
  const auto r = runwith(phasesargs({{a.ev, a.doses}, {two.ev, two.doses}},
                                    {"--csv", "--formula-units", "1,2", "--pressure", "0,4", "--tstep", "50"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size() % 2, 0u);
  ASSERT_GT(rows.size(), 40u);
  for (std::size_t i = 0; i < rows.size(); i += 2)
    for (const auto& [k, x] : rows[i]) {
      if (k == "stable") continue;
      const double y = rows[i + 1].at(k);
      if (std::isnan(x)) EXPECT_TRUE(std::isnan(y)) << k;
      // The residual of exact Vinet data is rounding: within 1e-12 kJ/mol.
      else EXPECT_NEAR(y, x, k == "fit_rms" ? 1e-12 : 1e-12 * std::fabs(x)) << k << " at " << rows[i].at("temperature");
    }
  // One phase with --formula-units: per formula unit too, and the table says so.
  const auto one = runwith(qhaargs(two, {"--csv", "--formula-units", "2", "--temperatures", "300"}));
  const auto alone = runwith(qhaargs(a, {"--csv", "--temperatures", "300"}));
  EXPECT_NEAR(qharows(one.out)[0].at("volume"), qharows(alone.out)[0].at("volume"), 1e-12 * 12.0) << one.err;
  const auto table = runwith(qhaargs(two, {"--formula-units", "2", "--temperatures", "300"}));
  EXPECT_NE(table.out.find("# values per mole of formula units (2 per cell), volume per formula unit"), std::string::npos)
      << table.out;
}

TEST(ThermoPhases, EachPhaseItsOwnElectronsAndNames) {
  // The same phase twice, the second with N(E_F) after its --qha: S differs
  // by (pi^2/3) k_B^2 N T, and nothing but S, Cp and Cv moves.
  namespace fs = std::filesystem;
  const dataset a = qhadata("ph_el", 1.7);
  const std::string dir = ::testing::TempDir() + "thermo_" + std::to_string(::getpid()) + "_ph_el";
  fs::create_directories(dir + "/alpha");
  fs::create_directories(dir + "/beta");
  fs::copy_file(a.ev, dir + "/alpha/e-v.dat", fs::copy_options::overwrite_existing);
  fs::copy_file(a.ev, dir + "/beta/e-v.dat", fs::copy_options::overwrite_existing);
  std::vector<std::string> args = {"--csv", "--temperatures", "300", "--qha", dir + "/alpha/e-v.dat"};
  args.insert(args.end(), a.doses.begin(), a.doses.end());
  args.push_back("--qha");
  args.push_back(dir + "/beta/e-v.dat");
  args.push_back("--dos-at-fermi");
  args.push_back("2,2,2,2,2,2,2,2,2");
  args.insert(args.end(), a.doses.begin(), a.doses.end());
  const auto r = runwith(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(textcolumn(r.out, "phase"), (std::vector<std::string>{"alpha", "beta"}));  // their folders
  const double kev = boltzmann / elementary, sel = std::numbers::pi * std::numbers::pi / 3.0 * kev * kev * 2.0 * 300.0 * elementary * avogadro;
  EXPECT_NEAR(rows[1].at("entropy") - rows[0].at("entropy"), sel, 1e-9 * sel);
  EXPECT_NEAR(rows[1].at("volume"), rows[0].at("volume"), 1e-12 * 12.0);
  // Folders that are the same: phase1, phase2; or the names given.
  const auto same = runwith(phasesargs({{a.ev, a.doses}, {a.ev, a.doses}}, {"--csv", "--temperatures", "300"}));
  EXPECT_EQ(textcolumn(same.out, "phase"), (std::vector<std::string>{"phase1", "phase2"})) << same.err;
  const auto named = runwith(phasesargs({{a.ev, a.doses}, {a.ev, a.doses}}, {"--csv", "--temperatures", "300",
                                                                             "--phase-names", "fcc,hcp"}));
  EXPECT_EQ(textcolumn(named.out, "phase"), (std::vector<std::string>{"fcc", "hcp"}));
}

TEST(ThermoPhases, NoCrossingWarnsOncePerPair) {
  const closedcase c;
  const auto r = runwith(c.args({"--csv", "--tmin", "100", "--tmax", "300", "--tstep", "100", "--transitions", "0,1"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "temperature,phase_low,phase_high,pressure,volume_change,entropy_change,clapeyron_slope\n");
  EXPECT_EQ(r.err, "lattice_thermo: warning: phase1 and phase2: no row at 3 of 3 temperatures, the first 100 K "
                   "(no crossing from 0 to 1 GPa)\n");
  // The table for a person: its header, a row a crossing.
  const auto t = runwith(c.args({"--temperatures", "300", "--transitions", "0,20", "--phase-names", "a,bb"}));
  EXPECT_NE(t.out.find("# phase transitions from 0 to 20 GPa, 2 phases; equation of state: vinet\n"), std::string::npos);
  EXPECT_NE(t.out.find("\n   300.00 a    bb   "), std::string::npos) << t.out;
}

// Every crossing in [PMIN, PMAX] is found, however near either end and
// however narrow the range: the copper example of docs/phases.md and the
// closed case, each crossing first found on a wide range.
TEST(ThermoPhases, EveryCrossingInTheRangeIsFound) {
  const std::string ex = LHC_EXAMPLES "/";
  std::vector<std::string> copper = {"--csv", "--temperatures", "0,500", "--phase-names", "fcc,dense",
                                     "--formula-units", "1,2", "--normalize", "--qha", ex + "cu_emt/e-v.dat"};
  for (int v = 1; v <= 11; ++v) copper.push_back(ex + "cu_emt/v" + (v < 10 ? "0" : "") + std::to_string(v) + "/total_dos.dat");
  copper.insert(copper.end(), {"--qha", ex + "cu_hcp_emt/dense/e-v.dat", "--dos-at-fermi", "1,1,1,1,1,1,1,1,1,1,1"});
  for (int v = 1; v <= 11; ++v)
    copper.push_back(ex + "cu_hcp_emt/v" + (v < 10 ? "0" : "") + std::to_string(v) + "/total_dos.dat");
  const closedcase c;
  for (const std::vector<std::string>& args : {copper, c.args({"--csv", "--temperatures", "0,500"})}) {
    auto with = [&](double pmin, double pmax) {
      auto a = args;
      a.insert(a.end(), {"--transitions", shortest(pmin) + "," + shortest(pmax)});
      return a;
    };
    const auto wide = runwith(with(-2.0, 12.0));
    const auto rows = qharows(wide.out);
    ASSERT_EQ(rows.size(), 2u) << wide.out << wide.err;
    for (const auto& row : rows) {
      const double t = row.at("temperature"), p = row.at("pressure");
      std::vector<std::string> at = with(0, 1);
      at[2] = shortest(t);
      auto found = [&](double pmin, double pmax) {
        at.back() = shortest(pmin) + "," + shortest(pmax);
        const auto r = qharows(runwith(at).out);
        return r.size() == 1 && std::fabs(r[0].at("pressure") - p) <= 1e-12 * p ? 1 : static_cast<int>(r.size()) * 10;
      };
      // Either end near it, a narrow range, a far end.
      for (double d : {0.02, 1e-3, 1e-6, 1e-9}) {
        EXPECT_EQ(found(p - d, p + d), 1) << t << " K, +-" << d;
        EXPECT_EQ(found(p - d, p + 1e-9), 1) << t << " K, up to 1e-9 above, from " << d << " below";
        EXPECT_EQ(found(p - 1e-9, p + d), 1) << t << " K, from 1e-9 below, up to " << d << " above";
      }
      EXPECT_EQ(found(-100.0, p + 1e-7), 1) << t << " K";
      EXPECT_EQ(found(p - 1e-7, 100.0), 1) << t << " K";
      // Beyond it, none.
      EXPECT_EQ(found(p + 1e-9, p + 1.0), 0) << t << " K";
      EXPECT_EQ(found(p - 1.0, p - 1e-9), 0) << t << " K";
    }
  }
}

// The same phase twice, or a copy whose energies differ by rounding: no
// transition and never a nan, but a warning that the phases do not differ.
TEST(ThermoPhases, PhasesThatDoNotDifferHaveNoTransition) {
  const dataset a = qhadata("ph_same", 1.7);
  std::vector<double> e;
  for (std::size_t i = 0; i < a.energy.size(); ++i) e.push_back(a.energy[i] + (i % 2 ? 4e-13 : -3e-13));
  const std::string copy = evfile("ph_same_copy", a.volume, e);
  for (const std::string& b : {a.ev, copy}) {
    const auto r = runwith(phasesargs({{a.ev, a.doses}, {b, a.doses}},
                                      {"--csv", "--temperatures", "0,300,600", "--transitions", "-5,25"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "temperature,phase_low,phase_high,pressure,volume_change,entropy_change,clapeyron_slope\n");
    EXPECT_EQ(r.err, "lattice_thermo: warning: phase1 and phase2: no row at 3 of 3 temperatures, the first 0 K (the "
                     "phases do not differ: their G and V agree within rounding from -5 to 25 GPa)\n");
  }
  // Energies tilted by 1e-10 eV/A^3 about 12 A^3: G crosses where V(p) is
  // 12 A^3, but with a volume change of some 1e-9 A^3, rounding's size.
  e.clear();
  for (std::size_t i = 0; i < a.energy.size(); ++i) e.push_back(a.energy[i] + 1e-10 * (a.volume[i] - 12.0));
  const auto tilted = runwith(phasesargs({{a.ev, a.doses}, {evfile("ph_same_tilt", a.volume, e), a.doses}},
                                         {"--csv", "--temperatures", "0", "--transitions", "-5,25"}));
  EXPECT_EQ(qharows(tilted.out).size(), 0u) << tilted.out;
  EXPECT_NE(tilted.err.find("GPa with a volume change that rounding alone could give: no transition)"), std::string::npos)
      << tilted.err;
  // Energies 1 meV apart at every volume: G differs by 1 meV, V not at all:
  // no crossing, and not the same.
  e.clear();
  for (double x : a.energy) e.push_back(x + 1e-3);
  const auto apart = runwith(phasesargs({{a.ev, a.doses}, {evfile("ph_same_apart", a.volume, e), a.doses}},
                                        {"--csv", "--temperatures", "300", "--transitions", "-5,25"}));
  EXPECT_NE(apart.err.find("(no crossing from -5 to 25 GPa)"), std::string::npos) << apart.err;
}

TEST(ThermoPhases, BadInput) {
  const closedcase c;
  const dataset& a = c.a;
  const std::vector<std::vector<std::string>> usage = {
      c.args({"--formula-units", "1"}),          c.args({"--formula-units", "1,2.5"}),
      c.args({"--formula-units", "1,2e6"}),      c.args({"--transitions", "5,1"}),
      c.args({"--transitions", "1"}),            c.args({"--phase-names", "x,x"}),
      c.args({"--phase-names", "x,y z"}),        c.args({"--transitions", "0,1", "--pressure", "2"}),
      c.args({"--write-fv", "fv.dat"}),          qhaargs(a, {"--transitions", "0,5"}),
      qhaargs(a, {"--phase-names", "x"}),        phasesargs({{a.ev, a.doses}, {c.b, {}}}, {}),
      [&] {
        auto args = c.args({});
        for (const char* x : {"--efe", "x", "--efe", "y"}) args.push_back(x);
        return args;
      }(),
  };
  const std::vector<std::string> why = {
      "--formula-units gives 1 values for 2 phases", "--formula-units: 2.5 is not a positive whole number",
      "--formula-units: 2e+06 is not a positive whole number up to 1e6", "--transitions: PMIN must be below PMAX", "--transitions takes two pressures",
      "--phase-names: two phases are named 'x'", "--phase-names: 'y z' is not a name",
      "--pressure does not go with --transitions", "--write-fv takes one phase", "--transitions needs two phases",
      "--phase-names names the phases of several --qha", "has no DOS files after it",
      "is given twice"};
  for (std::size_t k = 0; k < usage.size(); ++k) {
    const auto r = runwith(usage[k]);
    EXPECT_EQ(r.status, 2) << why[k] << ": " << r.err;
    EXPECT_NE(r.err.find(why[k]), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  // A file before the first --qha of several.
  auto before = c.args({});
  before.insert(before.begin(), a.doses[0]);
  EXPECT_NE(runwith(before).err.find("comes before the first --qha"), std::string::npos);
  // Phonopy's tables at other temperatures in the second phase: an error.
  const dataset ta = qhatables("ph_tab_a", 1.7, {"--tmax", "100", "--tstep", "10"});
  const dataset tb = qhatables("ph_tab_b", 1.7, {"--tmax", "100", "--tstep", "20"});
  const auto r = runwith(phasesargs({{ta.ev, ta.doses}, {tb.ev, tb.doses}}, {"--csv"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("temperature 2 of phase phase2 is 20 K, where phase phase1 (" + showpath(ta.ev) +
                       ") has 10 K: every phase must have the same temperatures"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out.empty());
}

}  // namespace
