// The quasi-harmonic error bars: the jackknife against the noise propagated
// through the fit on a closed case; each row's and each transition's error
// bars against runs of their own on the data without each volume and with
// each form; per formula unit; the columns, the table's concise notation,
// and the refusals; the warning where an answer is in doubt.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "qha/qhadata.hpp"
#include "testutil.hpp"
#include "thermo/formats/outputs/error_output.hpp"
#include "thermo/qha/doubt.hpp"
#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/row_errors.hpp"

namespace {

using namespace thermotest;

// x = A^-1 b for a 4x4 A, by Gauss-Jordan elimination with partial pivoting.
std::array<double, 4> solve4(hessian a, std::array<double, 4> b) {
  for (int c = 0; c < 4; ++c) {
    int p = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    std::swap(a[c], a[p]);
    std::swap(b[c], b[p]);
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      const double f = a[r][c] / a[c][c];
      for (int k = 0; k < 4; ++k) a[r][k] -= f * a[c][k];
      b[r] -= f * b[c];
    }
  }
  for (int c = 0; c < 4; ++c) b[c] /= a[c][c];
  return b;
}

TEST(ThermoErrorBars, TheJackknifeAgainstTheNoisePropagatedThroughTheFit) {
  // G_i = an exact Vinet E(V_i) plus noise of sigma = 0.5 meV, at 21
  // volumes: the jackknife's sigma of V0, over many draws of the noise,
  // against sigma sqrt((J^T J)^-1) of V0, the noise propagated through the
  // fit. The jackknife runs high by the volumes' leverage h_ii (its
  // replicates move by e_i / (1 - h_ii)); to first order in the noise its
  // mean square is sigma^2 ((n-1)/n) (sum c_i^2 (1 - h_ii) - sum_ij c_i c_j
  // (I - H)_ij / n), c_i = (J^T J)^-1 J_i / (1 - h_ii) of V0, and the draws'
  // mean must agree with that within four of its standard errors.
  const parameters p = {-4.0, 100.0 / gpa, 4.5, 12.0};
  const int n = 21, draws = 800;
  const double sigma = 5e-4;
  std::vector<volumepoint> points;
  std::vector<double> exact, zero(n, 0.0);
  for (int i = 0; i < n; ++i) {
    points.emplace_back(11.2 + 2.0 * i / (n - 1));
    exact.push_back(energy(eos::vinet, points.back().v, p.data()));
  }
  // J^T J at the exact parameters: the Hessian of the fit of the exact data.
  parameters q;
  hessian jtj;
  std::string why;
  ASSERT_TRUE(fiteos(eos::vinet, {points.data(), exact.data(), zero.data(), zero.data(), n}, q, jtj, why)) << why;
  std::vector<std::array<double, 4>> j, aj;
  for (const volumepoint& pt : points) {
    const auto s = shape(eos::vinet, pt.v, variable<double, 2>(p[2], 0), variable<double, 2>(p[3], 1));
    j.push_back(energygradient(p[1], s));
    aj.push_back(solve4(jtj, j.back()));
  }
  std::vector<double> h(n), c(n);
  for (int i = 0; i < n; ++i) {
    h[i] = 0.0;
    for (int k = 0; k < 4; ++k) h[i] += j[i][k] * aj[i][k];
    c[i] = aj[i][3] / (1.0 - h[i]);
  }
  double square = 0.0, cross = 0.0;
  for (int i = 0; i < n; ++i) {
    square += c[i] * c[i] * (1.0 - h[i]);
    for (int k = 0; k < n; ++k) {
      double hik = 0.0;
      for (int l = 0; l < 4; ++l) hik += j[i][l] * aj[k][l];
      cross += c[i] * c[k] * ((i == k ? 1.0 : 0.0) - hik);
    }
  }
  const double expected = sigma * sigma * (n - 1.0) / n * (square - cross / n);
  const double propagated = sigma * std::sqrt(solve4(jtj, {0.0, 0.0, 0.0, 1.0})[3]);
  std::mt19937_64 random(20240917);
  std::normal_distribution<double> noise(0.0, sigma);
  double sum = 0.0, sum2 = 0.0, sumvar = 0.0, sumvar2 = 0.0;
  for (int d = 0; d < draws; ++d) {
    std::vector<double> g = exact;
    for (double& x : g) x += noise(random);
    const gibbsdata data{points.data(), g.data(), zero.data(), zero.data(), n};
    ASSERT_TRUE(fiteos(eos::vinet, data, q, jtj, why)) << why;
    rowerrorbars e;
    ASSERT_TRUE(rowerrors(eos::vinet, data, 0.0, 3.0 * boltzmann / elementary, q, e, why)) << why;
    const double s = e[0].data;
    sum += s;
    sum2 += s * s;
    sumvar += s * s;
    sumvar2 += s * s * s * s;
  }
  const double mean = sum / draws, spread = std::sqrt(sum2 / draws - mean * mean);
  EXPECT_NEAR(mean, propagated, spread) << "the jackknife's sigma of V0 over the draws, against the propagated noise";
  const double meanvar = sumvar / draws, error = std::sqrt((sumvar2 / draws - meanvar * meanvar) / draws);
  EXPECT_NEAR(meanvar, expected, 4.0 * error) << "propagated " << propagated * propagated;
  EXPECT_GT(expected, propagated * propagated);  // the leverage's excess is there to be seen
}

