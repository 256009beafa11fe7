// lattice_thermo on files as physicists' codes write them: units named in
// headers, projected columns, normalisation, imaginary modes, phonopy's
// mesh.yaml and thermal_properties.yaml, headers without '#', and the
// command line's forms and conflicts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "thermo/formats/text/columns.hpp"

#include "testutil.hpp"

namespace {

using namespace thermotest;

// The numbers of a CSV's rows (file column dropped).
std::vector<std::vector<double>> csvvalues(const std::string& csv) {
  std::vector<std::vector<double>> rows;
  std::stringstream in(csv);
  std::string line;
  std::getline(in, line);
  const bool filecolumn = line.rfind("file,", 0) == 0;
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    std::string f;
    std::vector<double> v;
    for (bool first = true; std::getline(fields, f, ','); first = false)
      if (!(first && filecolumn)) v.push_back(f == "nan" ? NAN : std::stod(f));
    rows.push_back(v);
  }
  return rows;
}

void expectclose(const std::string& a, const std::string& b, double rel, const std::string& what) {
  const auto x = csvvalues(a), y = csvvalues(b);
  ASSERT_EQ(x.size(), y.size()) << what;
  ASSERT_FALSE(x.empty()) << what;
  for (std::size_t i = 0; i < x.size(); ++i)
    for (std::size_t k = 0; k < x[i].size(); ++k)
      if (!std::isnan(x[i][k]) || !std::isnan(y[i][k])) {
        EXPECT_NEAR(x[i][k], y[i][k], rel * std::fabs(y[i][k]) + 1e-12) << what << ", row " << i << ", field " << k;
      }
}

// A DOS on n points i df (THz) from i = i0, g(f) given, written with the
// energy scaled by perthz and the DOS by 1/perthz, under a header, with
// further columns. Tables with the same df share their points exactly.
std::string table(int i0, double df, int n, double (*g)(double), double perthz = 1.0, const std::string& header = "",
                  const std::string& more = "") {
  std::string s = header;
  char buf[128];
  for (int i = i0; i < i0 + n; ++i) {
    const double f = i * df;
    std::snprintf(buf, sizeof buf, "%.17g %.17g", f * perthz, g(f) / perthz);
    s += buf + more + "\n";
  }
  return s;
}
// 12 states up to 10 THz: a cell of 4 atoms.
double smooth(double f) { return f <= 0.0 ? 0.0 : 0.0144 * f * f * (10.0 - f); }
double mirrored(double f) { return smooth(std::fabs(f)); }

TEST(ThermoFormats, UnitNamedInTheHeader) {
  const double cm1 = 1e12 / (lightspeed * 100.0);
  const std::string plain = writefile("f_cm.dat", table(0, 0.05, 201, smooth, cm1));
  const auto given = runwith({"--csv", "--unit", "cm-1", plain});
  ASSERT_EQ(given.status, 0) << given.err;
  // The header of a plane-wave code's DOS file, and other spellings.
  for (const char* header : {"# Frequency[cm^-1] DOS\n", "#  E (cm-1)   dos\n", "! omega [1/cm]\n", "# f (CM^-1)\n"}) {
    const std::string path = writefile("f_cmheader.dat", table(0, 0.05, 201, smooth, cm1, header));
    const auto r = runwith({"--csv", path});
    EXPECT_EQ(r.status, 0) << header << r.err;
    EXPECT_EQ(r.out, given.out) << header;
    EXPECT_NE(runwith({path}).out.find("# unit: cm-1 (named in the file's header)"), std::string::npos) << header;
  }
  for (auto [header, name] : {std::pair{"# E (meV)\n", "meV"}, std::pair{"# energy [eV]\n", "eV"},
                              std::pair{"# E in Ry\n", "Ry"}, std::pair{"# energy/hartree\n", "THz"},
                              std::pair{"# E, Hartree\n", "Ha"}}) {
    const auto r = runwith({writefile("f_units.dat", table(0, 0.0005, 21, smooth, 1.0, header))});
    EXPECT_NE(r.out.find(std::string("# unit: ") + name + " ("), std::string::npos) << header << r.out;
  }
  // --unit wins over the header, with a warning; names in any case.
  const std::string named = writefile("f_named.dat", table(0, 0.05, 201, smooth, cm1, "# E (cm^-1)\n"));
  const auto thz = runwith({"--unit", "thz", named});
  EXPECT_NE(thz.err.find("warning: the header names cm-1; --unit THz is used"), std::string::npos) << thz.err;
  for (const char* spelling : {"CM-1", "cm^-1", "1/cm"})
    EXPECT_EQ(runwith({"--csv", "--unit", spelling, plain}).out, given.out) << spelling;
  // Only the default, and energies beyond any phonon: probably cm-1.
  const auto guess = runwith({plain});
  EXPECT_NE(guess.err.find("THz, is beyond any phonon's: the file is probably in cm-1"), std::string::npos) << guess.err;
  EXPECT_NE(guess.out.find("# unit: THz (the default: the file names no unit)"), std::string::npos);
}

