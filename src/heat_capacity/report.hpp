// The report: the header line and the table rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/channel.hpp"

namespace heat_capacity {

// Columns of a table row, without its line end.
inline constexpr int rowwidth = 79;
// Longest header line, with its line end.
inline constexpr int headermax = 40;

// The header line: free-form output of refval, then ntemp, and the line end.
char* headerline(char* out, double refval, std::int32_t ntemp);

// One table row for temperature t (kelvin) with the harmonic sum s (hartree
// per kelvin), the Debye heat capacity cd (rydberg per kelvin) and the Debye
// temperature thetad (kelvin), in the layout
// (F7.2,Es15.7,A5,F9.5,A8,Es15.7,A5,Es15.7), and the line end: t; the
// harmonic heat capacity in eV/K and in J/mol/K; the Debye heat capacity in
// eV/K; the Debye T^3 law in eV/K.
char* tablerow(char* out, double t, double s, double cd, double thetad);

}  // namespace heat_capacity
