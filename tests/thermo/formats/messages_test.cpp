// Messages that said something else than what was wrong: an item cut short
// at a NUL byte, and --atoms below one atom.
#include <gtest/gtest.h>

#include <string>

#include "testutil.hpp"

namespace {

using namespace thermotest;

// A smooth DOS in THz holding `states` states.
std::string holding(double states) {
  std::string s;
  char buf[64];
  for (int i = 1; i <= 200; ++i) {
    const double f = 0.05 * i;
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f, f * f * (10.0 - f) * states * 12.0 / 1e4);
    s += buf;
  }
  return s;
}

// A NUL byte past the first block (where the file is not taken for binary)
// is shown as \x00 with the rest of the item.
TEST(ThermoMessages, ANulByteIsShownInTheItem) {
  std::string text = columns(1.0);
  while (text.size() < (100u << 10)) text += "# padding past the first block of 64 KiB\n";
  text += std::string("11 5\0" "7\n", 7);
  const std::string path = writefile("ms_nul.dat", text);
  const auto r = runwith({path});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(": item 2 is not a number: \"5\\x007\"\n"), std::string::npos) << r.err;
}

// --atoms below 1 with a DOS of one atom: the message names the conflict
// with --atoms, not a DOS of less than one atom; for a mesh, with natom.
TEST(ThermoMessages, AtomsBelowOneNameTheConflict) {
  const std::string f = writefile("ms_atoms.dat", holding(3.0));
  const auto r = runwith({"--atoms", "0.001", "--tmax", "0", f});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("less than one atom's"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("more than 1 % from 0.001 (--atoms)"), std::string::npos) << r.err;
  const auto mesh = runwith({"--atoms", "0.001", "--tmax", "0",
                             writefile("ms_atoms.yaml", meshyaml({"1"}, {{"1", "2", "3"}}))});
  EXPECT_NE(mesh.err.find("warning: natom is 1, but --atoms 0.001 is used"), std::string::npos) << mesh.err;
  // Without --atoms, a DOS of less than one atom still says so.
  const auto small = runwith({"--tmax", "0", writefile("ms_small.dat", holding(0.1))});
  EXPECT_NE(small.err.find("less than one atom's 3: check its unit"), std::string::npos) << small.err;
}

}  // namespace
