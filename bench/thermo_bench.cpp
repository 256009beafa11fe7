// Costs of lattice_thermo at database scale: the mode sums of one
// temperature mode by mode, one temperature's functions against the DOS
// size below and above E_max / 2 k_B, the column reader from memory and from
// a file, a DOS's preparation, the theta solver, and whole runs on one large
// DOS (20,001 points at 1..1000 K) and on many files (2,001 points each at
// 0..1000 K in 10 K steps), the same on the oxide-like DOS of
// tools/compare_pymatgen, the sums above the kernel's split mode by mode and
// by the quadrature's bins, the quasi-harmonic mode, two phases' transitions
// and the grid mode (25 cells of 3,001 points at 1,001 temperatures, beside the
// harmonic mode on the same files), with the CSV written to a string.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/channel.hpp"
#include "thermo/cli/driver.hpp"
#include "thermo/formats/text/columns.hpp"
#include "thermo/formats/text/input.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/debye.hpp"
#include "thermo/harmonic/dos.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/kernel.hpp"

namespace {

namespace fs = std::filesystem;

// A smooth two-peak DOS in THz on n points above zero up to 10 THz; `shift`
// moves the broad peak so that files differ.
std::string dostext(int n, double shift) {
  std::string s;
  char buf[80];
  for (int i = 1; i <= n; ++i) {
    const double f = 10.0 * i / n;
    const double a = (f - 4.0 - shift) / 3.0, b = (f - 8.0) / 0.5;
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f, f * f * std::exp(-a * a) + 1.5 * std::exp(-b * b));
    s += buf;
  }
  return s;
}

// A typical oxide's DOS, f^2 e^(-f/3) (1 + 0.2 sin(3f + 1)) on n points
// from 0 to 20 `stretch` THz, as phonopy writes total_dos.dat (a Sigma line,
// %.10f): below about 500 K most of its modes are above the kernel's split.
std::string oxidetext(int n, double stretch) {
  std::string s = "# Sigma = 0.100000\n";
  char buf[80];
  for (int i = 0; i < n; ++i) {
    const double f = 20.0 * stretch * i / (n - 1);
    std::snprintf(buf, sizeof buf, "%.10f %.10f\n", f, f * f * std::exp(-f / 3.0) * (1.0 + 0.2 * std::sin(3.0 * f + 1.0)));
    s += buf;
  }
  return s;
}

// Files written once per process into a scratch directory.
struct scratch {
  fs::path dir = fs::temp_directory_path() / ("thermo_bench_" + std::to_string(::getpid()));
  std::string big, oxide;
  std::vector<std::string> many, oxides;
  scratch() {
    fs::create_directories(dir);
    big = write("big.dat", dostext(20001, 0.0));
    for (int i = 0; i < 500; ++i) many.push_back(write("dos" + std::to_string(i) + ".dat", dostext(2001, 0.001 * i)));
    oxide = write("oxide.dat", oxidetext(20001, 1.0));
    for (int i = 0; i < 500; ++i)
      oxides.push_back(write("oxide" + std::to_string(i) + ".dat", oxidetext(2001, 1.0 + 0.0002 * i)));
  }
  ~scratch() { fs::remove_all(dir); }
  std::string write(const std::string& name, const std::string& text) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
};
scratch& files() {
  static scratch s;
  return s;
}

// The DOS of dostext on n points, in SI units, without the text.
thermo::spectrum twopeaks(int n) {
  thermo::spectrum sp;
  const double thz = thermo::planck * 1e12;
  for (int i = 1; i <= n; ++i) {
    const double f = 10.0 * i / n;
    const double a = (f - 4.0) / 3.0, b = (f - 8.0) / 0.5;
    sp.energy.push_back(f * thz);
    sp.dos.push_back((f * f * std::exp(-a * a) + 1.5 * std::exp(-b * b)) / thz);
  }
  return sp;
}

thermo::harmonicdos preparedos(int n) { return thermo::prepare(twopeaks(n)); }

// One temperature's four sums over 20,001 modes, every mode by the per-mode
// kernel, per mode.
void thermo_mode_sums(benchmark::State& state) {
  const thermo::harmonicdos d = preparedos(20001);
  double kt = 1.380649e-23 * static_cast<double>(state.range(0));
  double out[4];
  for (auto _ : state) {
    benchmark::DoNotOptimize(kt);
    thermo::modesums(d.energy.data(), d.weight.data(), d.energy.size(), kt, out);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(d.energy.size()));
}
BENCHMARK(thermo_mode_sums)->Arg(10)->Arg(300);

