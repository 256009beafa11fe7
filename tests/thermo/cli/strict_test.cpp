// --strict: every warning of every mode an error, with exit status 1 and no
// rows: in the harmonic mode and --displacements none of the file that
// warned (the others' as usual), in the quasi-harmonic mode none at all,
// whether the warning comes before the first row or after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "qha/griddata.hpp"
#include "qha/qhadata.hpp"
#include "testutil.hpp"

namespace {

using namespace thermotest;

std::vector<std::string> with(std::vector<std::string> args, const std::string& flag = "--strict") {
  args.insert(args.begin(), flag);
  return args;
}

TEST(ThermoStrict, HarmonicModeRefusesTheFileThatWarned) {
  const std::string good = writefile("s_good.dat", "5.999 0\n6 3000\n6.001 0\n");
  const std::string warns = writefile("s_warns.dat", "-1 0.5\n0 0.5\n1 -0.001\n2 1\n3 1\n");
  const std::string other = writefile("s_other.dat", "2.999 0\n3 3000\n3.001 0\n");
  const std::vector<std::string> files = {"--csv", "--tstep", "100", good, warns, other};
  const auto plain = runwith(files);
  ASSERT_EQ(plain.status, 0);
  ASSERT_EQ(linesabout(plain.err, good) + linesabout(plain.err, other), 0) << plain.err;
  const auto strict = runwith(with(files));
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out.find(warns), std::string::npos);
  std::string expected = plain.out;
  for (std::size_t p; (p = expected.find("\n" + warns + ",")) != std::string::npos;)
    expected.erase(p + 1, expected.find('\n', p + 1) - p);
  EXPECT_EQ(strict.out, expected);
  EXPECT_NE(strict.err.find("warning: 1 negative DOS values"), std::string::npos) << strict.err;
  EXPECT_NE(strict.err.find(warns + ": no rows: --strict makes its warning an error"), std::string::npos) << strict.err;
  EXPECT_EQ(linesabout(strict.err, good) + linesabout(strict.err, other), 0) << strict.err;
  // Without a warning, --strict changes nothing.
  EXPECT_EQ(runwith(with({"--csv", good})).out, runwith({"--csv", good}).out);
  // --write-pds with its warning: nothing written.
  const std::string pds = ::testing::TempDir() + "s_pds_" + std::to_string(::getpid());
  std::filesystem::remove(pds);
  const auto peak = runwith(with({"--write-pds", pds, writefile("s_peak.dat", "1 0\n10 0\n10.001 1000\n10.002 0\n1000 0\n")}));
  EXPECT_EQ(peak.status, 1);
  EXPECT_EQ(peak.out, "");
  EXPECT_NE(peak.err.find(pds + ": nothing written: --strict makes the warning above an error"), std::string::npos)
      << peak.err;
  EXPECT_FALSE(std::filesystem::exists(pds));
}

TEST(ThermoStrict, QuasiHarmonicModeGivesNoRows) {
  const std::string dir = LHC_EXAMPLE;
  std::vector<std::string> cu = {"--qha", dir + "/e-v.dat", "--csv"};
  for (int i = 1; i <= 11; ++i) cu.push_back(dir + "/v" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "/total_dos.dat");
  const auto clean = runwith(with(cu));
  EXPECT_EQ(clean.status, 0);
  EXPECT_EQ(clean.out, runwith(cu).out);
  // A warning after the first rows: V(T) leaves the volumes at 1,260 K.
  std::vector<std::string> hot = cu;
  hot.insert(hot.end(), {"--tmax", "1500", "--tstep", "20"});
  const auto late = runwith(hot);
  ASSERT_EQ(late.status, 0);
  ASSERT_NE(late.err.find("leaves the volumes sampled"), std::string::npos);
  ASSERT_GT(qharows(late.out).size(), 60u);
  const std::string fv = ::testing::TempDir() + "s_fv_" + std::to_string(::getpid());
  std::filesystem::remove(fv);
  hot.insert(hot.end(), {"--write-fv", fv});
  const auto refused = runwith(with(hot));
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, late.err + "lattice_thermo: --strict: no rows, as it makes every warning above an error\n");
  for (const auto& e : std::filesystem::directory_iterator(::testing::TempDir()))  // nor its temporary file
    EXPECT_NE(e.path().string().rfind(fv, 0), 0u) << e.path();
  // A warning of the inputs' checks: files in reverse order.
  dataset reversed = qhadata("s_rev", 1.7);
  std::reverse(reversed.doses.begin(), reversed.doses.end());
  const auto early = runwith(with(qhaargs(reversed, {"--csv", "--temperatures", "300"})));
  EXPECT_EQ(early.status, 1);
  EXPECT_EQ(early.out, "");
  EXPECT_NE(early.err.find("warning: the zero-point energy (eV) rises"), std::string::npos) << early.err;
  // Several phases, and their transitions: b is a 1 eV higher, so that
  // they never cross.
  const dataset a = qhadata("s_a", 1.7);
  std::string higher;
  for (std::size_t i = 0; i < a.volume.size(); ++i)
    higher += shortest(a.volume[i]) + " " + shortest(a.energy[i] + 1.0) + "\n";
  std::vector<std::string> two = {"--csv", "--temperatures", "100,200", "--qha", a.ev};
  two.insert(two.end(), a.doses.begin(), a.doses.end());
  two.insert(two.end(), {"--qha", writefile("s_b_ev", higher)});
  two.insert(two.end(), a.doses.begin(), a.doses.end());
  two.insert(two.end(), {"--phase-names", "a,b", "--formula-units", "1,2"});
  EXPECT_NE(runwith(two).err.find("warning: --formula-units gives 1 and 2"), std::string::npos);
  EXPECT_EQ(runwith(with(two)).out, "");
  two.back() = "1,1";
  two.insert(two.end(), {"--transitions", "0,1"});
  EXPECT_NE(runwith(two).err.find("warning: a and b: no row at 2 of 2 temperatures"), std::string::npos);
  const auto pairs = runwith(with(two));
  EXPECT_EQ(pairs.status, 1);
  EXPECT_EQ(pairs.out, "");
}