TEST(ThermoFormats, ProjectedColumns) {
  // Columns: energy, total, and three partial DOS that sum to it.
  std::string four = "# f total a b c\n", two = "", third = "";
  char buf[160];
  for (int i = 0; i <= 200; ++i) {
    const double f = 0.05 * i, g = smooth(f);
    std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g %.17g %.17g\n", f, g, 0.5 * g, 0.25 * g, 0.25 * g);
    four += buf;
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f, g);
    two += buf;
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f, 0.5 * g);
    third += buf;
  }
  const std::string path = writefile("f_four.dat", four);
  const auto plain = runwith({"--csv", path});
  EXPECT_NE(plain.err.find("warning: 3 more numeric columns after the DOS in column 2"), std::string::npos) << plain.err;
  EXPECT_NE(plain.err.find("--column K"), std::string::npos);
  EXPECT_NE(plain.err.find("--sum-columns the sum of columns 2 to 5"), std::string::npos);
  EXPECT_EQ(plain.out, runwith({"--csv", writefile("f_two.dat", two)}).out);
  const auto column = runwith({"--csv", "--column", "3", path});
  EXPECT_EQ(column.err.find("more numeric columns"), std::string::npos) << column.err;
  EXPECT_EQ(column.out, runwith({"--csv", writefile("f_third.dat", third)}).out);
  // Columns 2 to 5 hold the total twice over.
  const auto sum = runwith({"--csv", "--sum-columns", path});
  EXPECT_EQ(sum.err.find("more numeric columns"), std::string::npos) << sum.err;
  expectclose(sum.out, runwith({"--csv", writefile("f_double.dat", table(0, 0.05, 201, [](double f) {
                                                                        return 2.0 * smooth(f);
                                                                      }))})
                           .out,
              1e-13, "sum of columns");
  const auto missing = runwith({"--column", "7", path});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find(":2: a line with 5 items; the DOS is read from column 7"), std::string::npos) << missing.err;
}

TEST(ThermoFormats, NormalizeAndTheStatesItWarnsOf) {
  // 11.91 states, as a smeared DOS of a 4-atom cell holds: 0.75 % short,
  // within 1 %: no warning; 11.5 states: a warning naming --normalize.
  const std::string smeared = writefile("f_smeared.dat", table(0, 0.05, 201, [](double f) {
    return smooth(f) * 11.91 / 12.0;
  }));
  EXPECT_EQ(runwith({smeared}).err.find("--normalize"), std::string::npos);
  const auto warned = runwith({writefile("f_short.dat", table(0, 0.05, 201, [](double f) { return smooth(f) * 11.5 / 12.0; }))});
  EXPECT_NE(warned.err.find("states, 3 x 3.83"), std::string::npos) << warned.err;
  EXPECT_NE(warned.err.find("more than 1 % from 4; --normalize scales it to 12"), std::string::npos) << warned.err;
  // --normalize gives 12 states, and C at high temperature tends to 3 n R
  // with n = 4.
  const auto normal = runwith({"--normalize", "--tmin", "1e6", "--tmax", "1e6", smeared});
  EXPECT_NE(normal.out.find("# integral of the DOS: 12.000000 states; atoms per cell n = 4.000000"), std::string::npos)
      << normal.out;
  const auto hot = runwith({"--csv", "--normalize", "--tmin", "1e6", "--tmax", "1e6", smeared});
  EXPECT_NEAR(csvvalues(hot.out)[0][3], 12.0 * boltzmann * avogadro, 1e-3);
  // With --atoms, 3 --atoms states.
  const auto three = runwith({"--normalize", "--atoms", "3", "--tmax", "0", smeared});
  EXPECT_NE(three.out.find("# integral of the DOS: 9.000000 states"), std::string::npos) << three.out;
}

