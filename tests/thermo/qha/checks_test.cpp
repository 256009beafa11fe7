// The quasi-harmonic mode's inputs checked against each other (cells, the
// files' order, units), each on a file of the kind that triggers it and
// none on the copper example; and what must not change a row: a constant
// energy offset, a narrow grid, temperatures near 0 K. The fit's health:
// its warnings, the new columns and --write-fv read back.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "qha/qhadata.hpp"
#include "testutil.hpp"

namespace {

using namespace thermotest;

// The copper example: e-v.dat (its lines shifted by `offset` eV, written as
// phonopy writes them, where asked) and its 11 DOS files.
std::vector<std::string> copper(std::vector<std::string> extra, double offset = 0.0, int first = 1, int count = 11) {
  const std::string dir = LHC_EXAMPLE;
  std::string ev = readtext(dir + "/e-v.dat"), shifted, lines;
  char buf[96];
  int k = 0;
  for (std::size_t p = ev.find('\n') + 1; p < ev.size(); p = ev.find('\n', p) + 1) {
    ++k;
    const double v = std::stod(ev.substr(p)), e = std::stod(ev.substr(ev.find_first_not_of(' ', p + 21)));
    std::snprintf(buf, sizeof buf, "%20.8f %20.8f\n", v, e + offset);
    if (k >= first && k < first + count) lines += buf;
  }
  std::vector<std::string> args = {"--qha", writefile("qc_cu_ev" + std::to_string(first) + "_" + shortest(offset), lines)};
  args.insert(args.end(), extra.begin(), extra.end());
  for (int i = first; i < first + count; ++i) {
    std::snprintf(buf, sizeof buf, "/v%02d/total_dos.dat", i);
    args.push_back(dir + buf);
  }
  return args;
}

TEST(ThermoQhaChecks, NoneOnTheCopperExample) {
  const auto r = runwith(copper({"--csv", "--tstep", "100"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(qharows(r.out).size(), 11u);
}

TEST(ThermoQhaChecks, CellsAgainstEv) {
  // mesh.yaml knows its cell: the volumes must follow e-v.dat's.
  EXPECT_EQ(runwith(qhaargs(qhamesh("qc_mesh", 1.7), {"--csv", "--tmax", "100"})).err, "");
  const auto four = runwith(qhaargs(qhamesh("qc_mesh4", 1.7, 9, 11.2, 13.2, 4.0), {"--csv"}));
  EXPECT_EQ(four.status, 1);
  EXPECT_NE(four.err.find("qc_mesh40_mesh.yaml: its cell's volume is 44.8 A^3, but line 1 of the volumes in "),
            std::string::npos) << four.err;
  EXPECT_NE(four.err.find("gives 11.2 A^3, and every file's by the same factor: the files describe a cell 4 times "),
            std::string::npos) << four.err;
  EXPECT_EQ(linesabout(four.err, qhamesh("qc_mesh4", 1.7, 9, 11.2, 13.2, 4.0).doses[1]), 0) << four.err;  // said once
  EXPECT_EQ(four.out, "");
  // The same atoms in every cell.
  dataset natom = qhamesh("qc_mesh", 1.7);
  natom.doses[3] = qhamesh("qc_mesh2", 1.7, 9, 11.2, 13.2, 1.0, 2).doses[3];
  const auto two = runwith(qhaargs(natom, {"--csv"}));
  EXPECT_EQ(two.status, 1);
  EXPECT_NE(two.err.find("qc_mesh23_mesh.yaml: natom is 2, but 1 in "), std::string::npos) << two.err;
  // DOS files of 4 atoms against volumes of 11 to 13 A^3: 2.8 A^3 per atom,
  // denser than any solid (e-v.dat per atom beside a 4-atom cell).
  dataset cells = qhadata("qc_cells", 1.7);
  for (std::size_t i = 0; i < cells.doses.size(); ++i) {
    std::string s = readtext(cells.doses[i]);
    for (std::size_t p = s.find("3000"); p != std::string::npos; p = s.find("3000", p + 5)) s.replace(p, 4, "12000");
    cells.doses[i] = writefile("qc_cells4_" + std::to_string(i), s);
  }
  const auto peratom = runwith(qhaargs(cells, {"--csv", "--temperatures", "300"}));
  EXPECT_EQ(peratom.status, 1);
  EXPECT_EQ(peratom.out, "");
  EXPECT_NE(peratom.err.find(": its volumes are 2.8 to 3.3 A^3 per atom for the 4 atoms the phonons describe, the static "
                             "minimum 3: no solid is that dense"),
            std::string::npos) << peratom.err;
}

TEST(ThermoQhaChecks, FilesOutOfOrderAndUnits) {
  // The DOS files in reverse order: a warning, rows all the same.
  dataset reversed = qhadata("qc_rev", 1.7);
  std::reverse(reversed.doses.begin(), reversed.doses.end());
  const auto r = runwith(qhaargs(reversed, {"--csv", "--temperatures", "300"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("warning: the zero-point energy (eV) rises from"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the files may be out of e-v.dat's order (a shell glob sorts -10 before -2, and --1 before -0)"),
            std::string::npos);
  EXPECT_NE(r.err.find("warning: theta_inf (K) rises"), std::string::npos) << r.err;
  // One DOS in meV read as THz: its zero-point energy 4x its neighbours'.
  dataset mev = qhadata("qc_mev", 1.7);
  std::string s = readtext(mev.doses[4]), scaled;
  for (std::size_t p = 0; p < s.size(); p = s.find('\n', p) + 1) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", 4.135667696 * std::stod(s.substr(p)),
                  std::stod(s.substr(s.find(' ', p))) / 4.135667696);
    scaled += buf;
  }
  mev.doses[4] = writefile("qc_mev_4", scaled);
  const auto unit = runwith(qhaargs(mev, {"--csv"}));
  EXPECT_EQ(unit.status, 1);
  EXPECT_NE(unit.err.find("qc_mev_4: its zero-point energy, "), std::string::npos) << unit.err;
  EXPECT_NE(unit.err.find("a unit mistake (a DOS in meV or cm-1 read as THz?), not physics"), std::string::npos);
  EXPECT_EQ(unit.out, "");
  // --unit against the data: a THz file read as cm-1, in both modes.
  const dataset d = qhadata("qc_unit", 1.7);
  const auto forced = runwith(qhaargs(d, {"--csv", "--temperatures", "300", "--unit", "cm-1"}));
  EXPECT_NE(forced.err.find("qc_unit0.dat: warning: with --unit cm-1 the DOS's theta_inf is 12.5316 K"), std::string::npos)
      << forced.err;
  EXPECT_NE(runwith({"--unit", "cm-1", d.doses[0]}).err.find("where a phonon spectrum's lies between 20 and 5,000 K"),
            std::string::npos);
  EXPECT_EQ(runwith({"--unit", "THz", d.doses[0]}).err, "");
}

TEST(ThermoQhaChecks, StaticBulkModulus) {
  // E(V) in meV: B0 1,000 times a metal's; far beyond (where S and Cp would
  // be lost in rounding); and 1e-4 of it: each refused, naming the
  // option that states the unit.
  for (double factor : {1e3, 1e8, 1e-4}) {
    dataset d = qhadata("qc_b0", 1.7);
    std::string ev = "# meV\n";
    char buf[96];
    for (std::size_t i = 0; i < d.volume.size(); ++i) {
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", d.volume[i], factor * d.energy[i]);
      ev += buf;
    }
    d.ev = writefile("qc_b0_ev", ev);
    const auto r = runwith(qhaargs(d, {"--csv", "--temperatures", "300"}));
    EXPECT_EQ(r.status, 1) << factor;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(factor > 1.0 ? "GPa, above 2000 GPa, stiffer than any solid (diamond: 443 GPa): the energies are "
                                        "not in eV; give their unit with --energy-unit (meV or kJ/mol?)"
                                      : "the static fit's B0 is 0.01 GPa, below 0.1 GPa, softer than any solid (neon: 1 GPa): the energies are not in eV or "
                                        "the volumes not in A^3; give their units with --energy-unit (Ry or Ha?) and --volume-unit (bohr3?)"),
              std::string::npos) << r.err;
  }
}

TEST(ThermoQha, ConstantEnergyOffsets) {
  const std::vector<std::string> grid = {"--csv", "--tmin", "0", "--tmax", "1000", "--tstep", "1"};
  const std::string plain = runwith(copper(grid)).out;
  const double kjmol = elementary * avogadro / 1000.0;
  for (double offset : {-3000.0, -10000.0, 1e6}) {
    const auto r = runwith(copper(grid, offset));
    ASSERT_EQ(r.status, 0) << offset << ": " << r.err;
    // G shifted by the constant; every other column as it was.
    std::string unshifted = "temperature,gibbs_energy\n", why;
    auto x = qharows(plain), y = qharows(r.out);
    ASSERT_EQ(x.size(), 1001u);
    ASSERT_EQ(y.size(), 1001u);
    for (std::size_t i = 0; i < x.size(); ++i) {
      EXPECT_NEAR(y[i].at("gibbs_energy") - offset * kjmol, x[i].at("gibbs_energy"), 1e-12 * std::fabs(offset) * kjmol);
      y[i]["gibbs_energy"] = x[i]["gibbs_energy"] = 0.0;
    }
    auto csv = [](const std::vector<std::map<std::string, double>>& rows) {
      std::string s;
      for (const auto& [k, v] : rows[0]) s += k + ",";
      s.back() = '\n';
      for (const auto& row : rows) {
        for (const auto& [k, v] : row) s += shortest(v) + ",";
        s.back() = '\n';
      }
      return s;
    };
    EXPECT_TRUE(samerows(csv(x), csv(y), 1e-9, why)) << offset << ": " << why;
  }
}

TEST(ThermoQha, NarrowGrid) {
  // Five volumes whose lowest G at 0 K is the smallest, while the fit's
  // minimum lies between it and the next: answered, not refused.
  const dataset d = qhadata("qc_narrow", 1.7, 5, 12.05, 13.05);
  const auto r = runwith(qhaargs(d, {"--csv", "--tstep", "100"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_FALSE(rows.empty());
  EXPECT_GT(rows[0].at("volume"), 12.05);
  EXPECT_LT(rows[0].at("volume"), 12.30);
  // Its rows as the wide grid gives them, to the fit's difference.
  const auto wide = qharows(runwith(qhaargs(qhadata("qc_wide", 1.7), {"--csv", "--tstep", "100"})).out);
  EXPECT_NEAR(rows[3].at("volume"), wide[3].at("volume"), 1e-5 * wide[3].at("volume"));
  // A minimum outside the volumes is still refused, by the fit.
  const auto outside = runwith(qhaargs(qhadata("qc_out", 1.7, 5, 12.3, 13.3), {"--csv"}));
  EXPECT_EQ(outside.status, 1);
  EXPECT_NE(outside.err.find("has no minimum within the volumes (12.3 to 13.3 A^3): the fit puts it at 12.1"),
            std::string::npos) << outside.err;
}

TEST(ThermoQha, NearZeroKelvin) {
  const auto r = runwith(copper({"--csv", "--temperatures", "0,0.001,0.0022,0.01,0.049,0.1,0.5,1,1.5,2,3,5,10"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find(",-"), std::string::npos) << r.out;  // no negative value, no -0
  const double floor = 1e-6 * 3.0 * boltzmann * avogadro;  // J/K/mol
  for (const auto& row : qharows(r.out)) {
    const double t = row.at("temperature");
    for (const char* k : {"entropy", "heat_capacity_p", "heat_capacity_v", "thermal_expansion"})
      EXPECT_GE(row.at(k), 0.0) << k << " at " << t;
    // gamma only where Cv is above 1e-6 of 3R, B_S = B_T where it is not.
    EXPECT_EQ(std::isnan(row.at("gruneisen")), row.at("heat_capacity_v") < floor) << t;
    if (std::isnan(row.at("gruneisen"))) EXPECT_EQ(row.at("bulk_modulus_s"), row.at("bulk_modulus")) << t;
    else EXPECT_NEAR(row.at("gruneisen"), 1.95, 0.02) << t;
  }
}

TEST(ThermoQha, FitRmsKeepsWhatTheRmsWarningSaid) {
  // One static energy 2 meV off: the rms, more than 1 % of G's spread over
  // the volumes (once warned of), is in its column (and --write-fv's fits)
  // without a warning: the answer's error bars are within 15 % of it.
  dataset bumped = qhadata("qc_bump", 1.7);
  std::string ev = readtext(bumped.ev);
  const std::size_t line = ev.find('\n', ev.find('\n', ev.find('\n') + 1) + 1) + 1;  // the third volume
  const std::size_t at = ev.find(' ', line) + 1;
  ev.replace(at, ev.find('\n', at) - at, shortest(bumped.energy[2] + 0.002));
  bumped.ev = writefile("qc_bump_ev", ev);
  const auto loose = runwith(qhaargs(bumped, {"--csv", "--temperatures", "100,200"}));
  EXPECT_EQ(loose.status, 0);
  EXPECT_EQ(loose.err, "");
  for (const auto& row : qharows(loose.out)) {
    EXPECT_EQ(row.at("linear_thermal_expansion"), row.at("thermal_expansion") / 3.0);
    EXPECT_GT(row.at("fit_rms"), 0.01 * 0.002 * elementary * avogadro / 1000.0);
  }
}

TEST(ThermoQha, WriteFv) {
  const dataset d = qhadata("qc_fv", 1.7);
  const std::string fv = ::testing::TempDir() + "qc_fv_" + std::to_string(::getpid()) + ".dat";
  std::remove(fv.c_str());
  const auto r = runwith(qhaargs(d, {"--csv", "--temperatures", "0,300,600", "--pressure", "0,2", "--write-fv", fv}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 6u);
  // Read back: a block per pressure and temperature, the data then the fit.
  std::ifstream in(fv);
  std::string line;
  std::vector<std::vector<std::pair<double, double>>> data, fit;
  std::vector<std::string> v0;
  bool curve = false;
  while (std::getline(in, line)) {
    if (line.rfind("# pressure:", 0) == 0) {
      data.emplace_back();
      fit.emplace_back();
      curve = false;
    } else if (line.rfind("# fit:", 0) == 0) {
      v0.push_back(line.substr(line.find("V0 = ") + 5, line.find(" A^3") - line.find("V0 = ") - 5));
    } else if (line.empty() && !data.empty() && !data.back().empty()) {
      curve = true;
    } else if (!line.empty() && line[0] != '#') {
      const double v = std::stod(line), g = std::stod(line.substr(line.find(' ')));
      (curve ? fit : data).back().emplace_back(v, g);
    }
  }
  ASSERT_EQ(data.size(), 6u);
  for (std::size_t b = 0; b < 6; ++b) {
    EXPECT_EQ(data[b].size(), 9u);
    ASSERT_EQ(fit[b].size(), 201u);
    EXPECT_EQ(v0[b], shortest(rows[b].at("volume")));
    // The fitted curve's lowest point, refined by the parabola through it
    // and its neighbours, at the volume column.
    std::size_t k = 1;
    for (std::size_t j = 1; j + 1 < fit[b].size(); ++j)
      if (fit[b][j].second < fit[b][k].second) k = j;
    const double h = fit[b][k + 1].first - fit[b][k].first, a = fit[b][k - 1].second, m = fit[b][k].second,
                 c = fit[b][k + 1].second;
    EXPECT_NEAR(fit[b][k].first + 0.5 * h * (a - c) / (a - 2 * m + c), rows[b].at("volume"), 1e-5);
  }
  // An existing file is kept unless --force.
  const auto again = runwith(qhaargs(d, {"--csv", "--temperatures", "300", "--write-fv", fv}));
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find(fv + ": exists; --force replaces it"), std::string::npos) << again.err;
  EXPECT_EQ(runwith(qhaargs(d, {"--csv", "--temperatures", "300", "--write-fv", fv, "--force"})).status, 0);
  EXPECT_EQ(runwith({"--write-fv", fv, d.doses[0]}).status, 2);
  std::remove(fv.c_str());
}

TEST(ThermoQha, AnOutputThatIsAnInputIsRefused) {
  // --write-fv or --write-pds naming an input, itself, through a hard link
  // or a symbolic one: refused, --force or not, and the input kept.
  const dataset d = qhadata("qc_same", 1.7);
  const std::string efe = writefile("qc_same_efe", [&] {
    std::string s;
    for (int t = 0; t <= 30; t += 10) {
      s += std::to_string(t);
      for (double e : d.energy) s += ' ' + shortest(e);
      s += "\n";
    }
    return s;
  }());
  const std::string hard = d.doses[3] + ".hard", soft = d.ev + ".soft";
  std::remove(hard.c_str());
  std::remove(soft.c_str());
  ASSERT_EQ(::link(d.doses[3].c_str(), hard.c_str()), 0);
  ASSERT_EQ(::symlink(d.ev.c_str(), soft.c_str()), 0);
  const std::string before = readtext(d.doses[3]) + readtext(d.ev) + readtext(efe);
  for (const std::string& out : {d.ev, d.doses[8], hard, soft, efe}) {
    const auto r = runwith(qhaargs(d, {"--csv", "--tmax", "30", "--efe", efe, "--force", "--write-fv", out}));
    EXPECT_EQ(r.status, 2) << out;
    EXPECT_NE(r.err.find("an input of this run, which it would replace (--force or not)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // The grid mode's grid file likewise.
  const std::string grid = LHC_EXAMPLES "/cu_hcp_grid_emt/grid.dat";
  const auto gridded = runwith({"--qha-grid", grid, "--force", "--write-fv", grid, d.doses[0]});
  EXPECT_EQ(gridded.status, 2);
  EXPECT_NE(gridded.err.find("an input of this run"), std::string::npos) << gridded.err;
  const auto pds = runwith({"--force", "--write-pds", hard, d.doses[3]});
  EXPECT_EQ(pds.status, 2);
  EXPECT_NE(pds.err.find(hard + " is the same file as " + d.doses[3] + ", an input"), std::string::npos) << pds.err;
  EXPECT_EQ(readtext(d.doses[3]) + readtext(d.ev) + readtext(efe), before);
  // Standard output holds the rows: "-" names no file.
  for (const std::vector<std::string>& args : {qhaargs(d, {"--write-fv", "-"}), std::vector<std::string>{"--write-pds", "-", d.doses[0]}}) {
    const auto r = runwith(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(" -: standard output holds the rows"), std::string::npos) << r.err;
  }
  std::remove(hard.c_str());
  std::remove(soft.c_str());
}

}  // namespace