// A data set with scatter: 9 volumes, gamma 1.7, one static energy 2 meV off.
dataset scattered(const std::string& name, double bump = 0.002) {
  dataset d = qhadata(name, 1.7);
  d.energy[2] += bump;
  d.ev = evfile(name + "_ev", d.volume, d.energy);
  return d;
}

// The same without volume i (and its DOS).
dataset without(const dataset& d, std::size_t i, const std::string& name) {
  dataset r;
  for (std::size_t k = 0; k < d.volume.size(); ++k) {
    if (k == i) continue;
    r.volume.push_back(d.volume[k]);
    r.energy.push_back(d.energy[k]);
    r.doses.push_back(d.doses[k]);
  }
  r.ev = evfile(name + std::to_string(i), r.volume, r.energy);
  return r;
}

// sqrt((n-1)/n sum (x - mean)^2) and half the range.
double jack(const std::vector<double>& x) {
  double mean = 0.0, s = 0.0;
  for (double v : x) mean += v / static_cast<double>(x.size());
  for (double v : x) s += (v - mean) * (v - mean);
  return std::sqrt((x.size() - 1.0) / static_cast<double>(x.size()) * s);
}
double halfrange(const std::vector<double>& x) {
  return 0.5 * (*std::max_element(x.begin(), x.end()) - *std::min_element(x.begin(), x.end()));
}

