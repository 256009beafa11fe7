// The numbers of free-form input: one numeric item (a value, r*c or r*)
// parsed from the reader's buffer and rounded correctly to a double.
#include "common/freeform.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace common {
namespace {

bool isdigitc(int c) { return c >= '0' && c <= '9'; }

int lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Significant digits a number keeps. Correct rounding of a decimal to a
// double depends on at most 768 of them; past that only whether some dropped
// digit is nonzero matters, and that is kept as a final 1.
constexpr int keptdigits = 800;

// The value m x 10^e, where m < 10^19 holds the significant digits, when
// both m and 10^e are exact doubles: then one multiplication or division
// rounds it correctly. False where that does not hold.
bool exactdecimal(std::uint64_t m, long long e, double& v) {
  static constexpr double powers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (m > (std::uint64_t{1} << 53) || e < -22 || e > 22) return false;
  const double d = static_cast<double>(m);
  v = e >= 0 ? d * powers[e] : d / powers[-e];
  return true;
}

// A decimal 0.d1d2d3... x 10^pointexp built digit by digit.
struct decimal {
  char digits[keptdigits + 1];
  int count = 0;
  bool sticky = false;
  long long pointexp = 0;

  void add(int c, bool fraction) {
    if (count == 0 && c == '0') {
      if (fraction) --pointexp;  // a leading zero after the point
      return;
    }
    if (!fraction) ++pointexp;
    if (count < keptdigits) {
      digits[count++] = static_cast<char>(c);
    } else if (c != '0') {
      sticky = true;
    }
  }

  double value(bool negative, long long exponent) {
    const double inf = std::numeric_limits<double>::infinity();
    double v = 0.0;
    const long long x = pointexp + exponent;
    if (count == 0) {
      v = 0.0;
    } else if (x > 400) {
      v = inf;
    } else if (x >= -400) {
      char text[keptdigits + 32];
      char* p = text;
      *p++ = '0';
      *p++ = '.';
      std::memcpy(p, digits, static_cast<std::size_t>(count));
      p += count;
      if (sticky) *p++ = '1';
      *p++ = 'e';
      p = std::to_chars(p, text + sizeof text, x).ptr;
      auto r = std::from_chars(text, p, v, std::chars_format::general);
      if (r.ec == std::errc::result_out_of_range) v = x > 0 ? inf : 0.0;
    }
    return negative ? -v : v;
  }
};

}  // namespace

// The common item, [sign] digits [. digits] [letter [sign] digits], with a
// short exponent, when it lies whole in the buffer before a character that
// ends it: parsed in place and passed over. Up to 19 significant digits that
// make an exact product are converted by one operation; other digit strings
// with the letter E or none go to from_chars, which rounds correctly as the
// general path does. Anything else is left to parsenumber's general path,
// untouched.
bool listreader::shortnumber(double& value) {
  const char* p = cur_;
  const char* const end = end_;
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  const char* const unsignedstart = p;
  bool eletter = true;  // the exponent, if any, is written with E or e
  std::uint64_t m = 0;  // wraps past 19 digits, but then it is not used
  // Accumulates a run of digits into m; returns how many there were.
  auto digits = [&]() {
    const char* const from = p;
    for (; p != end; ++p) {
      const unsigned d = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
      if (d > 9) break;
      m = m * 10 + d;
    }
    return p - from;
  };
  auto zeros = [&]() {
    const char* const from = p;
    while (p != end && *p == '0') ++p;
    return p - from;
  };
  const long long intzeros = zeros();
  long long count = digits();  // significant digits
  long long scale = 0;         // m x 10^scale is the digits' value
  bool anydigit = intzeros + count > 0;
  if (p != end && *p == '.') {
    ++p;
    const long long fraczeros = count == 0 ? zeros() : 0;
    const long long fracdigits = digits();
    count += fracdigits;
    scale = -(fraczeros + fracdigits);
    anydigit = anydigit || scale != 0;
  }
  if (!anydigit || p == end) return false;
  const int lc = lower(static_cast<unsigned char>(*p));
  if (lc == 'e' || lc == 'd' || lc == 'q' || *p == '+' || *p == '-') {
    eletter = lc == 'e';
    if (*p != '+' && *p != '-') ++p;
    bool xneg = false;
    if (p != end && (*p == '+' || *p == '-')) xneg = *p++ == '-';
    int x = 0, xdigits = 0;
    for (; p != end && isdigitc(*p); ++p) {
      if (++xdigits > 4) return false;
      x = x * 10 + (*p - '0');
    }
    if (xdigits == 0) return false;
    scale += xneg ? -x : x;
  }
  if (p == end || !endsitem(static_cast<unsigned char>(*p))) return false;
  double v = 0.0;
  if (count != 0 && (count > 19 || !exactdecimal(m, scale, v))) {
    if (!eletter) return false;
    const auto r = std::from_chars(unsignedstart, p, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != p) return false;  // out of range: the general path
  }
  value = negative ? -v : v;
  cur_ = p;
  return true;
}

