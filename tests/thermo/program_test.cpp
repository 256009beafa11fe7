// lattice_thermo: the physics against closed forms, the units, the Debye
// temperature, and every kind of bad input through the whole program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "thermo/driver.hpp"
#include "thermo/constants.hpp"
#include "thermo/debye.hpp"
#include "thermo/dos.hpp"
#include "thermo/harmonic.hpp"
#include "thermo/kernel.hpp"

namespace {

using namespace thermo;

// A Debye DOS of one atom per cell, 9 E^2 / E_D^3 up to E_D = k_B theta, in
// joules, on n + 1 points.
spectrum debyedos(double theta, int n) {
  spectrum s;
  const double ed = boltzmann * theta;
  for (int i = 0; i <= n; ++i) {
    const double e = ed * i / n;
    s.energy.push_back(e);
    s.dos.push_back(9.0 * e * e / (ed * ed * ed));
  }
  return s;
}

TEST(ThermoDebye, FunctionMatchesItsLimitsAndReferenceValues) {
  EXPECT_DOUBLE_EQ(debyecv(0.0), 1.0);
  EXPECT_NEAR(debyecv(1e-3), 1.0 - 1e-6 / 20.0 + 1e-12 / 560.0, 1e-15);
  // Low-temperature law: c = 4 pi^4 / (5 y^3) once e^-y is negligible.
  const double pi = 3.14159265358979323846;
  EXPECT_NEAR(debyecv(100.0) / (4.0 * std::pow(pi, 4) / (5.0 * 1e6)), 1.0, 1e-14);
  // Values of 3/y^3 int_0^y x^4 e^x/(e^x-1)^2 dx computed with mpmath at 30
  // digits, on both sides of the change of method at y = 3.
  const std::pair<double, double> reference[] = {
      {0.5, 0.98761075209973746642}, {1.0, 0.95173213570327944724}, {2.999, 0.66292453542045963439},
      {3.0, 0.6627580441523862805},  {7.5, 0.16216879965612278147}, {10.0, 0.0758210030310913252},
      {40.0, 0.0012176136379244656632}};
  for (auto [y, c] : reference) EXPECT_NEAR(debyecv(y) / c, 1.0, 1e-14) << y;
  // Continuous across the change of method.
  EXPECT_NEAR(debyecv(std::nextafter(3.0, 0.0)) / debyecv(3.0), 1.0, 1e-14);
  // The solver inverts the function to 1e-10 and more (below y = 0.05, that
  // is above 20 theta, c is within 1e-4 of 1 and y is ill-conditioned).
  for (double y : {0.05, 0.1, 1.0, 2.999, 3.0, 7.5, 40.0, 500.0}) {
    const double theta = debyetemperature(debyecv(y), 100.0);
    EXPECT_NEAR(theta / (100.0 * y), 1.0, 1e-10) << y;
  }
  EXPECT_TRUE(std::isnan(debyetemperature(0.5, 0.0)));
  EXPECT_TRUE(std::isnan(debyetemperature(1.2, 10.0)));
  EXPECT_TRUE(std::isnan(debyetemperature(0.0, 10.0)));
}

TEST(ThermoHarmonic, DebyeDosGivesItsThetaAndHeatCapacity) {
  const double theta = 300.0;
  const harmonicdos d = prepare(debyedos(theta, 20000));
  EXPECT_NEAR(d.states, 3.0, 1e-7);
  for (double t = 10.0; t <= 1000.0; t += 10.0) {
    const harmonic h = evaluate(d, t);
    const double r = h.heat_capacity / (3.0 * boltzmann);
    EXPECT_NEAR(r / debyecv(theta / t), 1.0, 1e-6) << t;
    EXPECT_NEAR(debyetemperature(r, t) / theta, 1.0, 1e-4) << t;
  }
  // theta_inf of a Debye DOS is its theta: <E^2> = 3 E_D^2 / 5.
  EXPECT_NEAR(thetainfinity(d) / theta, 1.0, 1e-6);
}

TEST(ThermoHarmonic, EinsteinPeakGivesTheClosedForms) {
  // A narrow triangle of three states at E0: its trapezoid integral holds
  // them all at E0.
  const double e0 = 4e-21, de = 1e-27;  // zero DOS at both ends
  spectrum s;
  s.energy = {e0 - de, e0, e0 + de};
  s.dos = {0.0, 3.0 / de, 0.0};  // three states, all at e0
  const harmonicdos d = prepare(s);
  for (double t : {5.0, 50.0, 300.0, 3000.0}) {
    const harmonic h = evaluate(d, t);
    const double x = e0 / (boltzmann * t);
    const double n = 1.0 / std::expm1(x);
    const double lm = std::log1p(-std::exp(-x));  // ln(1 - e^-x), accurate at large x too
    EXPECT_NEAR(h.heat_capacity / (3.0 * boltzmann * x * x * std::exp(x) * n * n), 1.0, 1e-9) << t;
    EXPECT_NEAR(h.energy / (3.0 * e0 * (0.5 + n)), 1.0, 1e-9) << t;
    EXPECT_NEAR(h.free_energy / (3.0 * (0.5 * e0 + boltzmann * t * lm)), 1.0, 1e-9) << t;
    EXPECT_NEAR(h.entropy / (3.0 * boltzmann * (x * n - lm)), 1.0, 1e-9) << t;
  }
  // T = 0 gives the zero-point energy; far beyond x = 700 the values stay finite.
  const harmonic zero = evaluate(d, 0.0);
  EXPECT_EQ(zero.heat_capacity, 0.0);
  EXPECT_EQ(zero.entropy, 0.0);
  EXPECT_NEAR(zero.free_energy / (1.5 * e0), 1.0, 1e-8);
  EXPECT_NEAR(zero.energy / (1.5 * e0), 1.0, 1e-8);
  const harmonic cold = evaluate(d, e0 / (boltzmann * 1e5));
  EXPECT_EQ(cold.heat_capacity, 0.0);
  EXPECT_NEAR(cold.energy / (1.5 * e0), 1.0, 1e-8);
  // High temperature: C tends to 3 n k_B, theta_D(T) to theta_inf.
  EXPECT_NEAR(evaluate(d, 1e7).heat_capacity / (3.0 * boltzmann), 1.0, 1e-9);
  const double hot = 100.0 * e0 / boltzmann;  // x = 0.01
  const double r = evaluate(d, hot).heat_capacity / (3.0 * boltzmann);
  EXPECT_NEAR(debyetemperature(r, hot) / thetainfinity(d), 1.0, 1e-4);
  EXPECT_NEAR(thetainfinity(d), std::sqrt(5.0 / 3.0) * e0 / boltzmann, 1e-9 * thetainfinity(d));
}

// The whole program, its standard output, error and status.
struct outcome {
  int status;
  std::string out, err;
};
int runon(std::vector<std::string> args, common::outchannel& out, common::outchannel& err) {
  args.insert(args.begin(), "lattice_thermo");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  return thermo::run(static_cast<int>(argv.size()), argv.data(), out, err);
}
outcome runwith(std::vector<std::string> args) {
  common::stringchannel out, err;
  const int status = runon(std::move(args), out, err);
  return {status, out.text(), err.text()};
}

std::string writefile(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + "thermo_" + std::to_string(::getpid()) + "_" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// A smooth DOS in THz, with its energies scaled to another unit.
std::string columns(double perthz, const char* comment = "# f dos\n") {
  std::string s = comment;
  char buf[96];
  for (int i = 0; i <= 200; ++i) {
    const double f = 0.05 * i;  // THz
    const double g = f * f * (10.0 - f) * 0.02;
    std::snprintf(buf, sizeof buf, "%.17g %.17g 0.5\n", f * perthz, g / perthz);
    s += buf;
  }
  return s;
}

TEST(ThermoProgram, UnitsGiveTheSameResults) {
  const double cm1 = 1e12 / (lightspeed * 100.0), mev = planck * 1e12 / (elementary * 1e-3);
  const auto thz = runwith({"--csv", writefile("thz.dat", columns(1.0))});
  ASSERT_EQ(thz.status, 0) << thz.err;
  for (auto [u, k] : {std::pair{"cm-1", cm1}, std::pair{"meV", mev}}) {
    const auto other = runwith({"--csv", "--unit", u, writefile(std::string(u) + ".dat", columns(k))});
    ASSERT_EQ(other.status, 0) << other.err;
    // Compare field by field.
    std::vector<double> a, b;
    for (auto [text, v] : {std::pair{&thz.out, &a}, std::pair{&other.out, &b}}) {
      std::size_t p = text->find('\n') + 1;
      while (p < text->size()) {
        char* end;
        v->push_back(std::strtod(text->c_str() + p, &end));
        p = static_cast<std::size_t>(end - text->c_str()) + 1;
      }
    }
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!std::isnan(a[i])) {
        EXPECT_NEAR(a[i], b[i], 1e-9 * std::fabs(a[i]) + 1e-300) << u << " field " << i;
      }
  }
}

// The CSV rows of one file run alone as they read in a run of several: the
// header dropped and the file's name before each row.
std::string amongothers(const std::string& path, const std::string& csv) {
  std::string rows;
  for (std::size_t p = csv.find('\n') + 1; p < csv.size();) {
    const std::size_t e = csv.find('\n', p);
    rows += path + "," + csv.substr(p, e + 1 - p);
    p = e + 1;
  }
  return rows;
}

TEST(ThermoProgram, RowsAreTheSameAloneOrAmongOthers) {
  const std::string one = writefile("one.dat", columns(1.0)), two = writefile("two.dat", columns(1.0, "! other\n\n"));
  const auto alone = runwith({"--csv", "--tmax", "50", one});
  const auto both = runwith({"--csv", "--tmax", "50", two, one});
  ASSERT_EQ(both.status, 0);
  EXPECT_NE(both.out.find(amongothers(one, alone.out)), std::string::npos);
  EXPECT_EQ(both.out.rfind("file,temperature,free_energy,entropy,heat_capacity,energy,debye_temperature\n", 0), 0u);
}

// Many files are done two at a time: the output must still be each file's
// own, in the order given, good or bad, and a failed write stops the run.
TEST(ThermoProgram, ManyFilesKeepTheirOrder) {
  std::vector<std::string> args = {"--csv", "--tmax", "200"};
  std::string wantout = "file,temperature,free_energy,entropy,heat_capacity,energy,debye_temperature\n", wanterr;
  for (int i = 0; i < 23; ++i) {
    std::string text = i % 5 == 3 ? "1 2\n3 x\n" : i % 7 == 2 ? "-1 0.5\n0 0.5\n1 -0.001\n2 1\n3 1\n"
                                                            : columns(1.0 + 0.1 * i);
    const std::string path = writefile("many" + std::to_string(i) + ".dat", text);
    args.push_back(path);
    const auto alone = runwith({"--csv", "--tmax", "200", path});
    wanterr += alone.err;
    wantout += amongothers(path, alone.out);
  }
  const auto all = runwith(args);
  EXPECT_EQ(all.status, 1);
  EXPECT_EQ(all.err, wanterr);
  EXPECT_EQ(all.out, wantout);

  // Standard output fails after a few files' rows: one message, status 1.
  struct failing final : common::outchannel {
    std::size_t left = 20000;
    int write(const char*, std::size_t n) override {
      if (n > left) return EPIPE;
      left -= n;
      return 0;
    }
  } out;
  common::stringchannel err;
  EXPECT_EQ(runon(args, out, err), 1);
  EXPECT_NE(err.text().find("cannot write the results"), std::string::npos) << err.text();
  EXPECT_EQ(err.text().find("many18.dat"), std::string::npos) << "files were done after the failure";
}

TEST(ThermoProgram, BadInputGivesOneLineAndNoRows) {
  const std::string good = writefile("good.dat", columns(1.0));
  struct bad {
    const char* name;
    std::string text;
    const char* what;
  };
  const std::vector<bad> cases = {
      {"empty", "", "no data"},
      {"comments", "# only\n! comments\n\n", "no data"},
      {"onenumber", "1 2\n3\n", ":2: a line with one number"},
      {"notnumber", "1 2\n3 x7\n", ":2: item 2 is not a number: \"x7\""},
      {"nan", "1 2\n2 nan\n3 1\n", ":2: a missing or NaN value"},
      {"inf", "1 2\n2 inf\n3 1\n", ":2: a value that is not finite"},
      {"order", "1 2\n2 2\n2 1\n", ":3: energies do not increase strictly"},
      {"onepositive", "-1 2\n0 2\n1 1\n", "fewer than two points"},
      {"nostates", "1 -2\n2 -2\n3 -1\n", "does not integrate to a positive"},
      {"binary", std::string("\x7f" "ELF\0\x01\x02", 7), "binary data"},
  };
  for (const auto& c : cases) {
    const std::string path = writefile(c.name, c.text);
    const auto r = runwith({"--csv", path, good});
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.err.rfind("lattice_thermo: " + path, 0), 0u) << c.name << ": " << r.err;
    EXPECT_NE(r.err.find(c.what), std::string::npos) << c.name << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.name << ": " << r.err;
    EXPECT_EQ(r.out.find(path + ","), std::string::npos) << c.name;
    EXPECT_NE(r.out.find(good + ",1000,"), std::string::npos) << c.name;  // the good file is done whole
  }
  const auto missing = runwith({"/nonexistent/dos.dat"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("/nonexistent/dos.dat: cannot open"), std::string::npos);
  EXPECT_TRUE(missing.out.empty());
  // Kept with warnings: negative DOS values and states below zero.
  const auto warned = runwith({writefile("warn.dat", "-1 0.5\n0 0.5\n1 -0.001\n2 1\n3 1\n")});
  EXPECT_EQ(warned.status, 0);
  EXPECT_NE(warned.err.find("warning: 1 negative DOS values"), std::string::npos) << warned.err;
  EXPECT_NE(warned.err.find("% of the states lie at or below zero energy"), std::string::npos) << warned.err;
}

TEST(ThermoProgram, UsageErrorsExitTwo) {
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {}, {"--bogus", "f"}, {"--unit"}, {"--unit", "K", "f"}, {"--tstep", "0", "f"}, {"--tmax", "x", "f"}}) {
    const auto r = runwith(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: lattice_thermo"), std::string::npos);
  }
  const auto help = runwith({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: lattice_thermo", 0), 0u);
}

TEST(ThermoProgram, BundledSampleInTheFixedLayout) {
  const auto r = runwith({"--pds", "--tmin", "1000", "--tmax", "1000", LHC_SAMPLE});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("atoms per cell n = 1.000000"), std::string::npos) << r.out;
}

}  // namespace

