// Text from input files made safe to print in a diagnostic: bytes that are
// not printable ASCII (control characters, terminal escapes, a byte-order
// mark, a non-breaking space, any byte above 0x7E) written as \xHH, and a
// backslash as \\, so that what a message quotes is visible and stays on
// one line.
#pragma once

#include <cstddef>

namespace common {

// Writes the escaped form of the n bytes at text into out (at most capacity
// bytes including a terminating NUL, cut at a whole escape); returns its
// length.
std::size_t escape(const char* text, std::size_t n, char* out, std::size_t capacity);

// Whether byte c is written as itself.
inline bool printable(unsigned char c) { return c >= 0x20 && c < 0x7F && c != '\\'; }

}  // namespace common
