// lattice_thermo's command line: short usage errors with the nearest option
// to a mistyped one, one number syntax for every numeric option, and the
// temperatures a range gives.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "testutil.hpp"
#include "thermo/cli/option_names.hpp"

namespace {

using namespace thermotest;

// The first column of a CSV's rows.
std::vector<std::string> firstcolumn(const std::string& csv) {
  std::vector<std::string> v;
  std::stringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) v.push_back(line.substr(0, line.find(',')));
  return v;
}

std::string dos() { return writefile("u_dos.dat", columns(1.0)); }

// One line with the reason and a pointer to --help; for an unknown option,
// the nearest known one.
TEST(ThermoUsage, ErrorsAreOneLineWithTheNearestOption) {
  const std::string f = dos();
  struct mistyped {
    std::vector<std::string> args;
    const char* reason;
  };
  for (const mistyped& m : std::vector<mistyped>{
           {{"--t-max", "300", f}, "unknown option '--t-max'; did you mean '--tmax'?"},
           {{"--pressures", "5", f}, "unknown option '--pressures'; did you mean '--pressure'?"},
           {{"--per_atom", f}, "unknown option '--per_atom'; did you mean '--per-atom'?"},
           {{"--Tmin", "5", f}, "unknown option '--Tmin'; did you mean '--tmin'?"},
           {{"--cutoff", "0.1", f}, "unknown option '--cutoff'; did you mean '--cutoff-frequency'?"},
           {{"-tmax", "5", f}, "unknown option '-tmax'; did you mean '--tmax'?"},
           {{"--frobnicate", f}, "unknown option '--frobnicate'\n"},
           // After a value that looks like an option: still the option.
           {{"--pressure", "-5", "--qha", "ev", "--eoss", "vinet", f}, "did you mean '--eos'?"},
           {{"--tmax"}, "--tmax needs a value"},
           {{"--pds", "--unit", "THz", f}, "--unit does not go with --pds"}}) {
    const auto r = runwith(m.args);
    EXPECT_TRUE(usageerror(r)) << m.args[0];
    EXPECT_NE(r.err.find(m.reason), std::string::npos) << r.err;
  }
  // After '--' every argument is a file.
  const auto files = runwith({"--tmax", "0", "--", "--t-max"});
  EXPECT_EQ(files.status, 1);
  EXPECT_NE(files.err.find("--t-max: cannot open"), std::string::npos) << files.err;
  // The usage itself only with --help.
  const auto help = runwith({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: lattice_thermo", 0), 0u);
  EXPECT_EQ(nearestoption("--xyz", {{"--tmax", true}, {"--tmin", true}}), "");
  EXPECT_EQ(nearestoption("--t", {{"--tmax", true}, {"--tmin", true}}), "");
}

// `--opt=` with nothing after it is an error naming the option, not a
// reason to take the next argument as its value.
TEST(ThermoUsage, AnEmptyValueAfterEqualsIsAnError) {
  const std::string f = dos();
  for (const auto& [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--tmax=", "20", f}, "--tmax= gives no value"},
           {{"--pressure=", "--csv", "--qha", "ev", f}, "--pressure= gives no value"},
           {{"--unit=", "THz", f}, "--unit= gives no value"},
           {{"--csv=", f}, "--csv takes no value"}}) {
    const auto r = runwith(args);
    EXPECT_TRUE(usageerror(r)) << args[0];
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  }
}

// Every numeric option reads numbers alike: signs and exponents, never
// hexadecimal or inf; -0 is 0.
TEST(ThermoUsage, OneNumberSyntaxForEveryOption) {
  const std::string f = dos();
  const auto plain = runwith({"--csv", "--tmin", "300", "--tmax", "300", f});
  ASSERT_EQ(plain.status, 0) << plain.err;
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--tmin", "+300", "--tmax", "+3e2", "--tstep", "+10"},
           {"--temperatures", "+300"},
           {"--temperatures", " 3.0e+2 "}}) {
    std::vector<std::string> a = {"--csv"};
    a.insert(a.end(), args.begin(), args.end());
    a.push_back(f);
    const auto r = runwith(a);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
    EXPECT_EQ(r.out, plain.out) << args[0];
  }
  for (const auto& [option, value] : std::vector<std::pair<std::string, std::string>>{
           {"--tmin", "0x10"}, {"--tmax", "0x10"}, {"--tstep", "0x1p3"}, {"--temperatures", "0x10"},
           {"--atoms", "0x1"}, {"--column", "0x3"}, {"--cutoff-frequency", "0x0"}, {"--tmax", "inf"},
           {"--temperatures", "300,nan"}, {"--tmax", "1_000"}, {"--tmax", "+-3"}}) {
    const auto r = runwith({option, value, f});
    EXPECT_TRUE(usageerror(r)) << option << " " << value;
    std::string item = value.substr(value.find(',') + 1);  // in steps: g++ 12 misreads a + chain here (-Wrestrict)
    item += "' is not a number";
    EXPECT_NE(r.err.find(": '" + item), std::string::npos) << r.err;
  }
  const auto pressure = runwith({"--qha", "ev", "--pressure", "0x10", f});
  EXPECT_NE(pressure.err.find("--pressure: '0x10' is not a number"), std::string::npos) << pressure.err;
  EXPECT_TRUE(usageerror(runwith({"--column", "2.5", f})));
  // -0 is the temperature 0, printed as 0.
  const auto zero = runwith({"--csv", "--temperatures", "-0,0", f});
  ASSERT_EQ(zero.status, 0) << zero.err;
  EXPECT_EQ(firstcolumn(zero.out), (std::vector<std::string>{"0", "0"})) << zero.out;
}

// T_k = tmin + k tstep, never past tmax: the last is tmax itself where
// rounding puts tmin + k tstep a few units in the last place beyond it.
TEST(ThermoUsage, ARangeStopsAtItsEnd) {
  const std::string f = dos();
  const auto r = runwith({"--csv", "--tmax", "0.3", "--tstep", "0.1", f});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(firstcolumn(r.out), (std::vector<std::string>{"0", "0.1", "0.2", "0.3"})) << r.out;
  const auto odd = runwith({"--csv", "--tmin", "0.1", "--tmax", "0.7", "--tstep", "0.2", f});
  EXPECT_EQ(firstcolumn(odd.out).back(), "0.7") << odd.out;
  // A tmax just short of a step: the step is not taken.
  const auto shy = runwith({"--csv", "--tmax", "0.9999999999999", "--tstep", "1", f});
  EXPECT_EQ(firstcolumn(shy.out), (std::vector<std::string>{"0"})) << shy.out;
  const auto many = runwith({"--csv", "--tmax", "1000", "--tstep", "0.01", f});
  EXPECT_EQ(firstcolumn(many.out).size(), 100001u);
  EXPECT_EQ(firstcolumn(many.out).back(), "1000");
}

// Options that cannot go together, said as they are.
TEST(ThermoUsage, OptionsThatDoNotGoTogether) {
  const std::string f = dos();
  const auto twice = runwith({"--qha", "-", "-", f, f, f, f});
  EXPECT_TRUE(usageerror(twice));
  EXPECT_NE(twice.err.find("standard input ('-') may be given once only: as the E(V) file or as one DOS file"),
            std::string::npos)
      << twice.err;
  const auto yaml = runwith({"--qha", "ev", "--yaml", f, f, f, f, f});
  EXPECT_TRUE(usageerror(yaml));
  EXPECT_NE(yaml.err.find("--yaml, --write-pds and --per-atom do not go with --qha"), std::string::npos) << yaml.err;
}

}  // namespace