TEST(ThermoFormats, CutoffAndPretendReal) {
  // --pretend-real on a DOS mirrored about zero: twice the positive half.
  const std::string both = writefile("f_mirror.dat", table(-200, 0.05, 401, mirrored));
  const std::string doubled = writefile("f_doubled.dat", table(0, 0.05, 201, [](double f) { return 2.0 * smooth(f); }));
  const auto real = runwith({"--csv", "--pretend-real", both});
  ASSERT_EQ(real.status, 0) << real.err;
  EXPECT_EQ(real.err.find("take no part"), std::string::npos) << real.err;
  expectclose(real.out, runwith({"--csv", doubled}).out, 1e-12, "--pretend-real");
  // Without it, half the states take no part and theta_D is matched against
  // the half that does.
  const auto imaginary = runwith({"--csv", both});
  EXPECT_NE(imaginary.err.find("50.000 % of the states take no part"), std::string::npos) << imaginary.err;
  expectclose(imaginary.out, runwith({"--csv", writefile("f_half.dat", table(0, 0.05, 201, smooth))}).out, 1e-12,
              "imaginary half");
  // --cutoff-frequency 2: the points at or below 2 THz take no part in the
  // thermal terms, as if the file began above 2 THz; the zero-point energy,
  // as phonopy counts it, still has them: F and U differ by that constant.
  const std::string all = writefile("f_all.dat", table(0, 0.05, 201, smooth));
  const std::string above = writefile("f_above.dat", table(41, 0.05, 160, smooth));
  const auto cut = runwith({"--csv", "--cutoff-frequency", "2", all});
  ASSERT_EQ(cut.status, 0) << cut.err;
  EXPECT_NE(cut.err.find("they lie at or below the cutoff, 2 THz"), std::string::npos) << cut.err;
  const auto x = csvvalues(cut.out), y = csvvalues(runwith({"--csv", above}).out);
  ASSERT_EQ(x.size(), y.size());
  const double zeropoint = x[0][1] - y[0][1];  // kJ/mol
  EXPECT_GT(zeropoint, 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) {
    for (int k : {2, 3, 5}) {
      if (!std::isnan(y[i][k])) {
        EXPECT_NEAR(x[i][k], y[i][k], 1e-12 * std::fabs(y[i][k]) + 1e-12) << i << " " << k;
      }
    }
    for (int k : {1, 4}) EXPECT_NEAR(x[i][k] - y[i][k], zeropoint, 1e-9) << i << " " << k;
  }
  EXPECT_EQ(runwith({"--cutoff-frequency", "20", all}).status, 1);
}

// A mesh.yaml of two q-points (weights 1 and 3) of one atom, with or
// without eigenvectors.
std::string mesh(bool eigenvectors, const char* weight2 = "3") {
  return meshyaml({"1", weight2}, {{"1.500000", "1.500000", "3.000000"}, {"4.000000", "5.000000", "6.000000"}},
                  eigenvectors);
}

