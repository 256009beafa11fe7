// lattice_thermo: error bars as output: their CSV columns, three after the
// values for each quantity that has them, and the table's concise
// value(error) form.
#pragma once

#include <string>

#include "thermo/qha/error_bars.hpp"

namespace thermo {

// ",<name>_err_data,<name>_err_model,<name>_err" for each of the k names;
// with `fit`, <name>_err_fit before <name>_err.
std::string errorcsvheader(const char* const* names, int k, bool fit = false);

// ",data,model,total" for each of the k error bars (shortest round-trip
// digits, `nan` where there is none); with `fit`, ",data,model,fit,total".
void appenderrorfields(std::string& s, const errorbar* e, int k, bool fit = false);

// x with its error bar u in the concise notation, u's two leading digits in
// parentheses standing for the last digits of x: 11.79852(31) is
// 11.79852 +- 0.00031, 6.241(12)e-05 is (6.241 +- 0.012)e-05 (`exponent`).
// A zero error bar gives (0) after x's `decimals` (of the mantissa where
// `exponent`); a NaN one, (nan).
std::string concise(double x, double u, bool exponent, int decimals);

}  // namespace thermo
