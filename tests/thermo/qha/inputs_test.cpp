// The quasi-harmonic mode on phonopy's inputs: thermal_properties.yaml per
// volume (its temperatures, a subset, its two readers), the electrons
// (Sommerfeld's closed form, fe-v.dat against it, the spline), and
// --exclude-imaginary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "qha/qhadata.hpp"
#include "testutil.hpp"
#include "thermo/qha/spline.hpp"

namespace {

using namespace thermotest;

const std::vector<std::string> kelvin1 = {"--tmin", "0", "--tmax", "1000", "--tstep", "1"};

TEST(ThermoQhaInputs, ThermalPropertiesYaml) {
  const dataset tables = qhatables("qi_tp", 1.7, kelvin1);
  const dataset doses = qhadata("qi_tp", 1.7);
  // The files' own temperatures, and the rows the DOS files give there.
  const auto mine = runwith(qhaargs(tables, {"--csv"}));
  ASSERT_EQ(mine.status, 0) << mine.err;
  EXPECT_EQ(mine.err, "");
  EXPECT_EQ(qharows(mine.out).size(), 1001u);
  std::string why;
  EXPECT_TRUE(samerows(mine.out, runwith(qhaargs(doses, {"--csv", "--tstep", "1"})).out, 1e-9, why)) << why;
  // A subset: --temperatures, a range, a range with a step.
  const auto picked = qharows(runwith(qhaargs(tables, {"--csv", "--temperatures", "300,500"})).out);
  ASSERT_EQ(picked.size(), 2u);
  EXPECT_EQ(picked[1].at("temperature"), 500.0);
  EXPECT_EQ(qharows(runwith(qhaargs(tables, {"--csv", "--tmin", "100", "--tmax", "200"})).out).size(), 101u);
  const auto stepped = qharows(runwith(qhaargs(tables, {"--csv", "--tstep", "50"})).out);
  ASSERT_EQ(stepped.size(), 21u);
  EXPECT_EQ(stepped[3].at("temperature"), 150.0);
  const auto few = qharows(runwith(qhaargs(qhatables("qi_tp5", 1.7, {"--tmax", "500"}), {"--csv", "--tstep", "100"})).out);
  ASSERT_EQ(few.size(), 6u);  // to the files' last, 500 K
  EXPECT_EQ(few[5].at("temperature"), 500.0);
  // A temperature the files lack: a usage error naming the nearest.
  const auto missing = runwith(qhaargs(tables, {"--csv", "--temperatures", "300,300.5"}));
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("--temperatures: 300.5 K is not among the temperatures of the thermal_properties.yaml "
                             "files (the nearest are 300 and 301 K)"),
            std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(runwith(qhaargs(tables, {"--tmin", "2000", "--tmax", "3000"})).status, 2);
}

// phonopy's layout of a thermal_properties.yaml as one flow mapping: its
// top-level values, the unit block and the list of entries, on one line.
std::string flowstyle(const std::string& block) {
  std::stringstream in(block);
  std::string line, out = "{", entry;
  bool list = false, unit = false;
  auto close = [&] {
    if (!entry.empty()) out += (out.back() == '[' ? "{" : ", {") + entry + "}";
    entry.clear();
  };
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t colon = line.find(':');
    std::string key = line.substr(0, colon), value = line.substr(colon + 1);
    value = value.substr(0, value.find(" #"));
    value.erase(0, value.find_first_not_of(' '));
    if (line[0] != ' ' && line[0] != '-') {
      if (unit) out += "}, ";
      unit = false;
      if (key == "unit") out += "unit: {", unit = true;
      else if (key == "thermal_properties") out += "thermal_properties: [", list = true;
      else out += key + ": " + value + ", ";
    } else if (unit) {
      key.erase(0, key.find_first_not_of(' '));
      out += (out.back() == '{' ? "" : ", ") + key + ": " + value;
    } else if (list) {
      if (line[0] == '-') close();
      key.erase(0, key.find_first_not_of(" -"));
      entry += (entry.empty() ? "" : ", ") + key + ": " + value;
    }
  }
  close();
  return out + "]}\n";
}

