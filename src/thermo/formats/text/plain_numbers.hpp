// lattice_thermo: the leading numbers of a line read at memory speed, where
// they are written plainly, as nearly every DOS file writes them.
#pragma once

#include <cstddef>
#include <string_view>

namespace thermo {

// Reads the first `count` items of `line` into values and returns true where
// each is a plain decimal number (an optional minus sign, digits with or
// without a point, an optional exponent with the letter E) read whole by
// from_chars and ending at a blank, a tab, a comma or the line's end, and the
// items are separated by blanks or tabs with at most one comma among them.
// Those are items the free-form reader reads to the same values (both round
// correctly); on any other line, false, and the caller reads it with the
// free-form reader, which also says what is wrong with it.
bool plainnumbers(std::string_view line, std::size_t count, double* values);

}  // namespace thermo