namespace {

// Every kernel variant against the four terms in long double, one mode at a
// time over x from 1e-300 to far past the overflow of e^x (both sides of the
// splits at ln 2 and 4), and on sums with counts that leave every tail length.
TEST(ThermoKernel, VariantsAgreeWithLongDouble) {
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  const bool avx512 = __builtin_cpu_supports("avx512f");
  const double kt = 1e-21;
  std::vector<double> e, le, g;
  for (double x = 1e-300; x < 1e4; x *= 1.37) {
    e.push_back(x * kt);
    le.push_back(std::log(x * kt));
    g.push_back(1.0 + 0.1 * static_cast<double>(e.size() % 7));
  }
  for (double x : {0.6931471805599453, 0.6931471805599454, std::nextafter(4.0, 0.0), 4.0})  // at the splits
    e.push_back(x * kt);
  std::sort(e.begin(), e.end());
  le.clear();
  for (double v : e) le.push_back(std::log(v));
  g.resize(e.size(), 1.0);
  using variant = void (*)(const double*, const double*, const double*, std::size_t, double, double*);
  std::vector<std::pair<const char*, variant>> variants = {{"scalar", thermo::modesums_scalar}};
  if (avx2) variants.push_back({"AVX2", thermo::modesums_avx2});
  if (avx512) variants.push_back({"AVX-512", thermo::modesums_avx512});
  auto reference = [&](std::size_t i, long double out[4]) {
    const long double en = e[i], w = g[i], x = en / kt, y = std::exp(-x), m = -std::expm1(-x);
    const long double lm = x < 1 ? std::log(m) : std::log1p(-y), occ = y / m;
    out[0] = w * x * x * y / (m * m);
    out[1] = w * en * occ;
    out[2] = w * lm;
    out[3] = w * (x * occ - lm);
  };
  // Relative, but absolute among subnormals and underflows, which no sum notices.
  auto close = [](double a, long double b) { return std::fabs(a - b) <= 1e-13 * std::fabs(b) + 1e-290; };
  for (std::size_t i = 0; i < e.size(); ++i) {
    long double want[4];
    reference(i, want);
    for (const auto& [name, f] : variants) {
      double got[4];
      // A whole vector of copies, so that the vector path takes the mode.
      std::vector<double> ev(8, e[i]), lev(8, le[i]), gv(8, g[i]);
      f(ev.data(), lev.data(), gv.data(), 8, kt, got);
      for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(close(got[k] / 8, want[k])) << name << " term " << k << " at x = " << e[i] / kt << ": "
                                                << got[k] / 8 << " vs " << static_cast<double>(want[k]);
    }
  }
  for (std::size_t n : {e.size(), e.size() - 1, e.size() - 3, e.size() - 5, e.size() - 7, std::size_t{3}, std::size_t{7}}) {
    long double want[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < n; ++i) {
      long double one[4];
      reference(i, one);
      for (int k = 0; k < 4; ++k) want[k] += one[k];
    }
    for (const auto& [name, f] : variants) {
      double got[4];
      f(e.data(), le.data(), g.data(), n, kt, got);
      for (int k = 0; k < 4; ++k) EXPECT_TRUE(close(got[k], want[k])) << name << " sum " << k << " of " << n << " modes";
    }
  }
}

}  // namespace