TEST(ThermoErrorBars, EachRowsAgainstRunsWithoutEachVolumeAndWithEachForm) {
  // The error bars of --error-bars (each fit started from the full fit's)
  // against runs of their own: the jackknife of 9 runs on 8 volumes each,
  // half the range of the three forms' runs.
  const dataset d = scattered("eb_rows");
  const std::vector<std::string> grid = {"--csv", "--temperatures", "0,150,600", "--pressure", "0,3", "--eos",
                                         "birch_murnaghan"};
  auto args = grid;
  args.push_back("--error-bars");
  const auto r = runwith(qhaargs(d, args));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 6u);
  std::vector<std::vector<std::map<std::string, double>>> left, forms;
  for (std::size_t i = 0; i < d.volume.size(); ++i) left.push_back(qharows(runwith(qhaargs(without(d, i, "eb_rows_"), grid)).out));
  for (const char* form : {"vinet", "birch_murnaghan", "murnaghan"}) {
    auto a = grid;
    a.back() = form;
    forms.push_back(qharows(runwith(qhaargs(d, a)).out));
  }
  for (std::size_t k = 0; k < rows.size(); ++k)
    for (const char* q : rowerrornames) {
      std::vector<double> x, y;
      for (const auto& l : left) x.push_back(l.at(k).at(q));
      for (const auto& f : forms) y.push_back(f.at(k).at(q));
      const double data = jack(x), model = halfrange(y), t = rows[k].at("temperature");
      const std::string c = q;
      EXPECT_NEAR(rows[k].at(c + "_err_data"), data, 1e-7 * data + 1e-13) << q << " at " << t << " K";
      EXPECT_NEAR(rows[k].at(c + "_err_model"), model, 1e-7 * model + 1e-13) << q << " at " << t << " K";
      EXPECT_NEAR(rows[k].at(c + "_err"), std::hypot(data, model), 1e-7 * std::hypot(data, model) + 1e-13) << q;
      // The columns without --error-bars are the same, to the bit.
      EXPECT_EQ(rows[k].at(c), forms[1].at(k).at(c)) << q;
      if (t > 0.0 || (c != "thermal_expansion" && c != "heat_capacity_p")) {
        EXPECT_GT(data, 0.0) << q << " at " << t;
      }
    }
  // Per formula unit: the same crystal in a doubled cell with --formula-units 2.
  const dataset twice = doubled(d, "eb_rows2");
  const auto two = runwith(phasesargs({{d.ev, d.doses}, {twice.ev, twice.doses}},
                                      {"--csv", "--temperatures", "300", "--formula-units", "1,2", "--error-bars"}));
  ASSERT_EQ(two.status, 0) << two.err;
  const auto pair = qharows(two.out);
  ASSERT_EQ(pair.size(), 2u);
  for (const char* q : rowerrornames)
    for (const char* part : {"_err_data", "_err_model", "_err"}) {
      const std::string c = std::string(q) + part;
      EXPECT_NEAR(pair[1].at(c), pair[0].at(c), 1e-6 * pair[0].at(c)) << c;
    }
}

TEST(ThermoErrorBars, EachTransitionsAgainstRunsWithoutEachVolumeAndWithEachForm) {
  // Phase B: phase A's scattered data with every volume 3 % smaller and 10
  // meV higher. The jackknife of each phase in turn (the other whole),
  // their variances added; half the range over the forms, both phases alike.
  const dataset a = scattered("eb_tr_a");
  std::vector<double> v, e;
  for (std::size_t i = 0; i < a.volume.size(); ++i) {
    v.push_back(0.97 * a.volume[i]);
    e.push_back(a.energy[i] + 0.01 + (i == 5 ? -0.001 : 0.0));
  }
  dataset b = a;
  b.volume = v;
  b.energy = e;
  b.ev = evfile("eb_tr_b", v, e);
  const std::vector<std::string> grid = {"--csv", "--temperatures", "0,300,900", "--transitions", "0,10"};
  auto args = grid;
  args.push_back("--error-bars");
  const auto r = runwith(phasesargs({{a.ev, a.doses}, {b.ev, b.doses}}, args));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "temperature,phase_low,phase_high,pressure,volume_change,entropy_change,clapeyron_slope,pressure_err_data,"
            "pressure_err_model,pressure_err,clapeyron_slope_err_data,clapeyron_slope_err_model,clapeyron_slope_err");
  const auto rows = qharows(r.out);
  ASSERT_EQ(rows.size(), 3u) << r.out;
  std::vector<std::vector<std::map<std::string, double>>> lefta, leftb, forms;
  for (std::size_t i = 0; i < a.volume.size(); ++i) {
    const dataset ai = without(a, i, "eb_tr_a_"), bi = without(b, i, "eb_tr_b_");
    lefta.push_back(qharows(runwith(phasesargs({{ai.ev, ai.doses}, {b.ev, b.doses}}, grid)).out));
    leftb.push_back(qharows(runwith(phasesargs({{a.ev, a.doses}, {bi.ev, bi.doses}}, grid)).out));
  }
  for (const char* form : {"vinet", "birch_murnaghan", "murnaghan"}) {
    auto g = grid;
    g.push_back("--eos");
    g.push_back(form);
    forms.push_back(qharows(runwith(phasesargs({{a.ev, a.doses}, {b.ev, b.doses}}, g)).out));
  }
  for (std::size_t k = 0; k < rows.size(); ++k)
    for (const std::string q : {"pressure", "clapeyron_slope"}) {
      std::vector<double> x, y, z;
      for (const auto& l : lefta) x.push_back(l.at(k).at(q));
      for (const auto& l : leftb) y.push_back(l.at(k).at(q));
      for (const auto& f : forms) z.push_back(f.at(k).at(q));
      const double data = std::hypot(jack(x), jack(y)), model = halfrange(z), t = rows[k].at("temperature");
      // p_t to some 1e-13 GPa in each run: the jackknife's differences to 1e-9.
      EXPECT_NEAR(rows[k].at(q + "_err_data"), data, 1e-6 * data + 1e-12) << q << " at " << t << " K";
      EXPECT_NEAR(rows[k].at(q + "_err_model"), model, 1e-6 * model + 1e-12) << q << " at " << t << " K";
      if (q == "pressure" || t > 0.0) {
        EXPECT_GT(data, 0.0) << q << " at " << t;
      }
    }
}

