// The free-form record reader: each reading rule on small inline texts and
// each failure.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/freeform.hpp"

namespace {

using common::listreader;
using common::readstatus;

struct pair {
  double e, d;
};

// Reads consecutive two-number records from text; stops at the first failure.
std::vector<pair> records(const std::string& text, int n, common::readresult* last = nullptr) {
  listreader r(text.data(), text.size());
  std::vector<pair> out;
  for (int i = 0; i < n; ++i) {
    double v[2] = {-7, -7};
    auto res = r.readreals(v, 2);
    if (last) *last = res;
    if (res.status != readstatus::ok) break;
    out.push_back({v[0], v[1]});
  }
  return out;
}

pair one(const std::string& text) {
  auto v = records(text, 1);
  EXPECT_EQ(v.size(), 1u) << text;
  return v.empty() ? pair{NAN, NAN} : v[0];
}

#define EXPECT_PAIR(text, a, b)           \
  do {                                    \
    pair p_ = one(text);                  \
    EXPECT_EQ(p_.e, (a)) << (text);       \
    EXPECT_EQ(p_.d, (b)) << (text);       \
  } while (0)

TEST(NumberForms, AllAccepted) {
  EXPECT_PAIR("1.0 2.0\n", 1.0, 2.0);
  EXPECT_PAIR("5 -3\n", 5.0, -3.0);
  EXPECT_PAIR("+.5 1.\n", 0.5, 1.0);
  EXPECT_PAIR("1e5 2E-3\n", 1e5, 2e-3);
  EXPECT_PAIR("1d5 2D-3\n", 1e5, 2e-3);
  EXPECT_PAIR("1q2 1Q-2\n", 100.0, 0.01);
  EXPECT_PAIR("1.0-5 2.5+3\n", 1e-5, 2500.0);  // bare signed exponents
  EXPECT_PAIR("1e400 -1e-400\n", INFINITY, -0.0);
  EXPECT_PAIR("4.9e-324 2.4e-320\n", 5e-324, 2.4e-320);
  // Correct rounding: the halfway point between 1 and its successor, with a
  // nonzero digit far beyond the kept digits, rounds up.
  std::string halfway = "1.00000000000000011102230246251565404236316680908203125";
  halfway.append(900, '0');
  EXPECT_PAIR(halfway + " 0\n", 1.0, 0.0);  // an exact tie goes to even
  halfway += "1 0\n";
  EXPECT_PAIR(halfway, std::nextafter(1.0, 2.0), 0.0);
  std::string nines = "0.00000000000000000000000000012345e28 ";
  nines.append(500, '9');
  EXPECT_PAIR(nines + "e-500\n", 1.2345, 1.0);
  // Short forms that the fast path takes, against the general conversion.
  EXPECT_PAIR("3.26177415760251E-06 1.23456789012345678e22\n", 3.26177415760251E-06,
              1.23456789012345678e22);
  EXPECT_PAIR("9007199254740993 9007199254740993e-22\n", 9007199254740992.0, 9007199254740993e-22);
  EXPECT_PAIR("0.000123 -0.0\n", 0.000123, -0.0);
  EXPECT_TRUE(std::signbit(one("-0.0E+00 0\n").e));
  EXPECT_PAIR("1.5D+22 7q-23\n", 1.5e22, 7e-23);
  EXPECT_PAIR("12345678901234567890 0.1234567890123456789012\n", 12345678901234567890.0,
              0.1234567890123456789012);
  EXPECT_PAIR("1e0022 1.0e-00400\n", 1e22, 0.0);
  // Longer digit strings: to from_chars with the letter E or none, to the
  // general path with D, Q, a bare sign or a value out of range.
  EXPECT_PAIR("0.00050000000000000001 +3.1415926535897932384626e-7\n", 0.00050000000000000001,
              3.1415926535897932384626e-7);
  EXPECT_PAIR("-2.47032822920623272088e-324 4.9406564584124654e-324\n", -0.0, 5e-324);
  EXPECT_PAIR("1.23456789012345678901D+2 1.23456789012345678901-2\n", 123.456789012345678901,
              0.0123456789012345678901);
  EXPECT_PAIR("1.7976931348623158079373e308 -1.2345678901234567890e-400\n", INFINITY, -0.0);
  auto p = one("nan -Infinity\n");
  EXPECT_TRUE(std::isnan(p.e));
  EXPECT_EQ(p.d, -INFINITY);
  EXPECT_PAIR("INF +inf\n", INFINITY, INFINITY);
}

TEST(NumberForms, MalformedItemsAreNotNumbers) {
  for (const char* bad : {". 1\n", "+ 1\n", "1e 2\n", "1.5e+ 2\n", "1..2 3\n", "0x10 2\n",
                          "infin 2\n", "'1' 2\n", "1 2abc\n", "1 2'x\n", "0*5 2\n", "+2*3 4\n",
                          "2 *3\n", "1 2;\n", "1\f 2\n"}) {
    common::readresult res;
    records(bad, 1, &res);
    EXPECT_EQ(res.status, readstatus::notnumber) << bad;
  }
  common::readresult res;
  records("1.0 2.0x junk\n", 1, &res);
  EXPECT_EQ(res.item, 2);
  EXPECT_STREQ(res.text, "2.0x");
}

TEST(Separators, BlanksTabsCommasAndLineEnds) {
  EXPECT_PAIR("1,2\n", 1.0, 2.0);
  EXPECT_PAIR("  1 ,  2  \n", 1.0, 2.0);
  EXPECT_PAIR("1\t2\n", 1.0, 2.0);
  EXPECT_PAIR("1 2\r\n", 1.0, 2.0);
  EXPECT_PAIR("1\r\r2\n", 1.0, 2.0);
  EXPECT_PAIR("1\n,2\n", 1.0, 2.0);  // the line end is a blank before the comma
  EXPECT_PAIR("1\n\n  \t\n2\n", 1.0, 2.0);
  // A record line with one number takes the second from the next line.
  auto v = records("1\n2 junk\n3 4\n", 2);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[1].e, 3.0);
}