TEST(ThermoFormats, PhonopyMeshYaml) {
  const std::string path = writefile("f_mesh.yaml", mesh(false));
  const auto r = runwith({"--csv", "--temperatures", "0,10,300,1000", path});
  ASSERT_EQ(r.status, 0) << r.err;
  // The mode sums by hand: each mode times its weight over the sum (4).
  const double f[6] = {1.5, 1.5, 3.0, 4.0, 5.0, 6.0}, w[6] = {0.25, 0.25, 0.25, 0.75, 0.75, 0.75};
  const auto rows = csvvalues(r.out);
  ASSERT_EQ(rows.size(), 4u);
  for (const auto& row : rows) {
    const double t = row[0];
    double c = 0.0, u = 0.0;
    for (int i = 0; i < 6; ++i) {
      const double e = planck * 1e12 * f[i];
      u += w[i] * e / 2;
      if (t > 0) {
        const double x = e / (boltzmann * t), n = 1.0 / std::expm1(x);
        c += w[i] * boltzmann * x * x * std::exp(x) * n * n;
        u += w[i] * e * n;
      }
    }
    if (t == 0) {
      EXPECT_EQ(row[3], 0.0);
    } else {
      EXPECT_NEAR(row[3] / (c * avogadro), 1.0, 1e-12) << t;
    }
    EXPECT_NEAR(row[4] / (u * avogadro / 1000.0), 1.0, 1e-12) << t;
  }
  // Eigenvectors pass by; the table says what was read.
  EXPECT_EQ(runwith({"--csv", "--temperatures", "0,10,300,1000", writefile("f_meshe.yaml", mesh(true))}).out, r.out);
  const auto table = runwith({path});
  EXPECT_NE(table.out.find("# unit: THz (phonopy mesh.yaml: 2 q-points)"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("# points: 2 q-points, 12 modes (12 above the cutoff)"), std::string::npos) << table.out;
  // Its sampling limit: k_B T a third of the lowest mode, 1.5 THz.
  EXPECT_NE(table.out.find("# sampling limit: 24 K (below it the q-mesh's lowest modes decide"), std::string::npos)
      << table.out;
  // Recognised by content too, under any name.
  EXPECT_EQ(runwith({"--csv", "--temperatures", "0,10,300,1000", writefile("f_mesh_noext", mesh(false))}).out, r.out);
  // Bad meshes: named with their line.
  const auto noweight = runwith({writefile("f_meshbad.yaml", mesh(false, ""))});
  EXPECT_EQ(noweight.status, 1);
  EXPECT_NE(noweight.err.find("f_meshbad.yaml:23: a q-point without a weight"), std::string::npos) << noweight.err;
  const auto notyaml = runwith({writefile("f_meshbad2.yaml", "phonon:\n- weight: [\n")});
  EXPECT_NE(notyaml.err.find("not YAML"), std::string::npos) << notyaml.err;
  const auto pds = runwith({"--write-pds", writefile("f_meshpds", ""), "--force", path});
  EXPECT_EQ(pds.status, 1);
  EXPECT_NE(pds.err.find("--write-pds needs a tabulated DOS"), std::string::npos) << pds.err;
}

TEST(ThermoFormats, ThermalPropertiesYaml) {
  const auto r = runwith({"--yaml", "--temperatures", "0,300", writefile("f_y.yaml", mesh(false))});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"natom: 1\n", "num_modes: 12\n", "num_integrated_modes: 12\n", "thermal_properties:\n",
                           "- temperature:   300\n", "  debye_temperature: .nan\n", "\nsampling_limit: 24  # K"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
}

TEST(ThermoFormats, HeaderLinesWithoutHash) {
  const std::string body = table(0, 0.05, 201, smooth);
  const auto plain = runwith({"--csv", writefile("f_body.dat", body)});
  for (const char* header : {"Frequency(THz) DOS\n", "freq,dos\n", "energy dos pdos\n\n"}) {
    const auto r = runwith({"--csv", writefile("f_header.dat", header + body)});
    EXPECT_EQ(r.status, 0) << header << r.err;
    EXPECT_EQ(r.out, plain.out) << header;
  }
  // After the first data line, text is an error as before.
  const auto late = runwith({writefile("f_late.dat", body + "freq dos\n")});
  EXPECT_EQ(late.status, 1);
  EXPECT_NE(late.err.find(":202: item 1 is not a number"), std::string::npos) << late.err;
}

TEST(ThermoFormats, CommandLineFormsAndConflicts) {
  const std::string f = writefile("f_cli.dat", table(0, 0.05, 201, smooth));
  const auto list = runwith({"--csv", "--temperatures", "298.15, 300,5", f});
  ASSERT_EQ(list.status, 0) << list.err;
  const auto rows = csvvalues(list.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], 298.15);
  EXPECT_EQ(rows[2][0], 5.0);
  EXPECT_EQ(runwith({"--csv", "--tmin=100", "--tmax=200", "--tstep=50", f}).out,
            runwith({"--csv", "--tmin", "100", "--tmax", "200", "--tstep", "50", f}).out);
  const auto version = runwith({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("lattice_thermo ", 0), 0u) << version.out;
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"--unit", "THz", "--unit", "meV", f},
           {"--pds", "--unit", "Ha", f},
           {"--column", "3", "--sum-columns", f},
           {"--column", "1", f},
           {"--temperatures", "300", "--tmin", "10", f},
           {"--temperatures", "300,x", f},
           {"--temperatures", "-1", f},
           {"--yaml", "--csv", f},
           {"--yaml", f, f},
           {"--cutoff-frequency", "-1", f}}) {
    EXPECT_TRUE(usageerror(runwith(args))) << args[0] << " " << args[1];
  }
}