TEST(ThermoErrorBars, ColumnsTableAndRefusals) {
  const dataset d = scattered("eb_cols");
  const auto r = runwith(qhaargs(d, {"--csv", "--temperatures", "300", "--error-bars"}));
  ASSERT_EQ(r.status, 0) << r.err;
  std::string head = "temperature,volume,gibbs_energy,bulk_modulus,thermal_expansion,heat_capacity_p,heat_capacity_v,"
                     "gruneisen,entropy,bulk_modulus_s,bulk_modulus_prime,fit_rms,linear_thermal_expansion";
  for (const char* q : rowerrornames) head += std::string(",") + q + "_err_data," + q + "_err_model," + q + "_err";
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), head);
  // Several phases: after `stable`, the columns of one phase unchanged before it.
  const auto two = runwith(phasesargs({{d.ev, d.doses}, {d.ev, d.doses}}, {"--csv", "--temperatures", "300",
                                                                           "--pressure", "0,1", "--error-bars"}));
  EXPECT_EQ(two.out.rfind("pressure,phase,temperature,volume,", 0), 0u) << two.err;
  EXPECT_NE(two.out.find("linear_thermal_expansion,stable,volume_err_data,"), std::string::npos);
  // The table: value(error) in the five columns.
  const auto table = runwith(qhaargs(d, {"--temperatures", "300", "--error-bars"}));
  const auto row = qharows(r.out)[0];
  const std::string v = concise(row.at("volume"), row.at("volume_err"), false, 5);
  EXPECT_NE(table.out.find("   300.00 " + std::string(15 - 1 - v.size(), ' ') + v), std::string::npos) << table.out;
  EXPECT_NE(table.out.find(concise(row.at("thermal_expansion"), row.at("thermal_expansion_err"), true, 4)),
            std::string::npos);
  // Fewer than 6 volumes, or no --qha: usage errors.
  const auto five = runwith(qhaargs(qhadata("eb_five", 1.7, 5), {"--error-bars"}));
  EXPECT_EQ(five.status, 2);
  EXPECT_NE(five.err.find("--error-bars needs 6 volumes or more (the fit's 5 and one to leave out); it has 5"),
            std::string::npos)
      << five.err;
  EXPECT_TRUE(five.out.empty());
  const auto harmonic = runwith({"--error-bars", d.doses[0]});
  EXPECT_EQ(harmonic.status, 2);
  EXPECT_NE(harmonic.err.find("--error-bars go with --qha"), std::string::npos) << harmonic.err;
  // The grid mode's, after its columns; no b's where b is a.
  const std::string grid = std::string(LHC_EXAMPLES) + "/cu_hcp_grid_emt";
  std::vector<std::string> args = {"--qha-grid", grid + "/grid.dat", "--csv", "--temperatures", "300", "--error-bars"};
  for (int i = 1; i <= 49; ++i) args.push_back(grid + (i < 10 ? "/g0" : "/g") + std::to_string(i) + "/total_dos.dat");
  const auto ongrid = runwith(args);
  EXPECT_EQ(ongrid.status, 0) << ongrid.err;
  EXPECT_NE(ongrid.out.find(",fit_rms,a_err_data,a_err_model,a_err,c_err_data,"), std::string::npos) << ongrid.out;
  EXPECT_NE(ongrid.out.find(",heat_capacity_p_err,gibbs_energy_err_data,gibbs_energy_err_model,gibbs_energy_err\n"),
            std::string::npos);
  EXPECT_EQ(ongrid.out.find("b_err"), std::string::npos);
  // --lattice's lengths are values: after the row's, before the error bars.
  std::string lat;
  for (double v : d.volume) lat += shortest(std::cbrt(v)) + " " + shortest(std::cbrt(v)) + " " + shortest(std::cbrt(v)) + "\n";
  const auto path = runwith(qhaargs(d, {"--csv", "--temperatures", "300", "--error-bars", "--lattice",
                                        writefile("eb_cols_lat", lat)}));
  ASSERT_EQ(path.status, 0) << path.err;
  std::string withpath = head;
  withpath.insert(withpath.find(",volume_err_data"), ",a,b,c,alpha_a,alpha_b,alpha_c");
  EXPECT_EQ(path.out.substr(0, path.out.find('\n')), withpath);
  const auto pathrow = qharows(path.out)[0];
  EXPECT_EQ(pathrow.at("volume_err"), row.at("volume_err"));
  EXPECT_NEAR(pathrow.at("a"), std::cbrt(row.at("volume")), 1e-12);
}

