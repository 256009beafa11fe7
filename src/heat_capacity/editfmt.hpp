// Edit-descriptor writer: the fixed-width fields of the report table, written
// as Fortran edit descriptors write them (Fw.d, ESw.d, Aw), plus the
// free-form (list-directed) spelling of one real and one integer used by the
// header line.
//
// Every routine writes exactly its field width into `out` (no terminator) and
// returns the position after the field. Decimal digits come from
// std::to_chars, so rounding is to nearest on the exact binary value, ties to
// even. Nothing allocates.
#pragma once

#include <cstdint>
#include <string_view>

namespace heat_capacity {

// Widest field any of these routines writes.
inline constexpr int maxfield = 64;

// Fw.d: fixed point, d digits after the point, right-aligned in w columns.
// A negative value keeps its minus sign even when it rounds to zero; a value
// below 1 in magnitude gets a 0 before the point unless only that 0 keeps it
// from fitting. A value that does not fit fills the field with w asterisks.
// Requires 1 <= w <= maxfield, 0 <= d < w.
char* putf(char* out, double v, int w, int d);

// ESw.d: scientific form d.ddd...E+nn with one nonzero leading digit and d
// digits after the point (zero is 0.000...E+00). An exponent beyond +-99 is
// written as a sign and three digits without the letter E.
// Requires 1 <= w <= maxfield, 1 <= d <= 40.
char* putes(char* out, double v, int w, int d);

// Aw: the text right-aligned in w columns; a longer text keeps its leftmost
// w characters. Requires 0 <= w <= maxfield.
char* puta(char* out, std::string_view text, int w);

// Free-form output of one double, as a list-directed write spells it: a blank
// separator, then 17 significant digits in fixed form (followed by five
// blanks) when 0.1 <= |v| < 1e17, otherwise in scientific form with a
// three-digit exponent; 26 columns in all.
char* putlistreal(char* out, double v);

// Free-form output of one 32-bit integer: a blank separator, then the value
// right-aligned in 11 columns; 12 columns in all.
char* putlistint(char* out, std::int32_t v);

}  // namespace heat_capacity