TEST(ThermoStrict, GridModeGivesNoRows) {
  // The minimum leaves the box after the first rows: a warning, and with
  // --strict no rows.
  const griddataset d = makegrid("s_grid", cubic(1.7), 2, spaced(2.22, 2.36, 7));
  const auto args = gridargs(d, {"--csv", "--tmax", "3000", "--tstep", "100"});
  const auto plain = runwith(args);
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_NE(plain.err.find(": warning: "), std::string::npos);
  ASSERT_FALSE(qharows(plain.out).empty());
  const auto strict = runwith(with(args));
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out, "");
  EXPECT_EQ(strict.err, plain.err + "lattice_thermo: --strict: no rows, as it makes every warning above an error\n");
}

TEST(ThermoStrict, PathModeGivesNoRows) {
  // --qha --lattice: V(T) leaves the volumes after the first rows.
  const dataset d = qhadata("s_path", 2.0);
  std::string lat;
  for (double v : d.volume) lat += shortest(std::cbrt(v)) + " " + shortest(std::cbrt(v)) + " " + shortest(std::cbrt(v)) + "\n";
  const auto args = qhaargs(d, {"--lattice", writefile("s_path_lat.dat", lat), "--csv", "--tmax", "3000", "--tstep", "100"});
  const auto plain = runwith(args);
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_NE(plain.err.find("warning: "), std::string::npos);
  ASSERT_FALSE(qharows(plain.out).empty());
  const auto strict = runwith(with(args));
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out, "");
  EXPECT_EQ(strict.err, plain.err + "lattice_thermo: --strict: no rows, as it makes every warning above an error\n");
}

TEST(ThermoStrict, DisplacementsRefuseTheFileThatWarned) {
  const auto freqs = std::vector<std::array<std::string, 3>>{{"1", "2", "3"}, {"2", "3", "4"}};
  const std::string mesh = writefile("s_mesh.yaml", meshyaml({"1", "1"}, freqs, true));
  const std::string dos = writefile("s_dos.dat", "5.999 0\n6 3000\n6.001 0\n");
  // The masses given differ from the file's: a warning, so no rows of it.
  const auto given = runwith(with({"--displacements", "--csv", "--temperatures", "300", "--mass", "60", dos, mesh}));
  EXPECT_EQ(given.status, 1);
  EXPECT_NE(given.err.find(mesh + ": no rows: --strict makes its warning an error"), std::string::npos) << given.err;
  EXPECT_EQ(given.out, runwith({"--displacements", "--csv", "--temperatures", "300", "--mass", "60", dos, dos})
                           .out.substr(0, given.out.size()));
  EXPECT_EQ(given.out.find(mesh), std::string::npos);
}

// --debye: its warnings are errors too, and its E(V) file takes the units.
TEST(ThermoStrict, DebyeWarningsAndUnits) {
  std::string ev = "# V E\n", ry = ev;
  char buf[96];
  for (int i = 0; i < 11; ++i) {
    const double v = 11.8 * (0.92 + 0.2 * i / 10.0), eta = std::pow(11.8 / v, 2.0 / 3.0), d = eta - 1.0;
    const double e = -3.7 + 9.0 / 16.0 * 11.8 * 0.85 * (d * d * d * 4.5 + d * d * (6.0 - 4.0 * eta));
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v, e);
    ev += buf;
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v / 0.529177210903 / 0.529177210903 / 0.529177210903,
                  e / 13.605693122994);
    ry += buf;
  }
  const std::string a = thermotest::writefile("strict_debye_a3.dat", ev), b = thermotest::writefile("strict_debye_ry.dat", ry);
  const auto warned = thermotest::runwith({"--debye", a, "--mass", "63.546", "--atoms", "4", "--strict", "--csv"});
  EXPECT_EQ(warned.status, 1) << warned.err;
  EXPECT_EQ(warned.out, "");
  EXPECT_NE(warned.err.find("--strict"), std::string::npos) << warned.err;
  const auto plain = thermotest::runwith({"--debye", a, "--mass", "63.546", "--atoms", "1", "--csv", "--temperatures", "300"});
  const auto units = thermotest::runwith({"--debye", b, "--mass", "63.546", "--atoms", "1", "--csv", "--temperatures", "300",
                                          "--energy-unit", "Ry", "--volume-unit", "bohr3"});
  ASSERT_EQ(units.status, 0) << units.err;
  EXPECT_NEAR(qharows(units.out)[0].at("volume"), qharows(plain.out)[0].at("volume"), 1e-9);
}

}  // namespace