// One temperature's four functions as the program computes them, against
// the DOS size (points up to 10 THz, E_max / 2 k_B = 240 K): at 100 K, 58 %
// of the modes lie above the split and are summed one by one; at 600 K
// every mode lies below it and the moments take them all.
void thermo_temperature(benchmark::State& state) {
  const thermo::harmonicdos d = preparedos(static_cast<int>(state.range(0)));
  double t = state.range(1) ? 600.0 : 100.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t);
    benchmark::DoNotOptimize(thermo::evaluate(d, t));
  }
  state.SetLabel(state.range(1) ? "600 K, above" : "100 K, below");
}
BENCHMARK(thermo_temperature)->ArgsProduct({{1000, 10000, 100000, 1000000}, {0, 1}});

// A DOS made ready for the sums (trapezoid weights, totals, moments), per
// point.
void thermo_prepare(benchmark::State& state) {
  const thermo::spectrum sp = twopeaks(20001);
  for (auto _ : state) benchmark::DoNotOptimize(thermo::prepare(sp));
  state.SetItemsProcessed(state.iterations() * 20001);
}
BENCHMARK(thermo_prepare)->Unit(benchmark::kMicrosecond);

void thermo_read_columns(benchmark::State& state) {
  const std::string text = dostext(20001, 0.0);
  thermo::spectrum sp;
  thermo::problem p;
  for (auto _ : state) {
    benchmark::DoNotOptimize(thermo::parsecolumns(text, thermo::unit::thz, sp, p));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  state.SetItemsProcessed(state.iterations() * 20001);  // lines
}
BENCHMARK(thermo_read_columns)->Unit(benchmark::kMillisecond);

// The same file read and checked from disk (the page cache), as the program
// reads it, per line.
void thermo_read_column_file(benchmark::State& state) {
  const std::string path = files().big;
  thermo::spectrum sp;
  thermo::columninfo info;
  thermo::problem p;
  std::vector<char> storage;
  for (auto _ : state) {
    thermo::source in;
    std::string why;
    if (!in.open(path, why) || !thermo::readcolumns(in, {}, sp, info, p, storage)) state.SkipWithError("read failed");
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 20001);
}
BENCHMARK(thermo_read_column_file)->Unit(benchmark::kMillisecond);

void thermo_debye_temperature(benchmark::State& state) {
  double r = 0.3 + 0.001 * static_cast<double>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(thermo::debyetemperature(r, 300.0));
  }
}
BENCHMARK(thermo_debye_temperature)->Arg(0)->Arg(650);

void runthermo(benchmark::State& state, std::vector<std::string> args) {
  args.insert(args.begin(), "lattice_thermo");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  for (auto _ : state) {
    common::stringchannel out, err;
    if (thermo::run(static_cast<int>(argv.size()), argv.data(), out, err) != 0) state.SkipWithError("run failed");
    benchmark::DoNotOptimize(out.text().data());
  }
}

void thermo_one_large_dos(benchmark::State& state) {
  runthermo(state, {"--csv", "--tmin", "1", "--tmax", "1000", "--tstep", "1", files().big});
  state.SetItemsProcessed(state.iterations() * 20001 * 1000);  // point-temperature pairs
}
BENCHMARK(thermo_one_large_dos)->Unit(benchmark::kMillisecond)->UseRealTime();

void thermo_many_files(benchmark::State& state) {
  std::vector<std::string> args = {"--csv"};
  args.insert(args.end(), files().many.begin(), files().many.end());
  runthermo(state, args);
  state.SetItemsProcessed(state.iterations() * 500 * 2001 * 101);
}
BENCHMARK(thermo_many_files)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same two runs on the oxide-like DOS of tools/compare_pymatgen, whose
// modes lie mostly above the split below 500 K.
void thermo_one_oxide_dos(benchmark::State& state) {
  runthermo(state, {"--csv", "--tmin", "1", "--tmax", "1000", "--tstep", "1", files().oxide});
  state.SetItemsProcessed(state.iterations() * 20001 * 1000);
}
BENCHMARK(thermo_one_oxide_dos)->Unit(benchmark::kMillisecond)->UseRealTime();

void thermo_many_oxide_files(benchmark::State& state) {
  std::vector<std::string> args = {"--csv"};
  args.insert(args.end(), files().oxides.begin(), files().oxides.end());
  runthermo(state, args);
  state.SetItemsProcessed(state.iterations() * 500 * 2001 * 101);
}
BENCHMARK(thermo_many_oxide_files)->Unit(benchmark::kMillisecond)->UseRealTime();