// A thermal_properties.yaml is known by its content in any layout: flow
// style, lone-CR line ends, the list after the first 64 KiB. Each gives the
// rows of phonopy's layout, where they were all taken for a mesh.yaml.
TEST(ThermoQhaInputs, ThermalPropertiesKnownInAnyLayout) {
  const dataset tables = qhatables("qi_lay", 1.7, {"--tmax", "100", "--tstep", "10"});
  const auto block = runwith(qhaargs(tables, {"--csv"}));
  ASSERT_EQ(block.status, 0) << block.err;
  for (const char* layout : {"flow", "cr", "far", "farkey"}) {
    dataset d = tables;
    for (std::string& f : d.doses) {
      std::string text = readtext(f);
      const std::size_t list = text.find("thermal_properties:");
      if (layout == std::string("flow")) text = flowstyle(text);
      if (layout == std::string("cr")) std::replace(text.begin(), text.end(), '\n', '\r');
      if (layout == std::string("far")) text.insert(list, std::string(70000, '#') + "\n");
      if (layout == std::string("farkey")) text.insert(list, "comment: '" + std::string(1000, 'c') + "'\n" +
                                                          std::string(100, '\n') + std::string(70000, ' ') + "\n");
      f = writefile("qi_lay_" + std::string(layout) + std::to_string(&f - d.doses.data()) + ".yaml", text);
    }
    const auto r = runwith(qhaargs(d, {"--csv"}));
    EXPECT_EQ(r.status, 0) << layout << ": " << r.err;
    EXPECT_EQ(r.out, block.out) << layout;
    // The harmonic mode knows it too.
    const auto alone = runwith({d.doses[0]});
    EXPECT_NE(alone.err.find("phonopy's thermal_properties.yaml holds thermal properties, not a DOS"), std::string::npos)
        << layout << ": " << alone.err;
  }
}