namespace {

// --write-pds, then the fixed program on the file it wrote: the two heat
// capacities per mole of atoms agree within 1 % from 30 K up.
TEST(ThermoWritePds, RoundTripThroughTheFixedProgram) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / ("thermo_pds_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "elphon");
  const std::string out = (dir / "elphon" / "co_elphon_4.out_ep_PDS").string();
  const std::string dos = writefile("roundtrip.dat", columns(1.0));
  const auto r = runwith({"--per-atom", "--csv", "--tmin", "10", "--tmax", "990", "--write-pds", out, dos});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string cmd = "cd '" + dir.string() + "' && '" + LHC_PROGRAM + "'";
  FILE* p = ::popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  char line[256];
  ASSERT_NE(std::fgets(line, sizeof line, p), nullptr);  // the header line
  std::size_t pos = r.out.find('\n') + 1;
  int rows = 0;
  while (std::fgets(line, sizeof line, p)) {
    double t, ev, jmol;
    ASSERT_EQ(std::sscanf(line, "%lf %lf eV/K %lf", &t, &ev, &jmol), 3) << line;
    double tt, f, s, mine;  // temperature, free_energy, entropy, heat_capacity
    ASSERT_EQ(std::sscanf(r.out.c_str() + pos, "%lf,%lf,%lf,%lf", &tt, &f, &s, &mine), 4);
    EXPECT_EQ(tt, t);
    if (t >= 30.0) {
      EXPECT_NEAR(jmol / mine, 1.0, 0.01) << t << " K";
    }
    pos = r.out.find('\n', pos) + 1;
    ++rows;
  }
  EXPECT_EQ(::pclose(p), 0);
  EXPECT_EQ(rows, 99);
  // An existing file is kept unless --force; no temporary file is left.
  const auto again = runwith({"--write-pds", out, dos});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("exists; --force replaces it"), std::string::npos) << again.err;
  EXPECT_TRUE(again.out.empty());
  EXPECT_EQ(runwith({"--force", "--write-pds", out, dos}).status, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "elphon"), fs::directory_iterator{}), 1);
  EXPECT_EQ(runwith({"--write-pds", out, dos, dos}).status, 2);
  fs::remove_all(dir);
}

}  // namespace