// Parses one numeric item starting at a character that can begin one:
// a value, `r*c` (repeat > 1 or the value given once) or `r*` (null). On a
// malformed item, consumes it to its end, fills res and returns 0.
int listreader::parsenumber(double& value, long long& repeat, bool& null, readresult& res) {
  int kept = 0;
  auto take = [&](int c) {
    if (kept < static_cast<int>(sizeof res.text) - 1) res.text[kept++] = static_cast<char>(c);
    advance();
  };
  // A malformed item; one cut short by the end of the input is an end of file.
  auto fail = [&]() {
    int c = peek();
    const bool cut = c == eofchar;
    for (; !endsitem(c); c = peek()) take(c);
    res.text[kept] = '\0';
    res.length = kept;
    res.status = cut ? readstatus::endoffile : readstatus::notnumber;
    return 0;
  };

  repeat = 1;
  null = false;
  if (shortnumber(value)) return 1;
  decimal dec;
  int c = peek();

  // A run of digits followed by '*' is a repeat count.
  bool negative = false;
  bool signed_ = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    signed_ = true;
    take(c);
    c = peek();
  }
  bool anydigit = false;
  long long count = 0;
  while (isdigitc(c)) {
    anydigit = true;
    if (count < 1000000000) count = count * 10 + (c - '0');
    dec.add(c, false);
    take(c);
    c = peek();
  }
  if (c == '*' && anydigit && !signed_) {
    if (count == 0) return fail();
    take(c);
    repeat = count;
    c = peek();
    if (endsitem(c)) {
      null = true;
      return 1;
    }
    dec = decimal();
    anydigit = false;
    if (c == '+' || c == '-') {
      negative = c == '-';
      take(c);
      c = peek();
    }
    while (isdigitc(c)) {
      anydigit = true;
      dec.add(c, false);
      take(c);
      c = peek();
    }
  }

  if (!anydigit && (lower(c) == 'n' || lower(c) == 'i')) {
    const char* word = lower(c) == 'n' ? "nan" : "infinity";
    int n = 0;
    while (word[n] != '\0' && lower(c) == word[n]) {
      take(c);
      c = peek();
      ++n;
    }
    const bool whole = word[n] == '\0' || (word[0] == 'i' && n == 3);
    if (!whole || !endsitem(c)) return fail();
    value = word[0] == 'n' ? std::numeric_limits<double>::quiet_NaN()
                           : std::numeric_limits<double>::infinity();
    if (negative) value = -value;
    return 1;
  }

  if (c == '.') {
    take(c);
    c = peek();
    while (isdigitc(c)) {
      anydigit = true;
      dec.add(c, true);
      take(c);
      c = peek();
    }
  }
  if (!anydigit) return fail();

  long long exponent = 0;
  const int lc = lower(c);
  if (lc == 'e' || lc == 'd' || lc == 'q' || c == '+' || c == '-') {
    if (c != '+' && c != '-') {
      take(c);
      c = peek();
    }
    bool xneg = false;
    if (c == '+' || c == '-') {
      xneg = c == '-';
      take(c);
      c = peek();
    }
    if (!isdigitc(c)) return fail();
    while (isdigitc(c)) {
      if (exponent < 1000000000) exponent = exponent * 10 + (c - '0');
      take(c);
      c = peek();
    }
    if (xneg) exponent = -exponent;
  }
  if (!endsitem(c)) return fail();
  value = dec.value(negative, exponent);
  return 1;
}

}  // namespace common
