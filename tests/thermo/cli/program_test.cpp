// lattice_thermo as a whole: units, several files and their order, every
// kind of bad input, usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "testutil.hpp"

namespace {

using namespace thermotest;

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

TEST(ThermoProgram, RowsAreTheSameAloneOrAmongOthers) {
  const std::string one = writefile("one.dat", columns(1.0)), two = writefile("two.dat", columns(1.0, "! other\n\n"));
  const auto alone = runwith({"--csv", "--tmax", "50", one});
  const auto both = runwith({"--csv", "--tmax", "50", two, one});
  ASSERT_EQ(both.status, 0);
  EXPECT_NE(both.out.find(amongothers(one, alone.out)), std::string::npos);
  EXPECT_EQ(both.out.rfind("file,temperature,free_energy,entropy,heat_capacity,energy,debye_temperature,"
                           "sampling_limit\n",
                           0),
            0u);
}

// Many files are done two at a time: the output must still be each file's
// own, in the order given, good or bad, and a failed write stops the run.
TEST(ThermoProgram, ManyFilesKeepTheirOrder) {
  std::vector<std::string> args = {"--csv", "--tmax", "200"};
  std::string wantout = "file,temperature,free_energy,entropy,heat_capacity,energy,debye_temperature,sampling_limit\n";
  std::string wanterr;
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
    EXPECT_EQ(linesabout(r.err, path), 1) << c.name << ": " << r.err;
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
  EXPECT_NE(warned.err.find("% of the states take no part: they lie at or below zero energy"), std::string::npos) << warned.err;
}

TEST(ThermoProgram, UsageErrorsExitTwo) {
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {}, {"--bogus", "f"}, {"--unit"}, {"--unit", "K", "f"}, {"--tstep", "0", "f"}, {"--tmax", "x", "f"}}) {
    EXPECT_TRUE(usageerror(runwith(args))) << (args.empty() ? "" : args[0]);
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