TEST(ThermoFormats, TableHeadingsAndDigits) {
  const std::string f = writefile("f_table.dat", table(0, 0.05, 201, smooth));
  const auto cells = runwith({"--tmin", "1", "--tmax", "1", f});
  EXPECT_NE(cells.out.find("U [kJ/mol]"), std::string::npos) << cells.out;
  EXPECT_NE(cells.out.find("# values per mole of cells"), std::string::npos);
  // At 1 K the heat capacity has its digits, not 0.000000.
  const std::string row = cells.out.substr(cells.out.rfind('\n', cells.out.size() - 2) + 1);
  EXPECT_NE(row.find("e-0"), std::string::npos) << row;
  const auto atoms = runwith({"--per-atom", "--tmax", "0", f});
  EXPECT_NE(atoms.out.find("Cv [J/K/mol atoms]"), std::string::npos) << atoms.out;
  EXPECT_NE(atoms.out.find("# values per mole of atoms"), std::string::npos);
}

}  // namespace

namespace {

// Line ends of every kind mixed in a file of several blocks, CRs at the
// ends of blocks among them: the same points as with LF alone, and a
// problem on the line it is on (the line reader looks for CRs once over
// the bytes it holds, not once a line).
TEST(ThermoFormats, LineEndsOfEveryKindAcrossBlocks) {
  std::string lf, mixed;
  const char* ends[] = {"\n", "\r\n", "\n", "\r", "\n", "\n", "\r\n"};
  for (int i = 1; i <= 12000; ++i) {
    const std::string line = std::to_string(0.001 * i) + " " + std::to_string(1.0 + 0.5 * std::sin(0.01 * i));
    lf += line + "\n";
    // Every line near the end of a 65,536-byte block ends in a lone CR.
    const bool nearedge = (mixed.size() + line.size()) % 65536 > 65500;
    mixed += line + (nearedge ? "\r" : ends[i % 7]);
  }
  spectrum a, b;
  problem p;
  ASSERT_TRUE(parsecolumns(lf, unit::thz, a, p)) << p.what;
  ASSERT_TRUE(parsecolumns(mixed, unit::thz, b, p)) << p.line << ": " << p.what;
  EXPECT_EQ(a.energy, b.energy);
  EXPECT_EQ(a.dos, b.dos);
  ASSERT_FALSE(parsecolumns(mixed + "13 x\r14 1\r\n", unit::thz, b, p));
  EXPECT_EQ(p.line, 12001);
}

}  // namespace