TEST(Separators, CrlfGivesTheSameValuesAsLf) {
  const std::string lf = "h\n\n1.5 2e-3 x\n3 , 4\n5\n6\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  listreader a(lf.data(), lf.size()), b(crlf.data(), crlf.size());
  char h[10];
  std::size_t n = 0;
  a.readtext(h, 10, n);
  b.readtext(h, 10, n);
  for (int i = 0; i < 3; ++i) {
    double x[2], y[2];
    ASSERT_EQ(a.readreals(x, 2).status, readstatus::ok);
    ASSERT_EQ(b.readreals(y, 2).status, readstatus::ok);
    EXPECT_EQ(x[0], y[0]);
    EXPECT_EQ(x[1], y[1]);
  }
}

TEST(NullsRepeatsSlash, LeaveTargetsOrCopyValues) {
  EXPECT_PAIR("2*3.5\n", 3.5, 3.5);
  EXPECT_PAIR("1*2 3\n", 2.0, 3.0);
  EXPECT_PAIR("3*1\n", 1.0, 1.0);
  EXPECT_PAIR("2*inf\n", INFINITY, INFINITY);
  EXPECT_PAIR(",5\n", -7.0, 5.0);
  EXPECT_PAIR(" , 2\n", -7.0, 2.0);
  EXPECT_PAIR("1,,\n", 1.0, -7.0);
  EXPECT_PAIR("1 , , 2\n", 1.0, -7.0);
  EXPECT_PAIR("1.0,\n,2.0\n", 1.0, -7.0);
  EXPECT_PAIR("1 2*\n", 1.0, -7.0);
  EXPECT_PAIR("2* 3\n", -7.0, -7.0);
  EXPECT_PAIR("1 /2\n", 1.0, -7.0);
  EXPECT_PAIR("1/2\n", 1.0, -7.0);
  EXPECT_PAIR("/\n", -7.0, -7.0);
  // r* nulls end the read; the rest of their line is skipped.
  auto v = records("3*\n4 5\n", 2);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[1].e, 4.0);
  EXPECT_EQ(v[1].d, 5.0);
}

TEST(TextItems, RunsQuotesAndLineSpanning) {
  auto texts = [](const std::string& s, int n) {
    listreader r(s.data(), s.size());
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
      char buf[10];
      std::size_t len = 0;
      if (r.readtext(buf, 10, len).status != readstatus::ok) break;
      out.emplace_back(buf, len);
    }
    double v[2];
    out.push_back(r.readreals(v, 2).status == readstatus::ok ? std::to_string(v[0]) : "fail");
    return out;
  };
  auto t = texts("abc def\n# x\n", 2);
  EXPECT_EQ(t[0], "abc");
  EXPECT_EQ(t[1], "#");
  EXPECT_EQ(texts("first,second\n", 1)[0], "first");
  EXPECT_EQ(texts("ab/cd\n", 1)[0], "ab");
  EXPECT_EQ(texts("'it''s' x\n", 1)[0], "it's");
  EXPECT_EQ(texts("\"a b c\"\n", 1)[0], "a b c");
  EXPECT_EQ(texts("0123456789ABCDEF\n", 1)[0], "0123456789");  // at most 10 kept
  // A quoted item runs on over lines; the read after it starts past its end.
  t = texts("'one\n\ntwo' rest\n7 8\n", 1);
  EXPECT_EQ(t[0], "onetwo");
  EXPECT_EQ(t[1], "7.000000");
  t = texts("\n\n   \nheader\n7 8\n", 1);  // blank lines count as nothing
  EXPECT_EQ(t[0], "header");
  EXPECT_EQ(t[1], "7.000000");
  // Null and slash items leave the text as it was.
  t = texts(",x\n/\n7 8\n", 2);
  EXPECT_EQ(t[0], "");
  EXPECT_EQ(t[2], "7.000000");
}