TEST(ThermoErrorBars, ConciseNotation) {
  EXPECT_EQ(concise(11.79852, 0.00031, false, 5), "11.79852(31)");
  EXPECT_EQ(concise(-20.01872, 0.00113, false, 5), "-20.0187(11)");
  EXPECT_EQ(concise(88.04, 11.3, false, 4), "88(11)");
  // An error bar that rounds up to three digits keeps two.
  EXPECT_EQ(concise(23.304946, 0.000998, false, 5), "23.3049(10)");
  EXPECT_EQ(concise(6.241e-5, 9.97e-8, true, 4), "6.241(10)e-05");
  EXPECT_EQ(concise(6.241e-5, 1.14e-7, true, 4), "6.241(11)e-05");
  EXPECT_EQ(concise(-3.2e-7, 4.1e-7, true, 4), "-3.2(41)e-07");
  // A mantissa that rounds up to 10 takes the next power.
  EXPECT_EQ(concise(9.99996e-5, 3e-8, true, 4), "1.00000(30)e-04");
  EXPECT_EQ(concise(0.0, 0.0, true, 4), "0.0000(0)e+00");
  EXPECT_EQ(concise(24.5, 0.0, false, 6), "24.500000(0)");
  EXPECT_EQ(concise(1.5, NAN, false, 4), "1.5000(nan)");
}

TEST(ThermoErrorBars, TheDoubtTest) {
  // Per cell of one atom, V = 12 A^3, B_T = 100 GPa: alpha's classical
  // scale 3 k_B / (B_T V) is 3.45e-5 /K, half of it the floor.
  const double floor = 0.5 * 3.0 * boltzmann / (100e9 * 12e-30);
  rowerrorbars e{};
  double share = 0.0;
  auto test = [&](double alpha, double erralpha) {
    const double values[rowerrorcount] = {12.0, -5.0, 100.0, alpha, 20.0};
    e[3].data = erralpha;
    return doubtful(values, e, 1.0, share);
  };
  EXPECT_EQ(test(6e-5, 0.14 * 6e-5), -1);
  EXPECT_EQ(test(6e-5, 0.16 * 6e-5), 3);
  EXPECT_NEAR(share, 0.16, 1e-12);
  // Near zero, as silicon's alpha crosses it: against the floor.
  EXPECT_EQ(test(1e-8, 0.14 * floor), -1);
  EXPECT_EQ(test(-1e-8, 0.16 * floor), 3);
  EXPECT_NEAR(share, 0.16, 1e-9);
  // G is not judged, V and B_T are, and the largest share is named.
  e = {};
  e[1].data = 1e3;
  EXPECT_EQ(test(6e-5, 0.0), -1);
  e[2].model = 20.0;
  e[0].data = 2.0;
  EXPECT_EQ(test(6e-5, 0.0), 2);
  // The checkpoints of a run without error bars.
  std::vector<long> at;
  for (long i = 0; i < 1001; ++i)
    if (doubtcheckpoint(i, 1001)) at.push_back(i);
  EXPECT_EQ(at, (std::vector<long>{250, 500, 750, 1000}));
  EXPECT_TRUE(doubtcheckpoint(10, 11));
  EXPECT_FALSE(doubtcheckpoint(5, 11));
}

