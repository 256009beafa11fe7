// Helpers of lattice_thermo's tests: made-up DOS, files, and whole runs of
// the program with their output captured.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "common/channel.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/dos.hpp"
#include "thermo/cli/driver.hpp"

namespace thermotest {

using namespace thermo;

// A Debye DOS of one atom per cell, 9 E^2 / E_D^3 up to E_D = k_B theta, in
// joules, on n + 1 points.
inline spectrum debyedos(double theta, int n) {
  spectrum s;
  const double ed = boltzmann * theta;
  for (int i = 0; i <= n; ++i) {
    const double e = ed * i / n;
    s.energy.push_back(e);
    s.dos.push_back(9.0 * e * e / (ed * ed * ed));
  }
  return s;
}

// The whole program, its standard output, error and status.
struct outcome {
  int status;
  std::string out, err;
};
inline int runon(std::vector<std::string> args, common::outchannel& out, common::outchannel& err) {
  args.insert(args.begin(), "lattice_thermo");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  return thermo::run(static_cast<int>(argv.size()), argv.data(), out, err);
}
inline outcome runwith(std::vector<std::string> args) {
  common::stringchannel out, err;
  const int status = runon(std::move(args), out, err);
  return {status, out.text(), err.text()};
}

inline std::string writefile(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + "thermo_" + std::to_string(::getpid()) + "_" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// A smooth DOS in THz, with its energies scaled to another unit.
inline std::string columns(double perthz, const char* comment = "# f dos\n") {
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

// A mesh.yaml of one atom in phonopy's layout: a q-point for each of
// `weights` (written as given; "" for none) with the three frequencies of
// `freqs` at the same place (THz, as written), with or without
// eigenvectors.
inline std::string meshyaml(const std::vector<std::string>& weights, const std::vector<std::array<std::string, 3>>& freqs,
                            bool eigenvectors = false) {
  std::string s = "mesh: [ 2, 2, 2 ]\nnqpoint: " + std::to_string(weights.size()) +
                  "\nreciprocal_lattice:\n- [ 1, 0, 0 ] # a*\nnatom:   1\n"
                  "points:\n- symbol: Cu # 1\n  coordinates: [ 0, 0, 0 ]\n  mass: 63.546\n\nphonon:\n";
  for (std::size_t q = 0; q < weights.size(); ++q) {
    s += "- q-position: [ 0.25, 0.0, 0.0 ]\n  distance_from_gamma:  0.25\n";
    if (!weights[q].empty()) s += "  weight: " + weights[q] + "\n";
    s += "  band:\n";
    for (int b = 0; b < 3; ++b) {
      s += "  - # " + std::to_string(b + 1) + "\n    frequency:     " + freqs[q][static_cast<std::size_t>(b)] + "\n";
      if (eigenvectors)
        s += "    eigenvector:\n    - # atom 1\n      - [  0.70710678, 0.0 ]\n      - [ -0.70710678, 0.0 ]\n"
             "      - [  0.00000000, 0.0 ]\n";
    }
    s += "\n";
  }
  return s;
}

// The CSV rows of one file run alone as they read in a run of several: the
// header dropped and the file's name before each row.
inline std::string amongothers(const std::string& path, const std::string& csv) {
  std::string rows;
  for (std::size_t p = csv.find('\n') + 1; p < csv.size();) {
    const std::size_t e = csv.find('\n', p);
    rows += path + "," + csv.substr(p, e + 1 - p);
    p = e + 1;
  }
  return rows;
}

// Whether a run ended with a usage error as the program gives one: status
// 2, nothing on standard output, and on standard error one line with the
// reason and a pointer to --help (never the whole usage).
inline ::testing::AssertionResult usageerror(const outcome& r) {
  const std::string tail = "\ntry 'lattice_thermo --help'\n";
  const bool shape = r.err.rfind("lattice_thermo: ", 0) == 0 && r.err.size() > tail.size() &&
                     r.err.compare(r.err.size() - tail.size(), tail.size(), tail) == 0 &&
                     r.err.find('\n') == r.err.size() - tail.size();
  if (r.status == 2 && r.out.empty() && shape) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "status " << r.status << ", standard error:\n" << r.err;
}

// How many lines of a run's standard error are about the file at path.
inline int linesabout(const std::string& err, const std::string& path) {
  int n = 0;
  for (std::size_t p = 0; p < err.size(); p = err.find('\n', p) + 1) {
    if (err.compare(p, 16 + path.size() + 1, "lattice_thermo: " + path + ":") == 0) ++n;
    if (err.find('\n', p) == std::string::npos) break;
  }
  return n;
}

}  // namespace thermotest