TEST(ThermoQhaInputs, ThermalPropertiesYamlRefused) {
  const dataset tables = qhatables("qi_tpbad", 1.7, {"--tmax", "100", "--tstep", "10"});
  // The harmonic mode refuses one, by its content.
  const auto harmonic = runwith({tables.doses[0]});
  EXPECT_EQ(harmonic.status, 1);
  EXPECT_NE(harmonic.err.find("holds thermal properties, not a DOS: give it to --qha"), std::string::npos) << harmonic.err;
  // Not a mix of DOS files and thermal properties.
  dataset mixed = tables;
  mixed.doses[4] = qhadata("qi_tpbad", 1.7).doses[4];
  const auto mix = runwith(qhaargs(mixed, {"--csv"}));
  EXPECT_EQ(mix.status, 1);
  EXPECT_NE(mix.err.find("not a mix"), std::string::npos) << mix.err;
  // Every file with the same temperatures: the first difference named.
  dataset uneven = tables;
  uneven.doses[2] = writefile("qi_tpbad_uneven", runwith({"--yaml", "--tmax", "100", "--tstep", "20",
                                                          qhadata("qi_tpbad", 1.7).doses[2]}).out);
  const auto diff = runwith(qhaargs(uneven, {"--csv"}));
  EXPECT_EQ(diff.status, 1);
  EXPECT_NE(diff.err.find("qi_tpbad_uneven:25: temperature 2 is 20 K, where " + tables.doses[0] + " has 10 K"),
            std::string::npos) << diff.err;
  EXPECT_EQ(diff.out, "");
  // Units other than phonopy's, values per atom, a bad value: FILE:LINE.
  const std::string text = runwith({"--yaml", "--tmax", "100", "--tstep", "10", qhadata("qi_tpbad", 1.7).doses[1]}).out;
  auto edited = [&](const std::string& from, const std::string& to) {
    std::string s = text;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  const struct {
    std::string text, what;
  } bad[] = {{edited("free_energy:   kJ/mol", "free_energy:   eV"), ":5: the unit of free_energy is \"eV\""},
             {edited("# Thermal properties / unit cell (natom)\n", "# Thermal properties / unit cell (natom)\n# lattice_thermo --per-atom: x\n"),
              "per mole of atoms"},
             {edited("  entropy:       0\n", "  entropy:       x\n"), ":20: entropy is not a finite number: \"x\""},
             {edited("  heat_capacity: 0\n", "  heat_capacity: -1 # x\n"), ":18: a negative heat capacity"},
             {edited("  heat_capacity: 0\n", "  heat_capacity: &h -1\n"), ":18: a negative heat capacity"},
             // Beyond any harmonic solid: the file named, not e-v.dat's fits.
             {edited("  free_energy:   3", "  free_energy:   1e300 # "), ":18: free_energy 1e+300 kJ/mol at 0 K is beyond "
                                                                      "any harmonic solid's (at most 9.03e+10 kJ/mol for 1 atom)"},
             {edited("  entropy:       0\n", "  entropy:       1e9\n"), ":18: entropy 1e+09 J/K/mol at 0 K is beyond"},
             {edited("  heat_capacity: 0\n", "  heat_capacity: 50\n"), ":18: heat_capacity 50 J/K/mol at 0 K is beyond"}};
  for (const auto& b : bad) {
    dataset d = tables;
    d.doses[1] = writefile("qi_tpbad_edit", b.text);
    const auto r = runwith(qhaargs(d, {"--csv"}));
    EXPECT_EQ(r.status, 1) << b.what;
    EXPECT_NE(r.err.find(b.what), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(tables.ev), std::string::npos) << r.err;
  }
  // Off phonopy's layout (flow style, a comment after a value): read as
  // YAML, to the same numbers.
  std::string flow = "# in flow style\n", entry;
  for (std::size_t p = 0; p < text.size(); p = text.find('\n', p) + 1) {
    const std::string line = text.substr(p, text.find('\n', p) - p);
    if (line.rfind("- ", 0) == 0 || line.rfind("  ", 0) == 0) {
      if (!entry.empty() || line[0] == '-') entry += (line[0] == '-' ? "- {" : ", ") + line.substr(2);
      else flow += line + "\n";
    } else {
      if (!entry.empty()) flow += entry + "}  # an entry\n";
      entry.clear();
      flow += line + "\n";
    }
  }
  dataset flowed = tables;
  flowed.doses[1] = writefile("qi_tpbad_flow", flow);
  const std::string plain = runwith(qhaargs(tables, {"--csv", "--temperatures", "0,10,100"})).out;
  const auto read = runwith(qhaargs(flowed, {"--csv", "--temperatures", "0,10,100"}));
  EXPECT_EQ(read.out, plain) << read.err << flow;
}

// Sommerfeld's F_el = -(pi^2/6) k_B^2 N T^2 per cell.
constexpr double kev = boltzmann / elementary;
double sommerfelda(double n) { return std::numbers::pi * std::numbers::pi / 6.0 * kev * kev * n; }

TEST(ThermoQhaInputs, SommerfeldElectrons) {
  const dataset d = qhadata("qi_som", 1.7);
  const std::vector<std::string> grid = {"--csv", "--tmin", "0", "--tmax", "1000", "--tstep", "50"};
  auto with = grid;
  with.insert(with.end(), {"--dos-at-fermi", "2,2,2,2,2,2,2,2,2"});
  const auto phonons = qharows(runwith(qhaargs(d, grid)).out);
  const auto r = runwith(qhaargs(d, with));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto both = qharows(r.out);
  ASSERT_EQ(both.size(), phonons.size());
  // N(E_F) the same at every volume: V(T) as without, and S, Cv and Cp up
  // by (pi^2/3) k_B^2 N T exactly.
  const double jmol = elementary * avogadro;
  for (std::size_t i = 0; i < both.size(); ++i) {
    const double t = both[i].at("temperature"), add = 2.0 * sommerfelda(2.0) * t * jmol;
    EXPECT_NEAR(both[i].at("volume"), phonons[i].at("volume"), 1e-12 * phonons[i].at("volume"));
    for (const char* k : {"entropy", "heat_capacity_v", "heat_capacity_p"})
      EXPECT_NEAR(both[i].at(k) - phonons[i].at(k), add, 1e-9 * both[i].at(k)) << k << " at " << t;
  }
  EXPECT_NE(runwith(qhaargs(d, {"--dos-at-fermi", "2,2,2,2,2,2,2,2,2"})).out.find("# electrons: Sommerfeld's"),
            std::string::npos);
  // One value per volume, none negative, not with --efe.
  EXPECT_EQ(runwith(qhaargs(d, {"--dos-at-fermi", "2,2"})).status, 1);
  EXPECT_EQ(runwith(qhaargs(d, {"--dos-at-fermi", "2,2,2,2,-2,2,2,2,2"})).status, 2);
  EXPECT_EQ(runwith(qhaargs(d, {"--dos-at-fermi", "1", "--efe", d.ev})).status, 2);
}

// fe-v.dat of E(V) plus Sommerfeld's F_el with N(E_F) = n(V) at temperatures
// 0, step, ... up to tmax, written with `digits` significant digits.
std::string efefile(const std::string& name, const dataset& d, double step, double tmax, double offset = 0.0) {
  const std::vector<double>& v = d.volume;
  const std::vector<double>& e = d.energy;
  std::string s = "# T, then F_el at each volume\n";
  char buf[64];
  for (double t = 0.0; t <= tmax + 1e-9; t += step) {
    std::snprintf(buf, sizeof buf, "%.17g", t);
    s += buf;
    for (std::size_t i = 0; i < v.size(); ++i) {
      std::snprintf(buf, sizeof buf, " %.17g", e[i] + offset - sommerfelda(1.0 + v[i] / 10.0) * t * t);
      s += buf;
    }
    s += "\n";
  }
  return writefile(name, s);
}

TEST(ThermoQhaInputs, ElectronsTable) {
  const dataset d = qhadata("qi_efe", 1.7);
  std::string fermi;
  for (int i = 0; i < 9; ++i) {
    if (i > 0) fermi += ',';
    fermi += shortest(1.0 + (11.2 + 0.25 * i) / 10.0);
  }
  const std::vector<std::string> grid = {"--csv", "--tmin", "0", "--tmax", "1000", "--tstep", "10"};
  auto with = grid;
  with.insert(with.end(), {"--dos-at-fermi", fermi});
  const auto sommerfeld = runwith(qhaargs(d, with));
  ASSERT_EQ(sommerfeld.status, 0) << sommerfeld.err;
  // The same F_el tabulated at 1-K and 10-K steps: T^2 is a cubic, which the
  // spline takes exactly.
  for (double step : {1.0, 10.0}) {
    with = grid;
    with.insert(with.end(), {"--efe", efefile("qi_efe_table", d, step, 1000.0)});
    const auto table = runwith(qhaargs(d, with));
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.err, "");
    // Rounding, amplified by the spline's 1/h and 1/h^2 on a 1-K table.
    std::string why;
    EXPECT_TRUE(samerows(table.out, sommerfeld.out, 3e-8, why)) << step << " K: " << why;
  }
  EXPECT_NE(runwith(qhaargs(d, {"--efe", efefile("qi_efe_t", d, 10.0, 1000.0)})).out.find("# electrons: their free energy from"),
            std::string::npos);
  // A temperature the table lacks is named, never interpolated.
  const auto short_ = runwith(qhaargs(d, {"--csv", "--efe", efefile("qi_efe_short", d, 10.0, 500.0)}));
  EXPECT_EQ(short_.status, 1);
  EXPECT_NE(short_.err.find("qi_efe_short: 510 K is not among its temperatures (the nearest is 500 K)"),
            std::string::npos) << short_.err;
  EXPECT_EQ(short_.out, "");
  // The thermal part alone (the static energy left out): a warning.
  const auto thermal = runwith(qhaargs(d, {"--csv", "--tmax", "100", "--efe", efefile("qi_efe_th", d, 10.0, 100.0, 4.0)}));
  EXPECT_NE(thermal.err.find("qi_efe_th: warning: at 0 K its energy at 11.2 A^3 differs from " + d.ev + "'s by 4000 meV"),
            std::string::npos) << thermal.err;
  // The thermal part alone where E(V) is not a constant away: G has no
  // minimum within the volumes, and one error names the file (not a fit's
  // failure at every temperature naming e-v.dat).
  std::string part = "# T F_el\n";
  for (int t = 0; t <= 100; t += 10) {
    part += std::to_string(t);
    for (double v : d.volume) part += ' ' + shortest(-sommerfelda(1.0 + v / 10.0) * t * t);
    part += '\n';
  }
  const std::string partfile = writefile("qi_efe_part", part);
  const auto only = runwith(qhaargs(d, {"--csv", "--tmax", "100", "--efe", partfile}));
  EXPECT_EQ(only.status, 1);
  EXPECT_EQ(only.out, "");
  EXPECT_EQ(only.err.rfind("lattice_thermo: " + partfile + ": at 0 K its energy at 11.2 A^3 differs from " + d.ev +
                           "'s by ", 0), 0u) << only.err;
  EXPECT_NE(only.err.find("and with its energies G has no minimum within the volumes at 0 K ("),
            std::string::npos) << only.err;
  EXPECT_EQ(std::count(only.err.begin(), only.err.end(), '\n'), 1) << only.err;
  // A line with a number too few, a temperature out of order.
  const auto few = runwith(qhaargs(d, {"--efe", writefile("qi_efe_few", "# T F...\n0 1 2 3 4 5 6 7 8\n")}));
  EXPECT_NE(few.err.find("qi_efe_few:2: 9 numbers, where a temperature and the 9 volumes' energies make 10"),
            std::string::npos) << few.err;
  const auto order = runwith(qhaargs(d, {"--efe", writefile("qi_efe_ord", "5 1 1 1 1 1 1 1 1 1\n4 1 1 1 1 1 1 1 1 1\n")}));
  EXPECT_NE(order.err.find("qi_efe_ord:2: the temperature 4 K does not follow 5 K"), std::string::npos) << order.err;
  // Fewer than the spline's 4 nodes: refused, where S and Cv would lose the
  // electrons' part without a word; 4 are taken.
  for (double tmax : {0.0, 10.0, 20.0, 30.0}) {
    const auto r = runwith(qhaargs(d, {"--csv", "--tmax", shortest(tmax), "--efe", efefile("qi_efe_n", d, 10.0, tmax)}));
    EXPECT_EQ(r.status, tmax < 30.0 ? 1 : 0) << tmax << ": " << r.err;
    if (tmax < 30.0) {
      EXPECT_NE(r.err.find("qi_efe_n: " + std::to_string(static_cast<int>(tmax / 10.0) + 1) + " temperature"),
                std::string::npos) << r.err;
    }
    EXPECT_EQ(r.out.empty(), tmax < 30.0);
  }
}