TEST(EndOfInput, IsReportedWherever) {
  common::readresult res;
  records("1\n", 1, &res);
  EXPECT_EQ(res.status, readstatus::endoffile);
  records("", 1, &res);
  EXPECT_EQ(res.status, readstatus::endoffile);
  EXPECT_EQ(records("1 2", 1).size(), 1u);  // no final line end
  // A number cut short by the end of the input is an end of file too.
  records("1 2.5e", 1, &res);
  EXPECT_EQ(res.status, readstatus::endoffile);
  records("1 2.5x", 1, &res);
  EXPECT_EQ(res.status, readstatus::notnumber);
  std::string s = "'never closed\n1 2\n";
  listreader r(s.data(), s.size());
  char buf[10];
  std::size_t n = 0;
  EXPECT_EQ(r.readtext(buf, 10, n).status, readstatus::endoffile);
}

// Inputs that gfortran's list-directed input reads otherwise, and which the
// differential test therefore never generates: the behaviour here is this
// reader's documented one.
TEST(DocumentedRules, WhereGfortranReadsOtherwise) {
  common::readresult res;
  records("1 2;3\n", 1, &res);  // a semicolon is not a separator
  EXPECT_EQ(res.status, readstatus::notnumber);
  records("NaN(0x1) 2\n", 1, &res);  // no payload after NaN
  EXPECT_EQ(res.status, readstatus::notnumber);
  EXPECT_EQ(res.item, 1);
  // A repeat count far past any integer range still repeats the value.
  EXPECT_PAIR("99999999999999999999*2.5\n", 2.5, 2.5);
  // A comma at the start of a line is a null value, whatever came before.
  EXPECT_PAIR("\n,5\n", -7.0, 5.0);
  EXPECT_PAIR("1,\n\n,2\n", 1.0, -7.0);
  auto header = [](const std::string& s) {
    listreader r(s.data(), s.size());
    char buf[10];
    std::size_t n = 0;
    const auto status = r.readtext(buf, 10, n).status;
    double v[2] = {0, 0};
    const bool next = r.readreals(v, 2).status == readstatus::ok && v[0] == 7.0;
    return std::make_pair(status == readstatus::ok && next, std::string(buf, n));
  };
  // A lone point cut short by the end of the input is an end of file.
  records("1 -.", 1, &res);
  EXPECT_EQ(res.status, readstatus::endoffile);
  // An unquoted header item runs to a blank even when it holds quotes.
  EXPECT_EQ(header("2*'a b'\n7 8\n"), std::make_pair(true, std::string("2*'a")));
  // Text run on after a closing quote ends the item; the line is skipped.
  EXPECT_EQ(header("'abc'def ghi\n7 8\n"), std::make_pair(true, std::string("abc")));
}

// A stream that hands out its text a few bytes at a time and can fail.
struct trickle {
  std::string text;
  std::size_t pos = 0;
  std::size_t chunk;
  long failat;
  static long fill(void* ctx, char* buf, std::size_t cap) {
    auto* t = static_cast<trickle*>(ctx);
    if (t->failat >= 0 && static_cast<long>(t->pos) >= t->failat) return -EIO;
    std::size_t n = std::min({cap, t->chunk, t->text.size() - t->pos});
    std::memcpy(buf, t->text.data() + t->pos, n);
    t->pos += n;
    return static_cast<long>(n);
  }
};

TEST(Streaming, ChunkBoundariesDoNotMatter) {
  const std::string text = "h1\n'h 2\nmore'\n12345.678e-3 , 9d1 junk\n2*7.5\n1.0-5\n,,\n";
  for (std::size_t chunk : {1u, 2u, 3u, 7u, 64u}) {
    trickle t{text, 0, chunk, -1};
    char buf[5];
    listreader r(trickle::fill, &t, buf, sizeof buf);
    char h[10];
    std::size_t n = 0;
    ASSERT_EQ(r.readtext(h, 10, n).status, readstatus::ok);
    ASSERT_EQ(r.readtext(h, 10, n).status, readstatus::ok);
    EXPECT_EQ(std::string(h, n), "h 2more");
    double v[2] = {0, 0};
    ASSERT_EQ(r.readreals(v, 2).status, readstatus::ok);
    EXPECT_EQ(v[0], 12.345678);
    EXPECT_EQ(v[1], 90.0);
    ASSERT_EQ(r.readreals(v, 2).status, readstatus::ok);
    EXPECT_EQ(v[1], 7.5);
    v[1] = 0.0;
    ASSERT_EQ(r.readreals(v, 2).status, readstatus::ok);
    EXPECT_EQ(v[0], 1e-5);
    EXPECT_EQ(v[1], 0.0);  // null: unchanged
  }
}

TEST(Streaming, ReadErrorsAreReportedWithErrno) {
  trickle t{"h\n1 2\n3 4\n", 0, 4, 6};
  char buf[4];
  listreader r(trickle::fill, &t, buf, sizeof buf);
  char h[10];
  std::size_t n = 0;
  EXPECT_EQ(r.readtext(h, 10, n).status, readstatus::ok);
  double v[2];
  auto res = r.readreals(v, 2);
  if (res.status == readstatus::ok) res = r.readreals(v, 2);
  EXPECT_EQ(res.status, readstatus::ioerror);
  EXPECT_EQ(res.error, EIO);
}

}  // namespace
