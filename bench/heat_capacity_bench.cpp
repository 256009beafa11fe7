// Costs of the pieces of a run: one harmonic sum, one Debye integral, the
// parse of the sample DOS from memory, one table row, and the whole run with
// the table written to a string.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "heat_capacity/debye.hpp"
#include "heat_capacity/dos.hpp"
#include "heat_capacity/lattice_heat_capacity.hpp"
#include "heat_capacity/report.hpp"

namespace {

std::string sampletext() {
  std::ifstream in(LHC_SAMPLE, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

heat_capacity::dostable sampletable() {
  const std::string text = sampletext();
  common::listreader reader(text.data(), text.size());
  heat_capacity::dostable table;
  heat_capacity::failure f;
  if (!heat_capacity::parsedos(reader, table, f)) std::abort();
  return table;
}

void harmonic_sum(benchmark::State& state) {
  const heat_capacity::dostable table = sampletable();
  double t = 300.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t);
    benchmark::DoNotOptimize(heat_capacity::cvdos(table, t));
  }
}
BENCHMARK(harmonic_sum);

// 10 K takes three estimates of the integral, higher temperatures one.
void debye_integral(benchmark::State& state) {
  double t = static_cast<double>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(t);
    benchmark::DoNotOptimize(heat_capacity::debye(t, 343.0));
  }
}
BENCHMARK(debye_integral)->Arg(10)->Arg(300);

void parse_sample(benchmark::State& state) {
  const std::string text = sampletext();
  heat_capacity::dostable table;
  heat_capacity::failure f;
  for (auto _ : state) {
    common::listreader reader(text.data(), text.size());
    benchmark::DoNotOptimize(heat_capacity::parsedos(reader, table, f));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(parse_sample);

void table_row(benchmark::State& state) {
  char line[heat_capacity::rowwidth + 2];
  double t = 300.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t);
    benchmark::DoNotOptimize(heat_capacity::tablerow(line, t, 1.1729e-4, 2.32e-4, 343.0));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(table_row);

void whole_run(benchmark::State& state) {
  for (auto _ : state) {
    common::stringchannel out, err;
    if (heat_capacity::lattice_heat_capacity(out, err, LHC_SAMPLE) != 0) state.SkipWithError("run failed");
    benchmark::DoNotOptimize(out.text().data());
  }
}
BENCHMARK(whole_run)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