TEST(ThermoQhaInputs, SplineDerivatives) {
  // A cubic exactly, on uneven nodes.
  const std::vector<double> x = {0.0, 0.5, 2.0, 2.5, 4.0, 7.0};
  std::vector<double> y, dy(6), d2y(6);
  for (double t : x) y.push_back(1.0 - 2.0 * t + 0.5 * t * t - 0.1 * t * t * t);
  splinederivatives(x.data(), y.data(), x.size(), 1, dy.data(), d2y.data());
  for (std::size_t k = 0; k < x.size(); ++k) {
    EXPECT_NEAR(dy[k], -2.0 + x[k] - 0.3 * x[k] * x[k], 1e-12) << k;
    EXPECT_NEAR(d2y[k], 1.0 - 0.6 * x[k], 1e-12) << k;
  }
  // A smooth function: the first derivative to O(h^3), the second to O(h^2).
  for (double h : {0.1, 0.05}) {
    std::vector<double> t, f;
    for (double s = 0.0; s <= 3.0 + 1e-12; s += h) {
      t.push_back(s);
      f.push_back(std::sin(s));
    }
    std::vector<double> d1(t.size()), d2(t.size());
    splinederivatives(t.data(), f.data(), t.size(), 1, d1.data(), d2.data());
    double e1 = 0.0, e2 = 0.0;
    for (std::size_t k = 0; k < t.size(); ++k) {
      e1 = std::max(e1, std::fabs(d1[k] - std::cos(t[k])));
      e2 = std::max(e2, std::fabs(d2[k] + std::sin(t[k])));
    }
    EXPECT_LT(e1, 0.2 * h * h * h) << h;
    EXPECT_LT(e2, 0.5 * h * h) << h;
  }
}