// The sums above the split over the oxide-like DOS's 20,001 modes at one
// temperature, mode by mode (0) and by the bins of quadrature.hpp (1), per
// mode; and the bins' making (per mode).
void thermo_high_sums(benchmark::State& state) {
  thermo::spectrum sp;
  thermo::problem p;
  if (!thermo::parsecolumns(oxidetext(20001, 1.0), thermo::unit::thz, sp, p)) std::abort();
  const thermo::harmonicdos d = thermo::prepare(sp);
  thermo::modequadrature q;
  if (state.range(1)) q.build(d.energy.data(), d.weight.data(), d.energy.size());
  double kt = thermo::boltzmann * static_cast<double>(state.range(0));
  double out[4];
  for (auto _ : state) {
    benchmark::DoNotOptimize(kt);
    thermo::modesumsof(d, kt, out, state.range(1) ? &q : nullptr);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * 20001);
  state.SetLabel(state.range(1) ? "bins" : "mode by mode");
}
BENCHMARK(thermo_high_sums)->ArgsProduct({{10, 100, 300}, {0, 1}});

void thermo_quadrature_build(benchmark::State& state) {
  const thermo::harmonicdos d = preparedos(20001);
  for (auto _ : state) {
    thermo::modequadrature q;
    q.build(d.energy.data(), d.weight.data(), d.energy.size());
    benchmark::DoNotOptimize(q.bytes());
  }
  state.SetItemsProcessed(state.iterations() * 20001);
}
BENCHMARK(thermo_quadrature_build)->Unit(benchmark::kMicrosecond);

// The copper example's 11 volumes, each DOS resampled to 500 points.
const std::vector<std::string>& qhafiles() {
  static const std::vector<std::string> paths = [] {
    const std::string dir = std::string(LHC_EXAMPLE) + "/";
    std::ifstream ev(dir + "e-v.dat");
    std::vector<std::string> p = {files().write("e-v.dat", std::string((std::istreambuf_iterator<char>(ev)),
                                                                      std::istreambuf_iterator<char>()))};
    for (int i = 1; i <= 11; ++i) {
      thermo::spectrum sp;
      thermo::problem problem;
      std::ifstream in(dir + "v" + (i < 10 ? "0" : "") + std::to_string(i) + "/total_dos.dat");
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!thermo::parsecolumns(text, thermo::unit::thz, sp, problem)) std::abort();
      std::string out;
      char buf[64];
      const double e0 = sp.energy.front(), e1 = sp.energy.back();
      for (int k = 0; k < 500; ++k) {  // linear between the points
        const double e = e0 + (e1 - e0) * k / 499;
        std::size_t j = 1;
        while (j + 1 < sp.energy.size() && sp.energy[j] < e) ++j;
        const double w = (e - sp.energy[j - 1]) / (sp.energy[j] - sp.energy[j - 1]);
        const double g = sp.dos[j - 1] + w * (sp.dos[j] - sp.dos[j - 1]);
        const double thz = thermo::planck * 1e12;
        std::snprintf(buf, sizeof buf, "%.12g %.12g\n", e / thz, g * thz);
        out += buf;
      }
      p.push_back(files().write("qha" + std::to_string(i) + ".dat", out));
    }
    return p;
  }();
  return paths;
}

// The quasi-harmonic mode: 11 volumes of 500 points at 1,001 temperatures.
void thermo_qha(benchmark::State& state) {
  std::vector<std::string> args = {"--qha", qhafiles()[0], "--csv", "--tmin", "0", "--tmax", "1000", "--tstep", "1"};
  args.insert(args.end(), qhafiles().begin() + 1, qhafiles().end());
  runthermo(state, args);
  state.SetItemsProcessed(state.iterations() * 1001);  // temperatures
}
BENCHMARK(thermo_qha)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two phases' transitions on the same data: the second phase the first
// with every volume 3 % smaller and 10 meV higher.
void thermo_transitions(benchmark::State& state) {
  static const std::string dense = [] {
    std::ifstream in(qhafiles()[0]);
    std::string line, out;
    char buf[96];
    while (std::getline(in, line)) {
      double v, e;
      if (line.empty() || line[0] == '#' || std::sscanf(line.c_str(), "%lf %lf", &v, &e) != 2) continue;
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", 0.97 * v, e + 0.01);
      out += buf;
    }
    return files().write("dense-e-v.dat", out);
  }();
  std::vector<std::string> args = {"--csv", "--tmin", "0", "--tmax", "1000", "--tstep", "1", "--transitions", "0,10"};
  for (const std::string& ev : {qhafiles()[0], dense}) {
    args.push_back("--qha");
    args.push_back(ev);
    args.insert(args.end(), qhafiles().begin() + 1, qhafiles().end());
  }
  runthermo(state, args);
  state.SetItemsProcessed(state.iterations() * 1001);  // temperatures
}
BENCHMARK(thermo_transitions)->Unit(benchmark::kMillisecond)->UseRealTime();

