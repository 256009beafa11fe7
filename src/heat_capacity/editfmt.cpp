#include "heat_capacity/editfmt.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace heat_capacity {
namespace {

char* fill(char* out, int n, char c) {
  std::memset(out, c, static_cast<std::size_t>(n));
  return out + n;
}

// Right-aligns `len` characters of `text` in w columns, or writes w asterisks
// when they do not fit.
char* place(char* out, const char* text, int len, int w) {
  if (len > w) return fill(out, w, '*');
  out = fill(out, w - len, ' ');
  std::memcpy(out, text, static_cast<std::size_t>(len));
  return out + len;
}

// NaN and the infinities, spelt the way the field width allows: NaN needs 3
// columns, Infinity is used where it fits with its sign and Inf otherwise.
char* putnonfinite(char* out, double v, int w) {
  if (std::isnan(v)) return place(out, "NaN", 3, w);
  if (std::signbit(v)) {
    return w >= 9 ? place(out, "-Infinity", 9, w) : place(out, "-Inf", 4, w);
  }
  return w >= 8 ? place(out, "Infinity", 8, w) : place(out, "Inf", 3, w);
}

// Digits of |v| with exactly d digits after the point. The buffer holds the
// 309 integer digits of the largest double, the point and d digits.
struct fixeddigits {
  char buf[320 + maxfield];
  int len;
  fixeddigits(double a, int d) {
    auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, d);
    len = static_cast<int>(r.ptr - buf);
    if (d == 0) buf[len++] = '.';  // Fw.0 still writes the point
  }
};

}  // namespace

char* putf(char* out, double v, int w, int d) {
  if (!std::isfinite(v)) return putnonfinite(out, v, w);
  const bool neg = std::signbit(v);
  fixeddigits digits(std::fabs(v), d);
  const char* text = digits.buf;
  int len = digits.len;
  // The 0 before the point is optional: it is dropped only when the field is
  // one column short for it.
  if (len + neg > w && text[0] == '0' && len > 1) {
    ++text;
    --len;
  }
  if (len + neg > w) return fill(out, w, '*');
  out = fill(out, w - len - neg, ' ');
  if (neg) *out++ = '-';
  std::memcpy(out, text, static_cast<std::size_t>(len));
  return out + len;
}

char* putes(char* out, double v, int w, int d) {
  if (!std::isfinite(v)) return putnonfinite(out, v, w);
  char buf[maxfield + 16];
  char* p = buf;
  if (std::signbit(v)) *p++ = '-';
  auto r = std::to_chars(p, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, d);
  // r.ptr ends "e+NN" or "e-NNN"; split off the exponent.
  char* e = static_cast<char*>(std::memchr(p, 'e', static_cast<std::size_t>(r.ptr - p)));
  const char sign = e[1];
  const char* xd = e + 2;
  const int xlen = static_cast<int>(r.ptr - xd);
  char* q = e;
  if (d == 0) *q++ = '.';  // ESw.0 still writes the point
  if (xlen <= 2) {
    *q++ = 'E';
    *q++ = sign;
    *q++ = xd[0];
    *q++ = xd[1];
  } else {
    char x[3] = {xd[0], xd[1], xd[2]};
    *q++ = sign;
    *q++ = x[0];
    *q++ = x[1];
    *q++ = x[2];
  }
  return place(out, buf, static_cast<int>(q - buf), w);
}

char* puta(char* out, std::string_view text, int w) {
  const int len = static_cast<int>(text.size());
  if (len >= w) {
    std::memcpy(out, text.data(), static_cast<std::size_t>(w));
    return out + w;
  }
  out = fill(out, w - len, ' ');
  std::memcpy(out, text.data(), text.size());
  return out + len;
}

char* putlistreal(char* out, double v) {
  *out++ = ' ';
  if (!std::isfinite(v)) return putnonfinite(out, v, 25);
  // The decimal exponent after rounding to 17 significant digits decides
  // between the fixed and the scientific spelling.
  char sci[40];
  auto r = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific, 16);
  const char* e = static_cast<const char*>(std::memchr(sci, 'e', static_cast<std::size_t>(r.ptr - sci)));
  int x = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), r.ptr, x);
  if (v == 0.0 || (x >= -1 && x < 17)) {
    out = putf(out, v, 20, v == 0.0 ? 16 : 16 - x);
    return fill(out, 5, ' ');
  }
  // Scientific: 17 significant digits and the exponent as E, sign, three digits.
  char buf[40];
  char* p = buf;
  if (std::signbit(v)) *p++ = '-';
  const int mlen = static_cast<int>(e - sci);
  std::memcpy(p, sci, static_cast<std::size_t>(mlen));
  p += mlen;
  *p++ = 'E';
  *p++ = x < 0 ? '-' : '+';
  const int ax = x < 0 ? -x : x;
  *p++ = static_cast<char>('0' + ax / 100);
  *p++ = static_cast<char>('0' + ax / 10 % 10);
  *p++ = static_cast<char>('0' + ax % 10);
  return place(out, buf, static_cast<int>(p - buf), 25);
}

char* putlistint(char* out, std::int32_t v) {
  *out++ = ' ';
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return place(out, buf, static_cast<int>(r.ptr - buf), 11);
}

}  // namespace heat_capacity