TEST(ThermoQhaInputs, ExcludeImaginary) {
  // A DOS with 5 % of its states below zero at the last volume.
  dataset d = qhadata("qi_imag", 1.7);
  d.doses[8] = writefile("qi_imag_8", "-1.001 0\n-1 150\n-0.999 0\n5.5 0\n5.501 2850\n5.502 0\n");
  const auto kept = runwith(qhaargs(d, {"--csv", "--temperatures", "300"}));
  EXPECT_NE(kept.err.find("qi_imag_8: warning: 5.000 % of the states take no part"), std::string::npos) << kept.err;
  const auto r = runwith(qhaargs(d, {"--csv", "--temperatures", "300", "--exclude-imaginary"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("qi_imag_8: imaginary modes: its volume, 13.2 A^3, is left out (--exclude-imaginary)"),
            std::string::npos) << r.err;
  // As if the volume had never been given: no warning of its states
  // either, so that --strict, which lets the volume left out pass, gives
  // the same rows.
  EXPECT_EQ(r.err.find("take no part"), std::string::npos) << r.err;
  dataset eight = qhadata("qi_imag8", 1.7, 8, 11.2, 12.95);
  EXPECT_EQ(r.out, runwith(qhaargs(eight, {"--csv", "--temperatures", "300"})).out);
  const auto strict = runwith(qhaargs(d, {"--csv", "--temperatures", "300", "--exclude-imaginary", "--strict"}));
  EXPECT_EQ(strict.status, 0) << strict.err;
  EXPECT_EQ(strict.out, r.out);
  // phonopy's rule for its thermal properties: more than 3 modes not
  // integrated; fewer than 5 volumes left is an error.
  dataset tables = qhatables("qi_imagtp", 1.7, {"--tmax", "100"});
  for (int i : {0, 1, 2, 3, 4}) {
    std::string s = readtext(tables.doses[static_cast<std::size_t>(i)]);
    const std::size_t at = s.find("num_modes: ");
    s.replace(at, s.find('\n', at) - at, "num_modes: 7");
    tables.doses[static_cast<std::size_t>(i)] = writefile("qi_imagtp_" + std::to_string(i), s);
  }
  const auto dropped = runwith(qhaargs(tables, {"--csv", "--exclude-imaginary"}));
  EXPECT_EQ(dropped.status, 1);
  EXPECT_NE(dropped.err.find("4 volumes without imaginary modes; the equation of state's four parameters need at least 5"),
            std::string::npos) << dropped.err;
  EXPECT_EQ(runwith(qhaargs(tables, {"--csv"})).status, 0);
}

}  // namespace