// The grid mode: a 5 x 5 grid of a and c (a made-up hexagonal crystal, as
// tools/compare_aniso makes it), a DOS of 3,001 points at each cell, at
// 1,001 temperatures.
const std::vector<std::string>& gridfiles() {
  static const std::vector<std::string> paths = [] {
    std::vector<std::string> p = {""};
    std::string grid = "# a c volume energy\n";
    char buf[160];
    const double a0 = 2.5, c0 = 4.1, s3 = std::sqrt(3.0) / 2.0;
    for (int i = 0; i < 25; ++i) {
      const double sa = 0.97 + 0.02 * (i / 5), sc = 0.97 + 0.02 * (i % 5), a = a0 * sa, c = c0 * sc;
      const double v = s3 * a * a * c;
      const double e = 40.0 * ((sa - 1) * (sa - 1) + 0.6 * (sc - 1) * (sc - 1) + 0.5 * (sa - 1) * (sc - 1));
      std::snprintf(buf, sizeof buf, "%.10f %.10f %.10f %.10f\n", a, c, v, e);
      grid += buf;
      const double scale = std::pow(v / (s3 * a0 * a0 * c0), -1.2) * (1.0 + 0.3 * (sc / sa - 1.0));
      std::vector<double> f(3001), g(3001);
      double states = 0.0;
      for (int k = 0; k < 3001; ++k) {
        f[k] = 10.0 * (k + 1) / 3001;
        const double x = f[k] / scale, y = (x - 4.0) / 3.0, z = (x - 8.0) / 0.5;
        g[k] = x * x * std::exp(-y * y) + 1.5 * std::exp(-z * z);
        if (k > 0) states += 0.5 * (g[k] + g[k - 1]) * (f[k] - f[k - 1]);
      }
      std::string dos;
      for (int k = 0; k < 3001; ++k) {
        std::snprintf(buf, sizeof buf, "%.10g %.10g\n", f[k], g[k] * 6.0 / states);
        dos += buf;
      }
      p.push_back(files().write("cell" + std::to_string(i) + ".dat", dos));
    }
    p[0] = files().write("grid.dat", grid);
    return p;
  }();
  return paths;
}

// The whole --qha-grid run; beside it, the harmonic mode on the same 25 files.
void thermo_qha_grid(benchmark::State& state) {
  std::vector<std::string> args = {"--qha-grid", gridfiles()[0], "--csv", "--tmin", "0", "--tmax", "1000", "--tstep", "1"};
  args.insert(args.end(), gridfiles().begin() + 1, gridfiles().end());
  runthermo(state, args);
  state.SetItemsProcessed(state.iterations() * 1001);  // temperatures
}
BENCHMARK(thermo_qha_grid)->Unit(benchmark::kMillisecond)->UseRealTime();

void thermo_qha_grid_harmonic(benchmark::State& state) {
  std::vector<std::string> args = {"--csv", "--tmin", "0", "--tmax", "1000", "--tstep", "1"};
  args.insert(args.end(), gridfiles().begin() + 1, gridfiles().end());
  runthermo(state, args);
  state.SetItemsProcessed(state.iterations() * 1001);
}
BENCHMARK(thermo_qha_grid_harmonic)->Unit(benchmark::kMillisecond)->UseRealTime();

// The Debye model on 20 volumes of a third-order Birch-Murnaghan E(V) (as
// copper's), at 100 pressures from 0 to 9.9 GPa and 100 temperatures from
// 0 to 990 K: 10,000 rows, CSV; with the spread across the degrees (1).
void thermo_debye(benchmark::State& state) {
  static const std::string ev = [] {
    std::string out;
    char buf[96];
    for (int i = 0; i < 20; ++i) {
      const double v = 11.8 * (0.92 + 0.2 * i / 19.0), eta = std::pow(11.8 / v, 2.0 / 3.0), d = eta - 1.0;
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v, 9.0 / 16.0 * 11.8 * 0.85 * (d * d * d * 4.5 + d * d * (6.0 - 4.0 * eta)));
      out += buf;
    }
    return files().write("debye-e-v.dat", out);
  }();
  std::string pressures = "0";
  for (int k = 1; k < 100; ++k) {
    pressures += ',';
    pressures += std::to_string(0.1 * k);
  }
  std::vector<std::string> args = {"--debye", ev, "--mass", "63.546", "--atoms", "1", "--csv", "--pressure", pressures,
                                   "--tmax", "990"};
  if (state.range(0) != 0) args.push_back("--error-bars");
  runthermo(state, args);
  state.SetItemsProcessed(state.iterations() * 100 * 100);  // rows
}
BENCHMARK(thermo_debye)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
