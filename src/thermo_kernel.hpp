// lattice_thermo: the inner sums of the harmonic functions over the modes,
// with a vectorised variant chosen at run time where the processor has it.
#pragma once

#include <cstddef>

namespace thermo {

// Sums over the n modes of energy e[i] (J) and weight g[i] (states) at
// k_B T = kt (J): out[0] = sum g x^2 e^-x / m^2, out[1] = sum g E (1/2 + n),
// out[2] = sum g (E/2 + kt ln m), out[3] = sum g (x n - ln m), with x = E/kt,
// m = 1 - e^-x and n = e^-x / m.
// Uses the fastest variant this processor runs.
void modesums(const double* e, const double* g, std::size_t n, double kt, double out[4]);

// The scalar variant, for any x86-64.
void modesums_scalar(const double* e, const double* g, std::size_t n, double kt, double out[4]);

// The same with glibc's AVX2 vector exp, expm1 and log; only where the
// processor supports AVX2 (modesums checks).
void modesums_avx2(const double* e, const double* g, std::size_t n, double kt, double out[4]);
// The same with the AVX-512 variants, eight modes at a time.
void modesums_avx512(const double* e, const double* g, std::size_t n, double kt, double out[4]);

}  // namespace thermo
