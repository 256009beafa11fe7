// A failed input or output operation: where it happened and what went wrong,
// enough for the one diagnostic that stops the run.
#pragma once

#include <cstddef>

namespace heat_capacity {

// Site numbers of the program's input and output operations.
inline constexpr int siteheader = 25;  // writing the header line
inline constexpr int siteopen = 27;    // opening the DOS file
inline constexpr int sitehead = 30;    // reading one of its header lines
inline constexpr int siterecord = 34;  // reading one of its records
inline constexpr int siteclose = 37;   // closing it
inline constexpr int siterow = 61;     // writing a table row

// Channel numbers: standard output and the DOS file.
inline constexpr int chanout = 6;
inline constexpr int chandos = 42;

struct failure {
  int site = 0;
  int channel = 0;
  int index = 0;        // the header line or record being read, from 1; else 0
  bool endoffile = false;  // the input ended before the read had its items
  char what[200] = {};  // what went wrong, without the site and channel
};

// Sets f to the given site and channel and a printf-style description.
void setfailure(failure& f, int site, int channel, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Writes the diagnostic for f into out (NUL-terminated, ending in a line
// end) and returns its length: the unit name, the site, the channel, the
// file's path for the DOS file, and what went wrong.
std::size_t diagnostic(const failure& f, const char* path, char* out, std::size_t capacity);

}  // namespace heat_capacity