TEST(ThermoErrorBars, TheDoubtWarning) {
  // 10 meV off at one of 9 volumes: B_T in doubt from 0 K.
  const dataset d = scattered("eb_doubt", 0.01);
  const auto plain = runwith(qhaargs(d, {"--csv", "--pressure", "0,2"}));
  ASSERT_EQ(plain.status, 0) << plain.err;
  // Without --error-bars: judged at 250, 500, 750 and 1000 K.
  EXPECT_NE(plain.err.find("lattice_thermo: " + showpath(d.ev) + ": warning: at 250 K and 0 GPa B_T = "),
            std::string::npos)
      << plain.err;
  EXPECT_NE(plain.err.find("at 250 K and 2 GPa B_T"), std::string::npos) << plain.err;
  EXPECT_NE(plain.err.find("more than 15 %: the volumes do not pin it down"), std::string::npos) << plain.err;
  EXPECT_EQ(plain.err.find("at 500 K"), std::string::npos) << "once per pressure";
  // --strict makes it an error, with no rows.
  const auto strict = runwith(qhaargs(d, {"--csv", "--pressure", "0,2", "--strict"}));
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out, "");
  EXPECT_EQ(strict.err, plain.err + "lattice_thermo: --strict: no rows, as it makes every warning above an error\n");
  // With them: every row judged, the first in doubt named (at 0 GPa before
  // the first checkpoint, at 2 GPa the first row).
  const auto all = runwith(qhaargs(d, {"--csv", "--pressure", "0,2", "--error-bars"}));
  const std::size_t at = all.err.find("warning: at ") + 12;
  EXPECT_LT(std::stod(all.err.substr(at)), 250.0) << all.err;
  EXPECT_EQ(all.err.substr(all.err.find(" K", at), 17), " K and 0 GPa B_T ") << all.err;
  EXPECT_NE(all.err.find("warning: at 0 K and 2 GPa B_T = "), std::string::npos) << all.err;
  // Exact data with B0' = 0.5, once warned of for its B0' alone: silent.
  const auto soft = runwith(qhaargs(qhadata("eb_soft", 1.7, 9, 11.2, 13.2, 0.5), {"--csv", "--tmax", "300"}));
  EXPECT_EQ(soft.status, 0);
  EXPECT_EQ(soft.err, "");
  // The copper example from 0 to 1,500 K at 0 and 5 GPa: silent but for
  // its rows' end at 0 GPa.
  std::vector<std::string> args = {"--qha", std::string(LHC_EXAMPLE) + "/e-v.dat", "--csv", "--tmax", "1500",
                                   "--pressure", "0,5", "--error-bars"};
  for (int i = 1; i <= 11; ++i) args.push_back(std::string(LHC_EXAMPLE) + (i < 10 ? "/v0" : "/v") + std::to_string(i) + "/total_dos.dat");
  const auto cu = runwith(args);
  EXPECT_EQ(cu.status, 0);
  EXPECT_EQ(cu.err.find("warning: at "), cu.err.rfind("warning: at ")) << cu.err;
  EXPECT_NE(cu.err.find("leaves the volumes sampled"), std::string::npos) << cu.err;
}

}  // namespace
