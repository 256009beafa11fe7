// Built with -mavx2 -mfma (this file alone): called only after a run-time check.
#include "thermo/harmonic/kernel_vector.hpp"

namespace {

typedef double v4d __attribute__((vector_size(32)));

}  // namespace

// glibc's libmvec declares these only under -ffast-math; they are within a few
// ulp, well inside this program's tolerances.
extern "C" v4d _ZGVdN4v_exp(v4d);
extern "C" v4d _ZGVdN4v_expm1(v4d);
extern "C" v4d _ZGVdN4v_log(v4d);
extern "C" v4d _ZGVdN4v_log1p(v4d);

namespace thermo {

void modesums_avx2(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  vectorsums<v4d, 4, _ZGVdN4v_exp, _ZGVdN4v_expm1, _ZGVdN4v_log>(e, g, n, kt, out);
}

void log1ps_avx2(double* v, std::size_t n) { vectorapply<v4d, 4, _ZGVdN4v_log1p>(v, n); }

void cothsoverenergy_avx2(const double* e, std::size_t n, double kt, double* c) {
  vectorcoths<v4d, 4, _ZGVdN4v_expm1>(e, n, kt, c);
}

void addmodes_avx2(double* sums, const double* c, const double* p, std::size_t m, std::size_t width) {
  addmodesloop<v4d>(sums, c, p, m, width);
}

}  // namespace thermo
