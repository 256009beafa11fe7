// lattice_thermo --qha under hostile input: the E(V) file's checks in the
// order that says most (its count before its duplicates, which are found
// after sorting), and the table's blocks of pressures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testutil.hpp"
#include "thermo/formats/inputs/ev_file.hpp"

namespace {

using namespace thermotest;

const std::string example = LHC_EXAMPLES "/cu_emt/";

std::vector<std::string> doses(int n) {
  std::vector<std::string> v;
  for (int i = 1; i <= n; ++i) v.push_back(example + (i < 10 ? "v0" : "v") + std::to_string(i) + "/total_dos.dat");
  return v;
}

// A file with too many volumes and one given twice: the count is what is
// wrong first (the duplicates of 400,000 lines took 30 s to find by pairs).
TEST(ThermoQhaInput, TheCountComesBeforeDuplicates) {
  std::string ev;
  for (int i = 0; i < 20000; ++i) ev += std::to_string(10.0 + 1e-4 * i) + " -1\n";
  ev += "10.5 -2\n";
  std::vector<std::string> args = {"--qha", writefile("qi_ev.dat", ev)};
  for (const auto& d : doses(5)) args.push_back(d);
  const auto r = runwith(args);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "lattice_thermo: " + args[1] + ": 20001 volumes, but 5 DOS files are given: one for each volume, "
                   "in the same order\n");
  // With the count right, the duplicate at its second line.
  const auto same = runwith({"--qha", writefile("qi_ev2.dat", "# V E\n11 1\n12 0\n11.5 0.1\n12 0.2\n13 1\n"),
                             doses(5)[0], doses(5)[1], doses(5)[2], doses(5)[3], doses(5)[4]});
  EXPECT_EQ(same.status, 1);
  EXPECT_NE(same.err.find("qi_ev2.dat:5: the volume 12 A^3 is given twice (also on line 3)"), std::string::npos)
      << same.err;
}

// Duplicates found after sorting: the earliest second line, with its first.
TEST(ThermoQhaInput, DuplicatesAreFoundAfterSorting) {
  std::string ev;
  for (int i = 0; i < 100000; ++i) ev += std::to_string(100000 - i) + " 0\n";
  ev += "7 1\n5 1\n99999 1\n";  // lines 100001 to 100003: 7 (line 99994), 5 (99996), 99999 (line 2)
  evdata data;
  problem p;
  EXPECT_FALSE(parseev(ev, data, p));
  EXPECT_EQ(p.line, 100001);
  EXPECT_EQ(p.what, "the volume 7 A^3 is given twice (also on line 99994)");
  EXPECT_TRUE(parseev("1 0\n2 0\n3 0\n", data, p));
}

// Each block of pressures after the first has a blank line before it, also
// where a pressure comes again.
TEST(ThermoQhaInput, EveryPressureBlockIsSetApart) {
  std::vector<std::string> args = {"--qha", example + "e-v.dat", "--pressure", "0,5,0", "--temperatures", "300"};
  for (const auto& d : doses(11)) args.push_back(d);
  const auto r = runwith(args);
  ASSERT_EQ(r.status, 0) << r.err;
  std::size_t blocks = 0;
  for (std::size_t p = r.out.find("# quasi-harmonic:"); p != std::string::npos; p = r.out.find("# quasi-harmonic:", p + 1)) {
    ++blocks;
    if (p > 0) {
      EXPECT_EQ(r.out.compare(p - 2, 2, "\n\n"), 0) << r.out;
    }
  }
  EXPECT_EQ(blocks, 3u);
}

}  // namespace
