// The column reader's direct path for plain numbers against the free-form
// reader it stands in for.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/freeform.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/text/plain_numbers.hpp"

namespace {

// The free-form reader's values for the first `count` items of a line, as
// the column reader calls it (the line and one line end); false where it
// does not read them all.
bool freeform(const std::string& line, int count, double* values) {
  const std::string text = line + "\n";
  for (int k = 0; k < count; ++k) values[k] = std::nan("");
  common::listreader reader(text.data(), text.size());
  return reader.readreals(values, count).status == common::readstatus::ok;
}

// Where the direct path reads a line, the free-form reader reads the same
// bits; spellings of every length, point and exponent, and random ones.
TEST(ThermoPlainNumbers, SameBitsAsTheFreeFormReader) {
  std::vector<std::string> items = {"0", "-0", "7", "-0.0", "5.", ".5", "-.5", "000123", "12.345", "0.000123",
                                    "9007199254740993", "1234567890123456789012", "4.9e-324", "2.4703282292062327e-324",
                                    "1e-310", "1.7976931348623157e308", "1e00001", "1E+05", "3.25e-5", "0e999",
                                    std::string(900, '3') + ".5e-880"};
  std::mt19937_64 random(12345);
  for (int i = 0; i < 20000; ++i) {
    std::string s = random() % 4 == 0 ? "-" : "";
    const int digits = 1 + static_cast<int>(random() % 25), point = static_cast<int>(random() % (digits + 2));
    for (int k = 0; k < digits; ++k) {
      if (k == point) s += '.';
      s += static_cast<char>('0' + random() % 10);
    }
    if (random() % 2) {
      s += random() % 2 ? 'e' : 'E';
      s += std::to_string(static_cast<int>(random() % 640) - 330);
    }
    items.push_back(s);
  }
  const char* separators[] = {" ", "\t", ",", " , ", "  \t", ", "};
  int read = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::string line = i % 3 == 0 ? " " : "";
    line.append(items[i]).append(separators[i % 6]).append(items[(i * 7 + 1) % items.size()]);
    if (i % 2) line.append(" 0.5 trailing words");
    double plain[2], general[2];
    if (!thermo::plainnumbers(line, 2, plain)) continue;
    ++read;
    ASSERT_TRUE(freeform(line, 2, general)) << line;
    EXPECT_EQ(std::memcmp(plain, general, sizeof plain), 0) << line << ": " << plain[0] << " " << plain[1];
  }
  EXPECT_GT(read, 19000);  // out of range (to the free-form reader) and nothing else
}

// Everything else goes to the free-form reader, which reads it its own way
// or says what is wrong: signs, other exponent letters, repeat counts, null
// items, a slash, words, a cut exponent, missing items, other bytes.
TEST(ThermoPlainNumbers, OtherSpellingsGoToTheFreeFormReader) {
  for (const char* line : {"+1 2", "1d0 2", "1q0 2", "1.0-5 2", "2*3.0", "1,,2", ",1 2", "1 2/", "1/ 2", "nan 2",
                           "1 Inf", "-inf 2", "1e 2", "1e+ 2", "0x1p3 2", "1 2x", "1;2", "1.2.3 4", ". 2", "- 2",
                           "1e400 2", "1 -1e-400", "1", "", "   ", "1 ,", "1.0\x01 2"}) {
    double v[2];
    EXPECT_FALSE(thermo::plainnumbers(line, 2, v)) << line;
  }
  double v[2];
  EXPECT_FALSE(thermo::plainnumbers(std::string_view("1 2\0", 4), 2, v));
  EXPECT_TRUE(thermo::plainnumbers("1 2 anything after", 2, v));
  EXPECT_TRUE(thermo::plainnumbers("1 2/3 ,, x", 1, v));  // only the items asked for
}

}  // namespace

namespace {

// The readers' fromchars against std::from_chars: the same value to the bit,
// the same end and the same error, on numbers it converts itself (at most
// 19 digits below 2^53, powers of ten within 22) and on all it hands on.
TEST(ThermoPlainNumbers, FromcharsIsFromChars) {
  std::vector<std::string> items = {"0", "-0", "-0.0", "5.", ".5", "-.5", ".", "-", "", "e5", "1e", "1e+", "1.5e-",
                                    "1e0005", "1e22", "1e23", "3e-22", "3e-23", "9007199254740992", "9007199254740993",
                                    "1234567890123456789", "12345678901234567890", "0.00000000000000000000001",
                                    "1.0000000000000000000000", "inf", "-nan", "+1", "12.5x", "1,5", "7 8", "1e5.5",
                                    "0x10", "00000000000000000000000000012.5", "4.9e-324", "1.7976931348623157e308"};
  std::mt19937_64 random(2026);
  for (int i = 0; i < 50000; ++i) {
    std::string s = random() % 4 == 0 ? "-" : "";
    const int digits = 1 + static_cast<int>(random() % 21), point = static_cast<int>(random() % (digits + 2));
    for (int k = 0; k < digits; ++k) {
      if (k == point) s += '.';
      s += static_cast<char>('0' + random() % 10);
    }
    if (random() % 2) {
      s += random() % 2 ? "e" : "E";
      s += std::to_string(static_cast<int>(random() % 60) - 30);
    }
    items.push_back(s);
  }
  for (const std::string& s : items) {
    double mine = 1.5, theirs = 1.5;
    const auto a = thermo::fromchars(s.data(), s.data() + s.size(), mine);
    const auto b = std::from_chars(s.data(), s.data() + s.size(), theirs, std::chars_format::general);
    EXPECT_EQ(a.ptr - s.data(), b.ptr - s.data()) << s;
    EXPECT_EQ(a.ec, b.ec) << s;
    if (b.ec == std::errc()) {
      EXPECT_EQ(std::memcmp(&mine, &theirs, sizeof mine), 0) << s << ": " << mine << " " << theirs;
    }
  }
}

}  // namespace
