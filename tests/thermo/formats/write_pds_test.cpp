// --write-pds and the fixed program run on what it wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

#include "testutil.hpp"

namespace {

using namespace thermotest;

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
