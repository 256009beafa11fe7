// Built with -mavx512f (this file alone): called only after a run-time check.
#include "thermo/harmonic/kernel_vector.hpp"

namespace {

typedef double v8d __attribute__((vector_size(64)));

}  // namespace

// glibc's libmvec declares these only under -ffast-math; they are within a few
// ulp, well inside this program's tolerances.
extern "C" v8d _ZGVeN8v_exp(v8d);
extern "C" v8d _ZGVeN8v_expm1(v8d);
extern "C" v8d _ZGVeN8v_log(v8d);
extern "C" v8d _ZGVeN8v_log1p(v8d);

namespace thermo {

void modesums_avx512(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  vectorsums<v8d, 8, _ZGVeN8v_exp, _ZGVeN8v_expm1, _ZGVeN8v_log>(e, g, n, kt, out);
}

void log1ps_avx512(double* v, std::size_t n) { vectorapply<v8d, 8, _ZGVeN8v_log1p>(v, n); }

void cothsoverenergy_avx512(const double* e, std::size_t n, double kt, double* c) {
  vectorcoths<v8d, 8, _ZGVeN8v_expm1>(e, n, kt, c);
}

void addmodes_avx512(double* sums, const double* c, const double* p, std::size_t m, std::size_t width) {
  addmodesloop<v8d>(sums, c, p, m, width);
}

}  // namespace thermo
