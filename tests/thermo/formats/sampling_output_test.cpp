// The sampling limit in each output: the table's header and its marked rows,
// the CSV's last column, the YAML's key; the same value in all three.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "testutil.hpp"

namespace {

using namespace thermotest;

// A Debye DOS of theta 300 K in THz, steps of `step` THz from below zero.
std::string debyefile(const std::string& name, double step) {
  const double fd = boltzmann * 300.0 / planck / 1e12;
  std::string s = "# Frequency(THz) DOS\n";
  char buf[96];
  for (double f = -2.5 * step; f <= fd; f += step) {
    std::snprintf(buf, sizeof buf, "%.12f %.12f\n", f, f > 0 ? 9.0 * f * f / (fd * fd * fd) : 0.0);
    s += buf;
  }
  return writefile(name, s);
}

// The value after `key` up to the next blank, as a number.
double after(const std::string& text, const std::string& key) {
  const std::size_t p = text.find(key);
  if (p == std::string::npos) return NAN;
  return std::stod(text.substr(p + key.size()));
}

TEST(ThermoSamplingOutput, TableCsvAndYamlAgreeAndRowsBelowAreMarked) {
  const std::string f = debyefile("s_debye.dat", 0.2);
  const auto table = runwith({"--tmax", "40", "--tstep", "2", f});
  ASSERT_EQ(table.status, 0) << table.err;
  const double limit = after(table.out, "# sampling limit: ");
  ASSERT_GT(limit, 4.0) << table.out;
  ASSERT_LT(limit, 36.0) << table.out;
  EXPECT_NE(table.out.find("K (below it the DOS's lowest energy steps decide C and theta_D: rows marked "
                           "\"# unresolved\")\n"),
            std::string::npos)
      << table.out;
  // Rows above 0 K and below the limit end in the mark; every row keeps its
  // six numbers before any '#', so that readers of columns still read it.
  std::stringstream lines(table.out);
  std::string line;
  int rows = 0, marked = 0;
  while (std::getline(lines, line)) {
    if (line[0] == '#') continue;
    ++rows;
    std::stringstream fields(line.substr(0, line.find('#')));
    std::vector<std::string> v;
    for (std::string x; fields >> x;) v.push_back(x);
    ASSERT_EQ(v.size(), 6u) << line;
    const double t = std::stod(v[0]);
    const bool mark = line.size() > 14 && line.compare(line.size() - 14, 14, "  # unresolved") == 0;
    EXPECT_EQ(mark, t > 0.0 && t < limit) << line;
    marked += mark;
  }
  EXPECT_EQ(rows, 21);
  EXPECT_EQ(marked, static_cast<int>(std::ceil(limit / 2.0)) - 1);

  // The CSV ends every row in the same value; the YAML holds it once.
  const auto csv = runwith({"--csv", "--tmax", "40", "--tstep", "2", f});
  EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
            "temperature,free_energy,entropy,heat_capacity,energy,debye_temperature,sampling_limit");
  std::stringstream csvlines(csv.out);
  std::getline(csvlines, line);
  while (std::getline(csvlines, line)) EXPECT_EQ(std::stod(line.substr(line.rfind(',') + 1)), limit) << line;
  const auto yaml = runwith({"--yaml", "--tmax", "40", f});
  EXPECT_EQ(after(yaml.out, "\nsampling_limit: "), limit) << yaml.out;
}

TEST(ThermoSamplingOutput, EachFileOfACsvHasItsOwn) {
  // Half the step, half the limit; each file's rows carry its own.
  const std::string coarse = debyefile("s_coarse.dat", 0.2), fine = debyefile("s_fine.dat", 0.1);
  const auto both = runwith({"--csv", "--tmax", "10", coarse, fine});
  ASSERT_EQ(both.status, 0) << both.err;
  const double lc = after(runwith({coarse}).out, "# sampling limit: "),
               lf = after(runwith({fine}).out, "# sampling limit: ");
  EXPECT_NEAR(lf / lc, 0.5, 0.01);
  std::stringstream lines(both.out);
  std::string line;
  std::getline(lines, line);
  int n = 0;
  while (std::getline(lines, line)) {
    const double v = std::stod(line.substr(line.rfind(',') + 1));
    EXPECT_EQ(v, line.rfind(coarse, 0) == 0 ? lc : lf) << line;
    ++n;
  }
  EXPECT_EQ(n, 4);
}

}  // namespace
