// Free-form record reader: reads text items and real numbers the way a
// list-directed read does, one read at a time.
//
// Each read starts at the beginning of the next line, takes as many lines as
// it needs for its items, and skips the rest of the line after its last item.
// Items are separated by blanks, tabs, a carriage return (treated as a blank)
// or one comma with optional blanks around it; the end of a line counts as a
// blank, and blank lines count as nothing. A comma with no item before it
// gives a null value, `r*` gives r null values and `r*c` r copies of c; a
// slash ends the read. A null value or a slash leaves its target unchanged.
//
// Numbers: optional sign, digits with or without a point, an exponent with
// the letter E, D or Q in either case or as a bare signed exponent (1.0-5),
// and the words NaN, Inf and Infinity in any case. A number that is too
// large reads as an infinity, one too small as zero. Text items are a run of
// characters up to a blank, comma or slash, or a string quoted with ' or "
// (a doubled quote stands for one, and the string may run on over lines).
//
// The reader holds no line whole: input streams through a caller's buffer,
// and a number keeps at most a fixed count of significant digits (enough to
// round every decimal correctly). It never allocates.
#pragma once

#include <cstddef>

namespace common {

enum class readstatus {
  ok,
  endoffile,  // the input ended before the read had its items
  notnumber,  // an item of a numeric read is not a number
  ioerror,    // the input could not be read; `error` holds errno
};

struct readresult {
  readstatus status = readstatus::ok;
  int item = 0;             // notnumber: which item of the read, from 1
  int error = 0;            // ioerror: the errno value
  char text[33] = {};       // notnumber: the start of the offending item
  int length = 0;           // notnumber: its bytes in text (a NUL among them)
};

class listreader {
 public:
  // Places up to `capacity` bytes in `buffer` and returns how many, 0 at the
  // end of the input, or a negated errno value on failure.
  using refillfn = long (*)(void* context, char* buffer, std::size_t capacity);

  // Reads a text held whole in memory.
  listreader(const char* data, std::size_t size) noexcept;
  // Reads a stream through `buffer`, which `refill` fills as needed.
  listreader(refillfn refill, void* context, char* buffer, std::size_t capacity) noexcept;

  // One text item. At most `capacity` characters of it are stored in `out`
  // and their count in `length`; a null item or a slash leaves both as they
  // were.
  readresult readtext(char* out, std::size_t capacity, std::size_t& length);

  // `count` real numbers into out[0..count-1].
  readresult readreals(double* out, int count);

 private:
  static constexpr int eofchar = -1;
  static constexpr int errchar = -2;

  static bool isblankc(int c) { return c == ' ' || c == '\t' || c == '\r'; }
  // Characters that end an unquoted item: a blank, a comma, a slash, the line
  // end, or the end of the input (or a failed read of it).
  static bool endsitem(int c) { return c < 0 || isblankc(c) || c == ',' || c == '/' || c == '\n'; }

  int peek();
  void advance() { ++cur_; }
  bool refill();
  void skipline();
  // Skips blanks and line ends; returns the next character.
  int skipspace();
  // The numbers (freeform_number.cpp).
  bool shortnumber(double& value);
  int parsenumber(double& value, long long& repeat, bool& null, readresult& res);

  const char* cur_;
  const char* end_;
  refillfn refill_ = nullptr;
  void* context_ = nullptr;
  char* buffer_ = nullptr;
  std::size_t capacity_ = 0;
  int error_ = 0;
  bool done_ = false;
};

}  // namespace common
