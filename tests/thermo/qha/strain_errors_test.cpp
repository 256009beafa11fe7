// --qha --eos strain --error-bars: each row's jackknife against runs of
// their own on the data without each volume, the forms' spread against
// runs with each form, the spread across degrees against strainspread, and
// the columns in their order; the other forms' columns unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "qha/qhadata.hpp"
#include "testutil.hpp"
#include "thermo/formats/outputs/error_output.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/qha/qha_strain.hpp"

namespace {

using namespace thermotest;

// The data set's model as the program reads it: each DOS file's three
// points (THz, states per THz) in joules.
qhamodel modelof(const dataset& d, double gamma) {
  std::vector<harmonicdos> doses;
  for (double v : d.volume) {
    spectrum s;
    const double f = 6.0 * std::pow(v / 12.0, -gamma);
    for (int k = -1; k <= 1; ++k) {
      s.energy.push_back(planck * 1e12 * (f + k * 1e-3));
      s.dos.push_back((k == 0 ? 3.0 / 1e-3 : 0.0) / (planck * 1e12));
    }
    doses.push_back(prepare(s));
  }
  return makemodel(eos::strain, d.volume, d.energy, std::move(doses));
}

double jack(const std::vector<double>& x) {
  double mean = 0.0, s = 0.0;
  for (double v : x) mean += v / static_cast<double>(x.size());
  for (double v : x) s += (v - mean) * (v - mean);
  return std::sqrt((x.size() - 1.0) / static_cast<double>(x.size()) * s);
}

TEST(ThermoStrainErrorBars, AgainstRunsWithoutEachVolumeWithEachFormAndTheDegreesSpread) {
  dataset d = qhadata("seb", 1.7, 10);
  d.energy[3] += 0.002;  // scatter for the jackknife to see
  d.ev = evfile("seb_ev", d.volume, d.energy);
  const std::vector<std::string> grid = {"--csv", "--temperatures", "0,300,800", "--pressure", "0,3", "--eos", "strain"};
  auto args = grid;
  args.push_back("--error-bars");
  const auto r = runwith(qhaargs(d, args));
  ASSERT_EQ(r.status, 0) << r.err;
  std::string head = "linear_thermal_expansion";
  for (const char* q : rowerrornames)
    for (const char* part : {"_err_data", "_err_model", "_err_fit", "_err"}) head += std::string(",") + q + part;
  const std::string first = r.out.substr(0, r.out.find('\n'));
  EXPECT_EQ(first.substr(first.size() - head.size()), head);
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 6u);
  const auto plain = qharows(runwith(qhaargs(d, grid)).out);
  std::vector<std::vector<std::map<std::string, double>>> left, forms;
  for (std::size_t i = 0; i < d.volume.size(); ++i) {
    dataset w;
    for (std::size_t k = 0; k < d.volume.size(); ++k)
      if (k != i) w.volume.push_back(d.volume[k]), w.energy.push_back(d.energy[k]), w.doses.push_back(d.doses[k]);
    w.ev = evfile("seb_" + std::to_string(i), w.volume, w.energy);
    left.push_back(qharows(runwith(qhaargs(w, grid)).out));
    ASSERT_EQ(left.back().size(), rows.size());
  }
  for (const char* form : {"vinet", "birch_murnaghan", "murnaghan"}) {
    auto a = grid;
    a.back() = form;
    forms.push_back(qharows(runwith(qhaargs(d, a)).out));
  }
  const qhamodel m = modelof(d, 1.7);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const double t = rows[k].at("temperature"), p = k < 3 ? 0.0 : 3.0;
    qharow spread;
    ASSERT_TRUE(strainspread(m, t, p, spread));
    const double fits[] = {spread.volume, spread.gibbs_energy, spread.bulk_modulus, spread.thermal_expansion,
                           spread.heat_capacity_p};
    for (int j = 0; j < rowerrorcount; ++j) {
      const std::string q = rowerrornames[j];
      std::vector<double> x, y;
      for (const auto& l : left) x.push_back(l.at(k).at(q));
      for (const auto& f : forms) y.push_back(f.at(k).at(q));
      const auto [lo, hi] = std::minmax_element(y.begin(), y.end());
      const double data = jack(x), model = 0.5 * (*hi - *lo);
      const double fit = rows[k].at(q + "_err_fit");
      EXPECT_NEAR(rows[k].at(q + "_err_data"), data, 1e-6 * data + 1e-13) << q << " at " << t << " K, " << p << " GPa";
      EXPECT_NEAR(rows[k].at(q + "_err_model"), model, 1e-6 * model + 1e-13) << q << " at " << t << " K";
      EXPECT_NEAR(fit, fits[j], 1e-6 * fits[j] + 1e-13) << q << " at " << t << " K";
      EXPECT_EQ(rows[k].at(q + "_err"), std::hypot(rows[k].at(q + "_err_data"), rows[k].at(q + "_err_model"), fit));
      EXPECT_EQ(rows[k].at(q), plain.at(k).at(q)) << q;  // the values as without --error-bars, to the bit
      if (t > 0.0 || j < 3) {
        EXPECT_GT(data, 0.0) << q << " at " << t;
      }
    }
  }
  // The table: the total in x(u); with several phases, refused.
  const auto table = runwith(qhaargs(d, {"--temperatures", "300", "--eos", "strain", "--error-bars"}));
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_NE(table.out.find(concise(rows[1].at("volume"), rows[1].at("volume_err"), false, 5)), std::string::npos)
      << table.out;
  const auto two = runwith(phasesargs({{d.ev, d.doses}, {d.ev, d.doses}}, {"--eos", "strain", "--error-bars"}));
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.err.find("--error-bars with --eos strain goes with one phase"), std::string::npos) << two.err;
}

}  // namespace
